// What a run knows of all its drops before it writes an output: a first
// pass over the inputs loads each message file and decodes its start only
// (its platform, time and position: 96 bytes, never the profile) on the
// run's threads, and holds the files it loaded, up to 32 MiB, for the
// second pass to take rather than read them again. From it:
//   - the track check of each platform's drops, in time order, over the
//     whole run (qc/track_check.h): whether a drop's output is flagged can
//     depend on drops later in the run, and is the same whatever -j;
//   - which inputs hold the same drop (drop_identity.h) as an earlier one,
//     which the run names in a warning.
// Beside the files it holds, the pass keeps some 60 bytes a drop while it
// runs and, after it, only the drops it has something to say of. An input
// that changes between the two passes is judged by what the first pass
// read, and a held one is taken as it was then.
#ifndef XBTCONV_PIPELINE_INPUTS_DROP_SURVEY_H_
#define XBTCONV_PIPELINE_INPUTS_DROP_SURVEY_H_

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "pipeline/inputs/observation_reading.h"
#include "pipeline/run/batch_runner.h"
#include "pipeline/run/input_result.h"
#include "pipeline/run/run_options.h"

namespace xbtconv {

/// The bytes the first pass reads of each input: every field of a drop's
/// platform, time and position lies in a message's first 92 (the fixed
/// part of either kind).
inline constexpr std::size_t kDropStartBytes = 96;

class DropSurvey {
 public:
  /// Surveys the inputs `run` names, on `jobs` threads; the track check
  /// only when `reading` asks for quality control. An interrupt stops it
  /// (the run that follows stops at once too).
  DropSurvey(const RunOptions& run, const ObservationOptions& reading, int jobs);
  DropSurvey(const DropSurvey&) = delete;
  DropSurvey& operator=(const DropSurvey&) = delete;

  /// Flags `observation`, the drop in the input at `path`, when its track
  /// cannot explain it (qc/track_check.h). Any thread may ask.
  void judgeTrack(const std::string& path, Observation& observation) const;

  /// Adds to `result` of `item` a warning naming the earlier input that
  /// holds the same drop, where one does ("warning: the same drop as
  /// in/a.bin"). REQUIRES: called for each input of the run in turn, in
  /// input order.
  void noteSameDrop(const BatchItem& item, InputResult& result);

  /// The files the pass loaded and holds, for the run's readers.
  const HeldFiles* held() const { return &held_; }

 private:
  std::unordered_set<std::uint64_t> unexplained_;          // inputs, by their path's hash
  std::unordered_map<std::uint64_t, std::uint64_t> twin_;  // input -> its drop's identity
  std::unordered_map<std::uint64_t, std::string> first_;   // identity -> the first input
  HeldFiles held_;
};

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_INPUTS_DROP_SURVEY_H_
