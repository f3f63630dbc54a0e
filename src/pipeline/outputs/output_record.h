// OutputRecord: what each output of a folder was made from, kept in the
// folder (the file ".xbt-record") so that a run with --update can tell an
// output that is still current from one to make again. An entry holds the
// input (its one spelling, size and modification time to the nanosecond),
// a digest of the options that shape the output, the output as it was
// written (size and modification time: an output changed or replaced since
// is not current), and how the input fared: a failure whose output was
// written all the same is said again by --update, never passed for success.
//
// Entries are appended, a chunk of outputs at a time, before the outputs
// are put in place; the last entry of an output counts. A record grown well
// past its entries is rewritten with the last of each. The record is only
// ever used under the folder's lock (OutputFolders). A run that ends marks
// the record so; the next run then knows without listing the folder that no
// killed run left temporary files there.
//
// Anyone who can write in the folder can write a record, so a record is
// never trusted further than it costs nothing: a line that does not parse
// is ignored, and only makes its output not current; a record larger than
// the folder's outputs could need is set aside (replaced by a new one, and
// said once), never read; a link, FIFO or second name of another file under
// its name is replaced, never written through; and a folder under its name
// leaves the folder without a record (said once), its outputs still
// written.
#ifndef XBTCONV_PIPELINE_OUTPUTS_OUTPUT_RECORD_H_
#define XBTCONV_PIPELINE_OUTPUTS_OUTPUT_RECORD_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "pipeline/outputs/folder.h"
#include "pipeline/outputs/output_file.h"

namespace xbtconv {

/// The record's file name in each output folder.
inline constexpr std::string_view kRecordName = ".xbt-record";

/// A digest of an options text, for the record to compare.
std::uint64_t optionsDigest(std::string_view options);

struct RecordEntry {
  std::string input;  // the input's one spelling, or a digest of a collection's inputs
  FileIdentity inputFile;
  FileIdentity outputFile;
  std::uint64_t options = 0;
  bool failed = false;  // the input failed, its output written all the same
  /// The run's clock from which the output may no longer be what a run
  /// would make (its quality control judged a time against the clock);
  /// none when no clock changes it.
  std::optional<std::int64_t> currentUntil;
  std::string note;  // why it failed, or what a collection's run said

  bool operator==(const RecordEntry&) const = default;
};

class OutputRecord {
 public:
  OutputRecord() = default;
  ~OutputRecord();
  OutputRecord(const OutputRecord&) = delete;
  OutputRecord& operator=(const OutputRecord&) = delete;

  /// Opens the record of `folder` for appending, creating it when missing;
  /// with `load`, reads its entries too. False, with the reason in
  /// `error`, when no file can be made there (the folder cannot be
  /// written). REQUIRES: `folder` outlives the record.
  bool open(const Folder& folder, bool load, std::string& error);
  /// What is to be said once of a record that was set aside or cannot be
  /// kept; "" when there is nothing to say.
  const std::string& problem() const { return problem_; }

  /// Whether the record, when opened, said that the last run in the folder
  /// ended, leaving no temporary file; opening takes that mark away.
  bool lastRunEnded() const { return lastRunEnded_; }
  /// Marks the record: this run has ended, every temporary file it made
  /// placed or removed.
  void markRunEnded() const;

  /// The last entry of `output` (a file name in the folder); none when the
  /// record has none or was not loaded.
  const RecordEntry* find(std::string_view output) const;

  /// Every output the record knows, with its last entry, in name order.
  std::vector<std::pair<std::string, const RecordEntry*>> entries() const;

  /// The line that records `entry` for `output`, to be appended.
  static std::string line(std::string_view output, const RecordEntry& entry);
  /// Appends that line to `text`.
  static void appendLine(std::string& text, std::string_view output, const RecordEntry& entry);
  /// Appends `lines` in one write; false with the reason when it cannot.
  bool append(std::string_view lines, std::string& error) const;

 private:
  static constexpr int kFields = 10;
  using Fields = std::string_view[kFields];
  // The last valid line of each output (by its name as written), over the
  // text of the record read.
  using LastLines = std::unordered_map<std::string_view, std::string_view>;

  // Keeps the last valid line of each output in `text`; the number of
  // lines read.
  static std::size_t lastLines(std::string_view text, LastLines& last);
  // A line's fields; false when it is not a whole, valid line.
  static bool split(std::string_view line, Fields& fields);
  // The entry of a valid line.
  static RecordEntry entryOf(std::string_view line);
  // Writes the record anew with `last` only.
  bool compact(const LastLines& last, std::string& error);
  // The most a record of this folder can need: beyond a size any folder's
  // may have, room for a long line per entry of the folder.
  std::uint64_t sizeBound() const;

  const Folder* folder_ = nullptr;
  std::string problem_;
  int fd_ = -1;
  bool lastRunEnded_ = false;
  std::unordered_map<std::string, RecordEntry> entries_;
};

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_OUTPUTS_OUTPUT_RECORD_H_
