// The folders a run writes its outputs in. The first time a run needs a
// folder it makes it where missing (with `sync`, flushing the folder above,
// so that the new folder survives a power loss), locks it for the rest of
// the run so that no two xbt runs write in one folder at once (the second
// refuses it, with the reason), opens its record (OutputRecord) and, unless
// the record says the last run there ended, removes the temporary files that
// a killed run left there. Windows has no such lock: there, runs into one
// folder must take turns.
#ifndef XBTCONV_PIPELINE_OUTPUT_FOLDERS_H_
#define XBTCONV_PIPELINE_OUTPUT_FOLDERS_H_

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "pipeline/output_record.h"

namespace xbtconv {

/// One folder a run writes in, ready: made, locked, cleared of what
/// interrupted runs left, its record open.
struct OutputFolder {
  std::string path;  // as the run names it; "" for the current folder
  OutputRecord record;
  std::mutex recordLock;  // appends come from any thread
  int lock = -1;          // the folder's open descriptor, which holds the lock
};

class OutputFolders {
 public:
  /// `sync`: flush new folders to disk. `loadRecords`: read what the records
  /// hold (for --update).
  OutputFolders(bool sync, bool loadRecords);
  ~OutputFolders();
  OutputFolders(const OutputFolders&) = delete;
  OutputFolders& operator=(const OutputFolders&) = delete;

  /// `folder` ready for writing; nullptr with the reason in `error` when it
  /// cannot be ("another xbt run is writing in out/"), the same reason each
  /// time it is asked for again.
  OutputFolder* prepare(const std::string& folder, std::string& error);

  /// The outputs the loaded records know whose inputs are gone (moved away
  /// or deleted), the outputs still there: each output's path and its
  /// input's, folder by folder, in name order.
  std::vector<std::pair<std::string, std::string>> lostInputs() const;

 private:
  struct Entry {
    std::unique_ptr<OutputFolder> folder;
    std::string error;
  };

  bool sync_;
  bool loadRecords_;
  std::map<std::string, Entry> folders_;  // by the folder's one spelling
  Entry* last_ = nullptr;                 // the folder asked for last
  std::string lastName_;                  // as it was asked for
};

/// Makes `folder` and the folders above it where missing; with `sync`,
/// flushes each new one's parent to disk. False, with the reason in
/// `error`, when it cannot. An empty `folder` is the current one.
bool makeOutputFolder(const std::string& folder, bool sync, std::string& error);

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_OUTPUT_FOLDERS_H_
