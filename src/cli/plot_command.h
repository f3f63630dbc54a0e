// xbt plot's arguments.
#ifndef XBTCONV_CLI_PLOT_COMMAND_H_
#define XBTCONV_CLI_PLOT_COMMAND_H_

#include <CLI/CLI.hpp>
#include <cstdio>

#include "pipeline/flows/plot_flow.h"

namespace xbtconv {

class PlotCommand {
 public:
  explicit PlotCommand(CLI::App& app);
  PlotCommand(const PlotCommand&) = delete;
  PlotCommand& operator=(const PlotCommand&) = delete;

  CLI::App* command() const { return command_; }
  int run(std::FILE* out, std::FILE* err);

 private:
  CLI::App* command_;
  PlotOptions options_;
  bool noQc_ = false;
};

}  // namespace xbtconv

#endif  // XBTCONV_CLI_PLOT_COMMAND_H_
