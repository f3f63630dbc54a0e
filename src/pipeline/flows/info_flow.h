// xbt info's flow: one tab-separated line per message file: name, kind,
// time, position, probe, profile layout, samples, and "ok", "failed at bit
// N" or why the file is no message. The lines are the output: no summary.
#ifndef XBTCONV_PIPELINE_FLOWS_INFO_FLOW_H_
#define XBTCONV_PIPELINE_FLOWS_INFO_FLOW_H_

#include "pipeline/run/run_options.h"
#include "pipeline/run/run_report.h"

namespace xbtconv {

/// Describes the files `options` names; returns the exit status (1 when
/// any failed).
int runInfo(const RunOptions& options, const RunReport& report);

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_FLOWS_INFO_FLOW_H_
