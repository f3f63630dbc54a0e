// Where each input's output goes, decided once for every command that
// writes one output per input (convert, export, plot): its name and folder
// (beside the input, or under -o with the subfolders of -r mirrored, or all
// in one folder), the folder opened and locked (OutputFolders), the name
// claimed so that no two inputs and no input and output share a path
// (OutputClaims); then, with --update, whether the output is current by
// its folder's record; and last, a chunk's written outputs noted in their
// records and put in place together.
//
// Every folder is reached by descriptor, never again by its path: an
// output beside its input goes into the very folder the input was listed
// from, and a mirrored subfolder is opened (or made) level by level from
// the -o folder, never through a link. A folder that cannot be written is
// said once, with the reason; its other inputs are then not read, and
// count as not written.
#ifndef XBTCONV_PIPELINE_OUTPUTS_OUTPUT_PLAN_H_
#define XBTCONV_PIPELINE_OUTPUTS_OUTPUT_PLAN_H_

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "pipeline/outputs/file_identity.h"
#include "pipeline/outputs/output_claims.h"
#include "pipeline/outputs/output_folders.h"
#include "pipeline/run/input_result.h"
#include "pipeline/run/run_options.h"
#include "pipeline/run/run_report.h"

namespace xbtconv {

struct OutputNaming {
  /// Added to the input's name, its ".bin" taken off first ("A1.bin" and
  /// ".json" give "A1.json") unless `keepInputExtension` ("A1.bin.srp").
  std::string extension;
  bool keepInputExtension = false;
  /// All outputs in the output folder (the current one without -o), not
  /// beside their inputs.
  bool oneFolder = false;
};

class OutputPlan {
 public:
  /// `options` is the text of what shapes the outputs besides their inputs:
  /// an output made otherwise is not current; nor is one whose entry is
  /// current only until `clock` (the run's clock, seconds since 1970).
  OutputPlan(const RunOptions& run, OutputNaming naming, const std::string& options,
             std::int64_t clock = 0);

  /// Makes and locks the one folder a run writes in (-o, or plot's folder)
  /// before any input is read, so that a folder that cannot be written
  /// (another run is writing there, a file has its name) is said once
  /// rather than once for every input. The reason, or none.
  std::optional<std::string> prepareOutputFolder();
  /// That folder, once prepared; else nullptr.
  OutputFolder* outputFolder() const { return root_; }

  /// Decides where `item`'s output goes (`item.output`, `item.folder`,
  /// `item.outputName`, `item.recordedInput`), in input order; what became
  /// of the input when its output can go nowhere, else none. REQUIRES:
  /// prepareOutputFolder() succeeded, where the run has -o or one folder.
  std::optional<InputResult> place(BatchItem& item);

  /// With --update, the record's entry when `item`'s output is current:
  /// made from the input as it is now, with these options, and not changed
  /// since; else none.
  const RecordEntry* current(const BatchItem& item) const;

  /// With --update, after a run that finished, says of each output whose
  /// input is gone (moved away or deleted) that it is left as it is; -q
  /// says nothing of them, as they are no failure.
  void sayLostInputs(bool finished, const RunReport& report) const;

  /// What the record is to say of `item`'s output `written`, made from the
  /// input as `input` identifies it: the input by its path from the
  /// folder, so that a folder copied with its inputs keeps its record.
  RecordEntry entryFor(const BatchItem& item, const FileIdentity& input,
                       const PendingOutput& written, bool failed, std::string note,
                       std::optional<std::int64_t> currentUntil = std::nullopt) const;

  /// Puts the written outputs of a chunk in place: their entries appended
  /// to their folders' records first, then each renamed over its path. An
  /// output that cannot be put in place fails its input.
  template <typename Result>
  void put(std::vector<BatchItem>& items, std::vector<std::optional<Result>>& results) const {
    std::vector<std::pair<const BatchItem*, InputResult*>> written;
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (results[i] && results[i]->pending) written.emplace_back(&items[i], &*results[i]);
    }
    if (!written.empty()) putAll(written);
  }

 private:
  void putAll(std::vector<std::pair<const BatchItem*, InputResult*>>& written) const;
  // The folder `item`'s output goes to, its path as the run names it.
  // `fresh`: prepared by this call.
  OutputFolder* folderFor(const BatchItem& item, const std::string& path, std::string& error,
                          bool& fresh);
  // Notes the problem of a folder's record, said with the next input.
  void noteRecord(const OutputFolder& folder);
  // `item`'s input by its path from `folder`.
  std::string recordedInput(const BatchItem& item, const OutputFolder& folder);

  const RunOptions& run_;
  OutputNaming naming_;
  std::uint64_t options_;
  std::int64_t clock_;
  OutputFolders folders_;
  OutputClaims claims_;
  OutputFolder* root_ = nullptr;  // the -o folder or the one folder, once prepared
  std::vector<Note> warnings_;    // to be said with the next input
  // The path from the last output folder to the last input folder.
  const OutputFolder* lastFolder_ = nullptr;
  std::string lastDirectory_;
  std::string lastRelative_;
};

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_OUTPUTS_OUTPUT_PLAN_H_
