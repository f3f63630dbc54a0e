// What became of a run's inputs, counted as the run takes them up, and the
// summary line a run ends with ("exported 6, failed 2, skipped 1").
#ifndef XBTCONV_PIPELINE_RUN_TALLY_H_
#define XBTCONV_PIPELINE_RUN_TALLY_H_

#include <string>

namespace xbtconv {

/// What became of one input. kRepeated: the file was met already through
/// an earlier path of the run, which takes each file once; it is neither
/// counted nor said. kNotWritten: its output folder cannot be written,
/// which is said once for the folder: the input is not read.
enum class Outcome { kDone, kFailed, kSkipped, kUpToDate, kRepeated, kNotWritten };

class Tally {
 public:
  void count(Outcome outcome) {
    if (outcome == Outcome::kNotWritten) {
      ++notWritten_;
    } else if (outcome != Outcome::kRepeated) {
      ++counts_[static_cast<int>(outcome)];
    }
  }
  /// A failed input whose output was written all the same, with what was
  /// decoded of it.
  void countWrittenFailure() { ++writtenFailures_; }
  /// The inputs done so far went into a common output (a collection) that
  /// was not written: they count as not written, which is a failure.
  void leaveOutEveryDone() {
    notWritten_ += counts_[0];
    counts_[0] = 0;
  }
  /// The run failed as a whole (its one output could not be made), whatever
  /// became of its inputs.
  void failRun() { runFailed_ = true; }
  int done() const { return counts_[0]; }
  int failed() const { return counts_[1]; }
  int skipped() const { return counts_[2]; }
  int writtenFailures() const { return writtenFailures_; }
  /// Whether anything failed, the inputs left out of an output included.
  bool anyFailure() const { return counts_[1] != 0 || notWritten_ != 0 || runFailed_; }
  /// "converted 6, failed 2, skipped 1", with ", up to date N" and ", not
  /// written N" when any input was; `done` names what befell the inputs
  /// done. `written` says how failed inputs whose output was written were
  /// written: "failed 2 (1 written with ...)".
  std::string summary(const char* done, const char* written = "") const;

 private:
  int counts_[4] = {};
  int writtenFailures_ = 0;
  int notWritten_ = 0;
  bool runFailed_ = false;
};

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_RUN_TALLY_H_
