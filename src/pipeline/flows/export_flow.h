// xbt export's flow: each message as a data file (JSON, CSV, BUFR or
// netCDF) beside its input or in an output folder; or all of them on
// standard output as JSON Lines, one CSV table or BUFR messages one after
// another; or all in one netCDF collection. Every observation is
// quality-controlled first unless asked not to be. BUFR and netCDF take
// only what their receivers can use: a message cut short only with
// `partial`, one without a real time, a position or depths only with
// `keepIncomplete`.
#ifndef XBTCONV_PIPELINE_FLOWS_EXPORT_FLOW_H_
#define XBTCONV_PIPELINE_FLOWS_EXPORT_FLOW_H_

#include <cstdint>
#include <optional>
#include <string>

#include "pipeline/run/run_options.h"
#include "pipeline/run/run_report.h"
#include "xbtconv/formats.h"
#include "xbtconv/observation.h"
#include "xbtconv/version.h"

namespace xbtconv {

enum class ExportFormat { kJson, kCsv, kBufr, kNetcdf };

struct ExportOptions {
  RunOptions run;
  ExportFormat format = ExportFormat::kJson;
  bool toStandardOutput = false;
  /// netCDF: one file holding every message, instead of one per message.
  std::string collection;
  double sampleRateHz = kDefaultSampleRateHz;
  /// BUFR and netCDF leave out a message whose decode stopped early unless
  /// this is set.
  bool partial = false;
  /// BUFR and netCDF leave out a message without a usable time, position or
  /// depths unless this is set.
  bool keepIncomplete = false;
  bool qualityControl = true;
  /// Quality control's clock; none for the system's.
  std::optional<std::int64_t> now;
  BufrOptions bufr;
  NetcdfOptions netcdf{"xbt " XBTCONV_VERSION_TEXT " export --format netcdf", "", {}, ""};
};

/// The format's name on the command line ("json", "csv", "bufr", "netcdf").
const char* formatName(ExportFormat format);
/// The format's file extension (".json", ".csv", ".bufr", ".nc").
const char* formatExtension(ExportFormat format);

/// What the options ask that cannot be done together or in this build; ""
/// when all can be.
std::string exportUsageProblem(const ExportOptions& options);

/// Exports the messages `options` names; returns the exit status (0 all
/// exported, 1 any failure). A decode that stopped early is counted as a
/// failure; JSON and CSV still export it (with "decoded": false), BUFR and
/// netCDF only when `partial` is set. REQUIRES: exportUsageProblem is "".
int runExport(const ExportOptions& options, const RunReport& report);

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_FLOWS_EXPORT_FLOW_H_
