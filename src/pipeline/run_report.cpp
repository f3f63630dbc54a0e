#include "pipeline/run_report.h"

#include "pipeline/interrupts.h"

namespace xbtconv {

int endRun(const RunOptions& options, bool finished, const Tally& tally, const std::string& summary,
           const RunReport& report) {
  if (!finished) report.status("interrupted");
  if (!options.quiet) report.status(summary);
  if (!finished) return 128 + interruptSignal();
  return tally.anyFailure() ? 1 : 0;
}

}  // namespace xbtconv
