// xbt convert's flow: each message's legacy report, byte for byte as
// xbtconv writes it (NAME.bin.srp), beside its input or under an output
// folder, with the habits of a batch tool: reasons for whatever is not
// converted, a summary, an exit status, reports replaced whole or not at
// all, and --update passing over the reports that are current.
#ifndef XBTCONV_PIPELINE_FLOWS_CONVERT_FLOW_H_
#define XBTCONV_PIPELINE_FLOWS_CONVERT_FLOW_H_

#include "pipeline/run/run_options.h"
#include "pipeline/run/run_report.h"

namespace xbtconv {

struct ConvertOptions {
  RunOptions run;
  bool verbose = false;  // each report written, as data
};

/// Converts the messages `options` names; returns the exit status (0 all
/// converted, 1 any failure). A message whose decode stopped early still
/// gets its report, as from xbtconv, and counts as a failure.
int runConvert(const ConvertOptions& options, const RunReport& report);

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_FLOWS_CONVERT_FLOW_H_
