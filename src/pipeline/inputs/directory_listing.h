// The message files of a directory: every name that ends in ".bin",
// compared without regard to case, in a sorted order, so that every run
// visits the files in the same order whatever order the file system keeps
// them in. The names come in batches of a bounded size, so that a run's
// memory does not grow with the number of files.
#ifndef XBTCONV_PIPELINE_INPUTS_DIRECTORY_LISTING_H_
#define XBTCONV_PIPELINE_INPUTS_DIRECTORY_LISTING_H_

#include <string>
#include <string_view>
#include <vector>

#include "pipeline/outputs/folder.h"

namespace xbtconv {

/// Separator put between the directory and a file name.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

/// True when `name` ends in ".bin", letters compared without case.
bool isMessageFileName(std::string_view name);

/// Order of the run: names compared with ASCII letters folded to lower case,
/// ties broken bytewise.
bool messageFileNameLess(std::string_view a, std::string_view b);

/// `directory`, one separator, `name`: exactly one separator is inserted,
/// whatever the directory ends with.
std::string joinPath(const std::string& directory, const std::string& name);

/// Hands out the message file names of an open folder in order, a batch at
/// a time. Each batch is the next `batchSize` names after the last one
/// handed out, found by one pass over the folder that keeps no more than
/// `batchSize` names; a folder of fewer names takes a single pass. The
/// names are those the folder holds, whatever each is: a file is told from
/// the rest when it is opened.
class MessageFileLister {
 public:
  static constexpr std::size_t kDefaultBatchSize = 16384;

  /// REQUIRES: `folder` outlives the lister.
  explicit MessageFileLister(const Folder& folder, std::size_t batchSize = kDefaultBatchSize);

  /// Fills `names` with the next batch, in order; empty when every name has
  /// been handed out. When the folder cannot be listed, returns false with
  /// the reason in `error` and `names` empty.
  /// Each name comes with what the listing said it is (kUnknown where the
  /// file system does not say).
  bool next(std::vector<FolderEntry>& names, std::string& error);

 private:
  const Folder& folder_;
  std::size_t batchSize_;
  std::string last_;      // the last name handed out
  bool started_ = false;  // whether `last_` holds one
  bool finished_ = false;
};

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_INPUTS_DIRECTORY_LISTING_H_
