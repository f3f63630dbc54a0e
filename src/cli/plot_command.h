// xbt plot: a quick look at each message (NAME.svg) and an index.html of the
// run, with a row per file, in one output folder.
#ifndef XBTCONV_CLI_PLOT_COMMAND_H_
#define XBTCONV_CLI_PLOT_COMMAND_H_

#include <cstdint>
#include <cstdio>
#include <optional>

#include "cli/run_options.h"
#include "xbtconv/observation.h"

namespace xbtconv {

struct PlotOptions {
  RunOptions run;  // the output folder defaults to the current one
  double sampleRateHz = kDefaultSampleRateHz;
  bool qualityControl = true;
  std::optional<std::int64_t> now;  // quality control's clock
};

/// Plots the messages `options` names; returns the exit status (0 all
/// plotted, 1 any failure). A decode that stopped early is plotted as far
/// as it got, and counted as a failure.
int runPlot(const PlotOptions& options, std::FILE* out, std::FILE* err);

}  // namespace xbtconv

#endif  // XBTCONV_CLI_PLOT_COMMAND_H_
