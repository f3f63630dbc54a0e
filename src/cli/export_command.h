// xbt export: each message as a data file (JSON or CSV) beside its input or
// in an output folder, or all of them on standard output as JSON Lines or
// one CSV table.
#ifndef XBTCONV_CLI_EXPORT_COMMAND_H_
#define XBTCONV_CLI_EXPORT_COMMAND_H_

#include <cstdio>
#include <string>
#include <vector>

#include "profile/observation.h"

namespace xbtconv {

struct ExportOptions {
  std::string format = "json";  // "json" or "csv"
  std::string outputDirectory;  // "" for beside each input
  bool toStandardOutput = false;
  double sampleRateHz = kDefaultSampleRateHz;
  std::vector<std::string> paths;
};

/// Exports the messages `options` names; returns the exit status (0 all
/// exported, 1 any failure). A decode that stopped early is still exported
/// (with "decoded": false) and counted as a failure.
int runExport(const ExportOptions& options, std::FILE* out, std::FILE* err);

}  // namespace xbtconv

#endif  // XBTCONV_CLI_EXPORT_COMMAND_H_
