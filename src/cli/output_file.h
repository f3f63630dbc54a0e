// Writing one output file whole. A write that fails removes what it wrote,
// and so does an interrupt (Ctrl-C, SIGTERM) in the middle of a write: a
// data file that is there is whole. On Windows the text goes to a
// temporary file that is renamed over the output.
#ifndef XBTCONV_CLI_OUTPUT_FILE_H_
#define XBTCONV_CLI_OUTPUT_FILE_H_

#include <string>
#include <string_view>

namespace xbtconv {

/// Writes `content` to `path`; on failure returns false with the reason in
/// `error` and leaves no partial file behind.
bool writeOutputFile(const std::string& path, std::string_view content, std::string& error);

/// `directory` and `name` joined, or `name` alone for an empty directory.
std::string outputPath(const std::string& directory, const std::string& name);

}  // namespace xbtconv

#endif  // XBTCONV_CLI_OUTPUT_FILE_H_
