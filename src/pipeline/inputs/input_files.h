// The message files a command line names: each PATH that is a directory
// gives its *.bin files (the same matching and order as xbtconv), and with
// `recursive` those of its subdirectories too, after its own files, in
// name order; any other PATH is taken as a message file by name. The
// difference matters for failures: a file given by name that is not a
// message is an error, one met while scanning a directory is only skipped.
//
// A folder is opened once, by descriptor (Folder), and its files are read
// and its outputs written through that descriptor: a folder renamed, or
// swapped for a link, while a run works in it leads the run nowhere else.
// Subfolders are opened without following links, and a link met in a
// folder is not read (a link a user names on the command line is).
#ifndef XBTCONV_PIPELINE_INPUTS_INPUT_FILES_H_
#define XBTCONV_PIPELINE_INPUTS_INPUT_FILES_H_

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "pipeline/inputs/message_file.h"
#include "pipeline/outputs/folder.h"

namespace xbtconv {

struct InputFile {
  std::string path;       // as the file is opened
  std::string directory;  // the folder it lies in, as given ("" for the current one)
  std::string name;       // the file name alone
  std::string subfolder;  // its folder below the PATH scanned ("" at the top)
  bool givenByName = false;
  std::size_t argument = 0;  // which PATH gave it, from 0
  /// The folder it was met in, open; none for a file given by name.
  std::shared_ptr<const Folder> folder;
  /// What the folder's listing said it is.
  EntryType listed = EntryType::kUnknown;

  /// Where it is read from.
  FileToLoad location() const { return {folder.get(), name, path, listed}; }
  /// Its identity as it is now, read as it is read; none when it is no
  /// regular file.
  std::optional<FileIdentity> identity() const {
    return folder ? folder->fileIdentity(name) : identityOf(path);
  }
};

/// Calls `visit` for each input file in order, until it returns false,
/// and `fail` with a path and a reason for each folder that cannot be
/// listed. Folders are listed in batches, so memory does not grow with
/// their size; links to folders are not followed below a PATH.
void forEachInputFile(const std::vector<std::string>& paths, bool recursive,
                      const std::function<bool(const InputFile&)>& visit,
                      const std::function<void(const std::string&, const std::string&)>& fail);

/// The folder each of `paths` stands for: a folder itself, a file the
/// folder it lies in ("" for the current one).
std::vector<std::string> givenFolders(const std::vector<std::string>& paths);

/// Whether `input`, which did not load for `failure`, is only passed over:
/// a scan meets all sorts of *.bin entries, and only what cannot be read
/// is worth a failure there. A file given by name always is one.
bool passedOver(const InputFile& input, LoadFailure failure);

/// How many input files `paths` names (folders that cannot be listed
/// count nothing): for a progress bar's total.
std::size_t countInputFiles(const std::vector<std::string>& paths, bool recursive);

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_INPUTS_INPUT_FILES_H_
