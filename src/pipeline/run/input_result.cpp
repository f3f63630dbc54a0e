#include "pipeline/run/input_result.h"

#include "pipeline/inputs/repeated_inputs.h"

namespace xbtconv {

std::optional<InputResult> settleEntry(const BatchItem& item, const RunOptions& run) {
  InputResult result;
  if (!item.listingFailure.empty()) {
    result.fail(item.input.path, item.listingFailure);
    return result;
  }
  if (metThroughEarlierPath(item.input, run.paths, run.recursive)) {
    result.outcome = Outcome::kRepeated;
    return result;
  }
  return std::nullopt;
}

void takeUp(const BatchItem& item, const InputResult& result, const RunOptions& run,
            const RunReport& report, Tally& tally) {
  tally.count(result.outcome);
  if (result.writtenAnyway) tally.countWrittenFailure();
  if (!run.quiet) {
    for (const Note& note : item.warnings) report.note(note.subject, note.reason);
  }
  for (const Note& note : result.failures) report.note(note.subject, note.reason);
  if (!run.quiet) {
    for (const Note& note : result.remarks) report.note(note.subject, note.reason);
  }
  if (report.advance) report.advance();
}

}  // namespace xbtconv
