// xbt export: each message as a data file (JSON, CSV, BUFR or netCDF) beside
// its input or in an output folder; or all of them on standard output as
// JSON Lines, one CSV table or BUFR messages one after another, or in one
// netCDF collection. Every observation is quality-controlled first unless
// asked not to be.
#ifndef XBTCONV_CLI_EXPORT_COMMAND_H_
#define XBTCONV_CLI_EXPORT_COMMAND_H_

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "cli/run_options.h"
#include "xbtconv/formats.h"
#include "xbtconv/observation.h"
#include "xbtconv/version.h"

namespace xbtconv {

struct ExportOptions {
  RunOptions run;
  std::string format = "json";  // "json", "csv", "bufr" or "netcdf"
  bool toStandardOutput = false;
  /// netCDF: one file holding every message, instead of one per message.
  std::string collection;
  double sampleRateHz = kDefaultSampleRateHz;
  /// Formats that hold only good data (BUFR, netCDF) leave out a message
  /// whose decode stopped early unless this is set.
  bool partial = false;
  /// BUFR and netCDF leave out a message without a usable time, position or
  /// depths unless this is set.
  bool keepIncomplete = false;
  bool qualityControl = true;
  /// Quality control's clock; none for the system's.
  std::optional<std::int64_t> now;
  BufrOptions bufr;
  NetcdfOptions netcdf{"xbt " XBTCONV_VERSION_TEXT " export --format netcdf",
                       "",
                       {},
                       "",
                       NetcdfLayout::kContiguousRagged};
};

/// Exports the messages `options` names; returns the exit status (0 all
/// exported, 1 any failure, 2 when the options cannot go together or this
/// build lacks the format). A decode that stopped early is counted as a
/// failure; JSON and CSV still export it (with "decoded": false), BUFR and
/// netCDF only when `partial` is set.
int runExport(const ExportOptions& options, std::FILE* out, std::FILE* err);

}  // namespace xbtconv

#endif  // XBTCONV_CLI_EXPORT_COMMAND_H_
