// xbt info: one line per message file, tab-separated, for a quick look or a
// script: name, kind, time, position, probe, profile layout, samples and
// status ("ok", "failed at bit N", or why the file is no message). A
// column with no value shows "-".
#ifndef XBTCONV_CLI_INFO_COMMAND_H_
#define XBTCONV_CLI_INFO_COMMAND_H_

#include <cstdio>
#include <string>
#include <vector>

namespace xbtconv {

/// Describes the files `paths` name; returns 1 when a file given by name is
/// no message or a PATH cannot be read, else 0 (a message that fails to
/// decode is described, not an error).
int runInfo(const std::vector<std::string>& paths, std::FILE* out, std::FILE* err);

}  // namespace xbtconv

#endif  // XBTCONV_CLI_INFO_COMMAND_H_
