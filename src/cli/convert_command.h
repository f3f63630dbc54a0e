// xbt convert's arguments, and its progress bar: on a terminal (or when
// asked), files done of the total, the rate and the time left.
#ifndef XBTCONV_CLI_CONVERT_COMMAND_H_
#define XBTCONV_CLI_CONVERT_COMMAND_H_

#include <CLI/CLI.hpp>
#include <cstdio>
#include <string>

#include "pipeline/flows/convert_flow.h"

namespace xbtconv {

class ConvertCommand {
 public:
  explicit ConvertCommand(CLI::App& app);
  ConvertCommand(const ConvertCommand&) = delete;
  ConvertCommand& operator=(const ConvertCommand&) = delete;

  CLI::App* command() const { return command_; }
  int run(std::FILE* out, std::FILE* err);

 private:
  CLI::App* command_;
  ConvertOptions options_;
  std::string progress_ = "auto";  // "auto", "always" or "never"
};

}  // namespace xbtconv

#endif  // XBTCONV_CLI_CONVERT_COMMAND_H_
