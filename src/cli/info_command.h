// xbt info: one line per message file, tab-separated, for a quick look or a
// script: name, kind, time, position, probe, profile layout, samples and
// status ("ok", "failed at bit N", or why the file is no message). A
// column with no value shows "-".
#ifndef XBTCONV_CLI_INFO_COMMAND_H_
#define XBTCONV_CLI_INFO_COMMAND_H_

#include <cstdio>

#include "cli/run_options.h"

namespace xbtconv {

/// Describes the files `options` names; returns 1 when a decode stopped
/// early, a file given by name is no message or a PATH cannot be read,
/// else 0.
int runInfo(const RunOptions& options, std::FILE* out, std::FILE* err);

}  // namespace xbtconv

#endif  // XBTCONV_CLI_INFO_COMMAND_H_
