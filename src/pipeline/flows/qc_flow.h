// xbt qc's flow: quality control of each message file, one tab-separated
// line per file: name, profile flag, the number of samples flagged 3
// (probably bad) and 4 (bad), and the tests that flagged anything ("-" for
// none); a message that cannot be read gets "-" for each and its reason. The
// summary counts the profiles by their flag.
#ifndef XBTCONV_PIPELINE_FLOWS_QC_FLOW_H_
#define XBTCONV_PIPELINE_FLOWS_QC_FLOW_H_

#include <cstdint>
#include <optional>

#include "pipeline/run/run_options.h"
#include "pipeline/run/run_report.h"
#include "xbtconv/observation.h"

namespace xbtconv {

struct QcOptions {
  RunOptions run;
  double sampleRateHz = kDefaultSampleRateHz;
  std::optional<std::int64_t> now;  // quality control's clock; none for the system's
};

/// Checks the messages `options` names; returns the exit status as export
/// does: 1 when any input failed (a flagged profile is no failure).
int runQc(const QcOptions& options, const RunReport& report);

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_FLOWS_QC_FLOW_H_
