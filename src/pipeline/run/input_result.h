// What a command's work found for one input, in the form every command
// shares: the outcome, what is to be said of it, and the output written
// and waiting to be put in place with what the record is to say of it. A
// command's own result adds what only it has (a line of a table, a row of
// the gallery, data for standard output).
#ifndef XBTCONV_PIPELINE_RUN_INPUT_RESULT_H_
#define XBTCONV_PIPELINE_RUN_INPUT_RESULT_H_

#include <optional>
#include <string>
#include <vector>

#include "pipeline/outputs/output_file.h"
#include "pipeline/outputs/output_record.h"
#include "pipeline/run/batch_item.h"
#include "pipeline/run/run_options.h"
#include "pipeline/run/run_report.h"
#include "pipeline/run/tally.h"

namespace xbtconv {

struct InputResult {
  Outcome outcome = Outcome::kDone;
  /// A failed input whose output was written all the same.
  bool writtenAnyway = false;
  std::vector<Note> failures;  // said always
  std::vector<Note> remarks;   // said unless quiet: why a file was passed over, warnings
  /// The output written for the input, to be put in place; with what the
  /// output record is to say of it.
  std::optional<PendingOutput> pending;
  RecordEntry entry;
  /// Why the output written could not be put in place; "" when it was, or
  /// when there was none.
  std::string placeFailure;

  /// Counts the input failed, for `reason`.
  void fail(const std::string& subject, const std::string& reason) {
    outcome = Outcome::kFailed;
    failures.push_back({subject, reason});
  }
  /// An input that did not load: passed over (said unless quiet) or failed,
  /// for `reason`.
  void skipOrFail(bool passedOver, const std::string& subject, const std::string& reason) {
    if (!passedOver) return fail(subject, reason);
    outcome = Outcome::kSkipped;
    remarks.push_back({subject, reason});
  }
  /// Counts the input failed for `reason`, and its output written all the
  /// same, as the end of the reason (`claim`, "; written ...") says.
  void failWritten(const std::string& subject, const std::string& reason,
                   const std::string& claim) {
    fail(subject, reason + claim);
    writtenAnyway = true;
    claimSize_ = claim.size();
  }
  /// The output could not be written, for `reason` (the output named):
  /// said once, and a failure that said it was written no longer does.
  void failToWrite(const std::string& subject, const std::string& reason) {
    if (writtenAnyway && !failures.empty()) {
      std::string& said = failures.front().reason;
      said.resize(said.size() - claimSize_);
    }
    writtenAnyway = false;
    fail(subject, reason);
  }

 private:
  std::size_t claimSize_ = 0;
};

/// What every command says of an entry before its own work: a folder that
/// could not be listed fails with its reason, and a file met already
/// through an earlier path of the run is taken once (kRepeated); none for
/// an input to work on.
std::optional<InputResult> settleEntry(const BatchItem& item, const RunOptions& run);

/// Takes up `item`'s `result`: counts it, and says what is to be said of it
/// (the item's warnings and the result's remarks unless quiet).
void takeUp(const BatchItem& item, const InputResult& result, const RunOptions& run,
            const RunReport& report, Tally& tally);

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_RUN_INPUT_RESULT_H_
