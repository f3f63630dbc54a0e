// xbt convert: the legacy reports, byte for byte as xbtconv writes them
// (NAME.bin.srp), with the habits of a batch tool: reasons for whatever is
// not converted, a summary, an exit status, an output folder, subfolders,
// a progress bar on a terminal, and reports replaced whole or not at all.
#ifndef XBTCONV_CLI_CONVERT_COMMAND_H_
#define XBTCONV_CLI_CONVERT_COMMAND_H_

#include <cstdio>
#include <string>

#include "cli/run_options.h"

namespace xbtconv {

struct ConvertOptions {
  RunOptions run;
  bool verbose = false;           // each report written, on standard output
  std::string progress = "auto";  // "auto", "always" or "never"
};

/// Converts the messages `options` names; returns the exit status (0 all
/// converted, 1 any failure). A message whose decode stopped early still
/// gets its report, as from xbtconv, and counts as a failure.
int runConvert(const ConvertOptions& options, std::FILE* out, std::FILE* err);

}  // namespace xbtconv

#endif  // XBTCONV_CLI_CONVERT_COMMAND_H_
