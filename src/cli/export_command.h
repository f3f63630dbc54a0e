// xbt export's arguments: the format and what each format takes, the
// run's arguments, and the checks that no argument is given that the
// chosen format would ignore.
#ifndef XBTCONV_CLI_EXPORT_COMMAND_H_
#define XBTCONV_CLI_EXPORT_COMMAND_H_

#include <CLI/CLI.hpp>
#include <cstdio>
#include <string>
#include <vector>

#include "pipeline/flows/export_flow.h"

namespace xbtconv {

class ExportCommand {
 public:
  /// Adds the export command and its arguments to `app`.
  explicit ExportCommand(CLI::App& app);
  ExportCommand(const ExportCommand&) = delete;
  ExportCommand& operator=(const ExportCommand&) = delete;

  CLI::App* command() const { return command_; }
  /// Runs the export the parsed arguments ask for; returns the exit status
  /// (2 for arguments that cannot go together).
  int run(std::FILE* out, std::FILE* err);

 private:
  // Why the parsed arguments cannot be taken; "" when they can.
  std::string usageProblem();

  CLI::App* command_;
  ExportOptions options_;
  std::string format_;
  bool noQc_ = false;
  std::vector<std::string> attributes_;
  std::string dateCreated_;
  std::string layout_ = "ragged";
  // The arguments only some formats take.
  std::vector<CLI::Option*> bufrOnly_;
  std::vector<CLI::Option*> netcdfOnly_;
  std::vector<CLI::Option*> receiversOnly_;
};

}  // namespace xbtconv

#endif  // XBTCONV_CLI_EXPORT_COMMAND_H_
