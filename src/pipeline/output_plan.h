// Where each input's output goes, decided once for every command that
// writes one output per input (convert, export, plot): its name and folder
// (beside the input, or under -o with the subfolders of -r mirrored, or all
// in one folder), the folder made and locked (OutputFolders), the name
// claimed so that no two inputs and no input and output share a path
// (OutputClaims); then, with --update, whether the output is current by
// its folder's record; and last, a chunk's written outputs noted in their
// records and put in place together.
#ifndef XBTCONV_PIPELINE_OUTPUT_PLAN_H_
#define XBTCONV_PIPELINE_OUTPUT_PLAN_H_

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "pipeline/file_identity.h"
#include "pipeline/input_result.h"
#include "pipeline/output_claims.h"
#include "pipeline/output_folders.h"
#include "pipeline/run_options.h"
#include "pipeline/run_report.h"

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
  /// an output made otherwise is not current.
  OutputPlan(const RunOptions& run, OutputNaming naming, const std::string& options);

  /// Makes and locks the one folder a run writes in (-o, or plot's folder)
  /// before any input is read, so that a folder that cannot be written
  /// (another run is writing there, a file has its name) is said once
  /// rather than once for every input. The reason, or none.
  std::optional<std::string> prepareOutputFolder();

  /// Decides where `item`'s output goes (`item.output` and `item.folder`),
  /// in input order; the reason when it can go nowhere.
  std::optional<std::string> place(BatchItem& item);

  /// With --update, the record's entry when `item`'s output is current:
  /// made from the input as it is now, with these options, and not changed
  /// since; else none.
  const RecordEntry* current(const BatchItem& item) const;

  /// With --update, after a run that finished, says of each output whose
  /// input is gone (moved away or deleted) that it is left as it is; -q
  /// says nothing of them, as they are no failure.
  void sayLostInputs(bool finished, const RunReport& report) const;

  /// What the record is to say of `item`'s output `written`, made from the
  /// input as `input` identifies it.
  RecordEntry entryFor(const BatchItem& item, const FileIdentity& input,
                       const PendingOutput& written, bool failed, std::string note) const;

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

  const RunOptions& run_;
  OutputNaming naming_;
  std::uint64_t options_;
  OutputFolders folders_;
  OutputClaims claims_;
};

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_OUTPUT_PLAN_H_
