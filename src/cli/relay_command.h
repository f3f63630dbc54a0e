// xbt relay's arguments: the relay itself (a service, or --once for cron),
// and its operator's commands release, status and report. Options come
// from the command line and from a configuration file (--config, TOML or
// INI, the options' long names as keys); the command line wins.
#ifndef XBTCONV_CLI_RELAY_COMMAND_H_
#define XBTCONV_CLI_RELAY_COMMAND_H_

#include <CLI/CLI.hpp>
#include <cstdio>
#include <string>
#include <vector>

#include "relay/relay_health.h"
#include "relay/relay_options.h"

namespace xbtconv {

class RelayCommand {
 public:
  explicit RelayCommand(CLI::App& app);
  RelayCommand(const RelayCommand&) = delete;
  RelayCommand& operator=(const RelayCommand&) = delete;

  CLI::App* command() const { return command_; }
  int run(std::FILE* out, std::FILE* err);

 private:
  std::string applyConfig();
  std::string usageProblem(bool running) const;
  int runRelay(std::FILE* err);
  int release(std::FILE* out, std::FILE* err);
  int summary(std::FILE* out, std::FILE* err, bool report);
  int check(std::FILE* out);

  CLI::App* command_;
  CLI::App* release_;
  CLI::App* status_;
  CLI::App* report_;
  CLI::App* check_;
  CheckLimits limits_;
  std::string statusFormat_ = "text";
  RelayOptions options_;
  std::string logFormat_ = "text";
  bool sendWithoutPlatform_ = false;
  std::vector<std::string> senders_;  // NAME=PLATFORM,PLATFORM,...
  std::vector<std::string> files_;
  std::string day_;
  std::string operator_;
  std::string config_;
  std::string wis2PasswordFile_;
};

}  // namespace xbtconv

#endif  // XBTCONV_CLI_RELAY_COMMAND_H_
