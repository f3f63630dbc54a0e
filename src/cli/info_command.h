// xbt info's arguments.
#ifndef XBTCONV_CLI_INFO_COMMAND_H_
#define XBTCONV_CLI_INFO_COMMAND_H_

#include <CLI/CLI.hpp>
#include <cstdio>

#include "pipeline/flows/info_flow.h"

namespace xbtconv {

class InfoCommand {
 public:
  explicit InfoCommand(CLI::App& app);
  InfoCommand(const InfoCommand&) = delete;
  InfoCommand& operator=(const InfoCommand&) = delete;

  CLI::App* command() const { return command_; }
  int run(std::FILE* out, std::FILE* err);

 private:
  CLI::App* command_;
  RunOptions options_;
};

}  // namespace xbtconv

#endif  // XBTCONV_CLI_INFO_COMMAND_H_
