#include "pipeline/run/run_report.h"

#include "pipeline/run/interrupts.h"

namespace xbtconv {

int endRun(const RunOptions& options, RunEnd end, const Tally& tally, const std::string& summary,
           const RunReport& report) {
  if (end == RunEnd::kInterrupted) report.status("interrupted");
  if (end == RunEnd::kOutOfMemory) report.status("stopped: out of memory");
  if (!options.quiet) report.status(summary);
  if (end == RunEnd::kInterrupted) return 128 + interruptSignal();
  return end == RunEnd::kOutOfMemory || tally.anyFailure() ? 1 : 0;
}

}  // namespace xbtconv
