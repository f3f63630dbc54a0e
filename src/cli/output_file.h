// Writing one output file whole. A write that fails removes what it wrote,
// and so does an interrupt (Ctrl-C, SIGTERM) in the middle of a write.
// Written in place, the output is then gone rather than half there; written
// by rename, the text goes to a temporary file beside the output that is
// renamed over it, so the earlier file stays until the new one is whole.
// On Windows every output is written by rename.
#ifndef XBTCONV_CLI_OUTPUT_FILE_H_
#define XBTCONV_CLI_OUTPUT_FILE_H_

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "driver/report_file.h"

namespace xbtconv {

enum class Replace { kInPlace, kByRename };

/// Writes what `produce` hands its sink to `path`; on failure returns false
/// with the reason in `error` and leaves no partial file behind.
bool writeOutputFile(const std::string& path, const ReportProducer& produce, Replace replace,
                     std::string& error);
/// The same for a text made beforehand, written in place.
bool writeOutputFile(const std::string& path, std::string_view content, std::string& error);
/// For libraries that write files themselves: `write` makes the output at
/// the temporary path it is given (beside `path`), returning false with the
/// reason in its second argument; the file is then renamed over `path`.
bool writeOutputFileBy(const std::string& path,
                       const std::function<bool(const std::string&, std::string&)>& write,
                       std::string& error);

/// Makes `folder` and the folders above it where missing; false, with the
/// reason said on `err`, when it cannot. An empty `folder` is the current one.
bool makeOutputFolder(const std::string& folder, std::FILE* err);

/// `directory` and `name` joined, or `name` alone for an empty directory.
std::string outputPath(const std::string& directory, const std::string& name);

}  // namespace xbtconv

#endif  // XBTCONV_CLI_OUTPUT_FILE_H_
