// The message files a command line names: each PATH that is a directory
// gives its *.bin files (the same matching and order as xbtconv), and with
// `recursive` those of its subdirectories too, after its own files, in
// name order; any other PATH is taken as a message file by name. The
// difference matters for failures: a file given by name that is not a
// message is an error, one met while scanning a directory is only skipped.
#ifndef XBTCONV_PIPELINE_INPUT_FILES_H_
#define XBTCONV_PIPELINE_INPUT_FILES_H_

#include <functional>
#include <string>
#include <vector>

#include "pipeline/message_file.h"

namespace xbtconv {

struct InputFile {
  std::string path;       // as the file is opened
  std::string directory;  // the folder it lies in, as given ("" for the current one)
  std::string name;       // the file name alone
  std::string subfolder;  // its folder below the PATH scanned ("" at the top)
  bool givenByName = false;
  std::size_t argument = 0;  // which PATH gave it, from 0
};

/// Calls `visit` for each input file in order, until it returns false,
/// and `fail` with a path and a reason for each folder that cannot be
/// listed. Folders are listed in batches, so memory does not grow with
/// their size; links to folders are not followed.
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

#endif  // XBTCONV_PIPELINE_INPUT_FILES_H_
