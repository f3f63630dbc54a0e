// xbt plot's flow: a quick look at each message (NAME.svg) and an
// index.html of the run, with a row per input, in one output folder. The
// plots are current by the folder's record as any output is; every input
// is read again for its row of the gallery.
#ifndef XBTCONV_PIPELINE_FLOWS_PLOT_FLOW_H_
#define XBTCONV_PIPELINE_FLOWS_PLOT_FLOW_H_

#include <cstdint>
#include <optional>

#include "pipeline/run/run_options.h"
#include "pipeline/run/run_report.h"
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
int runPlot(const PlotOptions& options, const RunReport& report);

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_FLOWS_PLOT_FLOW_H_
