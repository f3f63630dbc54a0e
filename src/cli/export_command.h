// xbt export: each message as a data file (JSON, CSV, BUFR or netCDF) beside
// its input or in an output folder; or all of them on standard output as
// JSON Lines, one CSV table or BUFR messages one after another, or in one
// netCDF collection.
#ifndef XBTCONV_CLI_EXPORT_COMMAND_H_
#define XBTCONV_CLI_EXPORT_COMMAND_H_

#include <cstdio>
#include <string>
#include <vector>

#include "export/bufr_export.h"
#include "profile/observation.h"

namespace xbtconv {

struct ExportOptions {
  std::string format = "json";  // "json", "csv", "bufr" or "netcdf"
  std::string outputDirectory;  // "" for beside each input
  bool toStandardOutput = false;
  /// netCDF: one file holding every message, instead of one per message.
  std::string collection;
  double sampleRateHz = kDefaultSampleRateHz;
  /// Formats that hold only good data (BUFR) leave out a message whose
  /// decode stopped early unless this is set.
  bool partial = false;
  BufrIdentification bufr;
  std::vector<std::string> paths;
};

/// Exports the messages `options` names; returns the exit status (0 all
/// exported, 1 any failure, 2 when the options cannot go together or this
/// build lacks the format). A decode that stopped early is counted as a
/// failure; JSON and CSV still export it (with "decoded": false), BUFR and
/// netCDF only when `partial` is set.
int runExport(const ExportOptions& options, std::FILE* out, std::FILE* err);

}  // namespace xbtconv

#endif  // XBTCONV_CLI_EXPORT_COMMAND_H_
