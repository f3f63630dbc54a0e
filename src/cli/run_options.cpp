#include "cli/run_options.h"

namespace xbtconv {

BatchInputs batchInputs(const RunOptions& options) {
  return {options.paths, options.recursive, options.jobs > 0 ? options.jobs : defaultJobs()};
}

int endRun(const RunOptions& options, bool finished, const Tally& tally, const std::string& summary,
           std::FILE* err) {
  if (!finished) std::fputs("xbt: interrupted\n", err);
  if (!options.quiet || !finished) std::fprintf(err, "xbt: %s\n", summary.c_str());
  if (!finished) return 128 + interruptSignal();
  return tally.failed() == 0 ? 0 : 1;
}

}  // namespace xbtconv
