// What a command's run says, handed to the command line as it comes, in
// input order, for it to print: data for standard output, notes about
// inputs (a failure, a file passed over, a warning, each with its reason),
// the lines a run ends with, and each input done (for a progress bar).
#ifndef XBTCONV_PIPELINE_RUN_RUN_REPORT_H_
#define XBTCONV_PIPELINE_RUN_RUN_REPORT_H_

#include <functional>
#include <string>
#include <string_view>

#include "pipeline/run/run_options.h"
#include "pipeline/run/tally.h"

namespace xbtconv {

struct RunReport {
  std::function<void(std::string_view)> data;
  /// About `subject` (a path, as given): `reason`.
  std::function<void(const std::string& subject, const std::string& reason)> note;
  /// A line about the run as a whole: "interrupted", the summary.
  std::function<void(const std::string& line)> status;
  /// One more input taken up; may be empty.
  std::function<void()> advance;
};

/// How a run over its inputs ended: every input taken, or stopped between
/// chunks by an interrupt, or because memory ran out where no input's work
/// was under way.
enum class RunEnd { kFinished, kInterrupted, kOutOfMemory };

/// Says how a run ended ("interrupted" or "stopped: out of memory" when it
/// did not finish, then, unless quiet, `summary`) and returns
/// its exit status: 0 when nothing failed, 1 when anything did or memory
/// ran out, 128 plus the signal's number when interrupted.
int endRun(const RunOptions& options, RunEnd end, const Tally& tally, const std::string& summary,
           const RunReport& report);

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_RUN_RUN_REPORT_H_
