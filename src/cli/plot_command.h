// xbt plot: a quick look at each message (NAME.svg) and an index.html of the
// run, with a row per file, in one output folder.
#ifndef XBTCONV_CLI_PLOT_COMMAND_H_
#define XBTCONV_CLI_PLOT_COMMAND_H_

#include <cstdio>
#include <string>
#include <vector>

#include "profile/observation.h"

namespace xbtconv {

struct PlotOptions {
  std::string outputDirectory = ".";
  double sampleRateHz = kDefaultSampleRateHz;
  std::vector<std::string> paths;
};

/// Plots the messages `options` names; returns the exit status (0 all
/// plotted, 1 any failure). A decode that stopped early is plotted as far
/// as it got, and counted as a failure.
int runPlot(const PlotOptions& options, std::FILE* out, std::FILE* err);

}  // namespace xbtconv

#endif  // XBTCONV_CLI_PLOT_COMMAND_H_
