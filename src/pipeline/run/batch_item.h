// One entry of a run as the runner hands it to a command's steps: an input
// (or a folder that could not be listed) and where its output goes, once
// the command's preparation has decided.
#ifndef XBTCONV_PIPELINE_RUN_BATCH_ITEM_H_
#define XBTCONV_PIPELINE_RUN_BATCH_ITEM_H_

#include <string>
#include <vector>

#include "pipeline/inputs/input_files.h"

namespace xbtconv {

struct OutputFolder;

/// Something to say about `subject` (a path, as given): `reason`.
struct Note {
  std::string subject;
  std::string reason;
};

/// An input, or a folder that could not be listed (`listingFailure` says
/// why; `input.path` is the folder).
struct BatchItem {
  InputFile input;
  std::string listingFailure;
  /// Where the input's output goes, as the command's preparation decides:
  /// its path (for messages), its folder and its name there, and the input
  /// as the folder's record names it.
  std::string output;
  OutputFolder* folder = nullptr;
  std::string outputName;
  std::string recordedInput;
  /// Warnings to say before the input's own lines (of its output folder,
  /// the first time the run writes there).
  std::vector<Note> warnings;
};

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_RUN_BATCH_ITEM_H_
