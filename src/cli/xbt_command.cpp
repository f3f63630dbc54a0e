#include "cli/xbt_command.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <sstream>

#include "cli/convert_command.h"
#include "cli/export_command.h"
#include "cli/info_command.h"
#include "cli/plot_command.h"
#include "cli/qc_command.h"
#include "formats/bufr_export.h"
#include "profile/utc_time.h"
#include "xbtconv/version.h"

namespace xbtconv {
namespace {

// A sampling rate: a finite number above zero.
std::string checkRate(const std::string& text) {
  char* end = nullptr;
  const double rate = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || *end != '\0' || !std::isfinite(rate) || rate <= 0) {
    return "a sampling rate is a number of samples per second above 0, not '" + text + "'";
  }
  return "";
}

// Quality control's clock: an ISO 8601 UTC time.
std::string checkTime(const std::string& text) {
  if (parseIsoTime(text)) return "";
  return "expected a UTC time such as 2026-03-14T06:05:00Z, not '" + text + "'";
}

// The options every command that takes inputs has, with the same meaning.
void addRunOptions(CLI::App* command, RunOptions& run, const char* outputs, bool writes) {
  command
      ->add_option("PATH", run.paths,
                   "Message files, and folders whose *.bin files are taken in name order")
      ->required();
  command->add_flag("-r,--recursive", run.recursive,
                    "Take the *.bin files of subfolders too (mirrored under -o DIR)");
  command->add_flag("-q,--quiet", run.quiet, "Name failures only: no skipped files, no summary");
  command->add_option("-j,--jobs", run.jobs, "Threads to run on (default: one per core)")
      ->check(CLI::Range(1, 1024));
  if (!writes) return;
  command->add_option("-o,--output-dir", run.outputDirectory, outputs);
  command->add_flag("--update", run.update,
                    "Pass over inputs whose outputs exist and are not older than them (nor "
                    "made with other options)");
  command->add_flag("--sync", run.sync,
                    "Flush each output and its folder to disk before going on (slower; for "
                    "power loss)");
}

void addQcOptions(CLI::App* command, std::optional<std::int64_t>& now, std::string& nowText) {
  command
      ->add_option("--now", nowText,
                   "Quality control's clock, an ISO 8601 UTC time: no observation may be later "
                   "(default: the system clock)")
      ->check(CLI::Validator([](std::string& text) { return checkTime(text); }, "ISO-TIME",
                             "ISO time"));
  command->callback([&now, &nowText] {
    if (!nowText.empty()) now = parseIsoTime(nowText);
  });
}

void addSampleRate(CLI::App* command, double& rate) {
  command
      ->add_option("--sample-rate", rate,
                   "Samples per second of full-resolution profiles, for their depths (default 10)")
      ->check(CLI::Validator([](std::string& text) { return checkRate(text); }, "HZ", "rate"));
}

}  // namespace

int runXbt(int argc, const char* const* argv, std::FILE* out, std::FILE* err) {
  CLI::App app(
      "XBT messages as data (JSON, CSV, BUFR, netCDF), quality-controlled, the legacy "
      "reports, plots, and a quick look at each file.",
      "xbt");
  app.set_version_flag("--version", std::string("xbt ") + XBTCONV_VERSION_TEXT);
  app.require_subcommand(1);

  ExportOptions exportOptions;
  std::string exportNow;
  CLI::App* exportCommand = app.add_subcommand(
      "export",
      "Write each message as a data file (NAME.json, NAME.csv, NAME.bufr or NAME.nc for "
      "NAME.bin), quality-controlled.");
  exportCommand->add_option("--format", exportOptions.format, "json, csv, bufr or netcdf")
      ->required()
      ->check(CLI::IsMember({"json", "csv", "bufr", "netcdf"}));
  addRunOptions(exportCommand, exportOptions.run,
                "Folder for the data files (made when missing); default: beside each input", true);
  exportCommand
      ->add_flag("--stdout", exportOptions.toStandardOutput,
                 "All messages on standard output: JSON Lines, one CSV table, or BUFR messages "
                 "one after another")
      ->excludes("--output-dir");
  exportCommand
      ->add_option("--collection", exportOptions.collection,
                   "netCDF: all messages in this one file (a CF ragged array of profiles) "
                   "instead of a file each")
      ->excludes("--output-dir");
  addSampleRate(exportCommand, exportOptions.sampleRateHz);
  exportCommand->add_flag("--partial", exportOptions.partial,
                          "BUFR, netCDF: also export what was decoded of a message cut short or "
                          "corrupt (JSON and CSV always do, marked as not decoded)");
  exportCommand->add_flag("--keep-incomplete", exportOptions.keepIncomplete,
                          "BUFR, netCDF: also export a message without a usable time, position "
                          "or depths (left out by default, as no one can use it)");
  bool noQc = false;
  exportCommand->add_flag("--no-qc", noQc,
                          "No quality control: every flag 0 (no quality control done)");
  addQcOptions(exportCommand, exportOptions.now, exportNow);
  BufrOptions& bufr = exportOptions.bufr;
  exportCommand
      ->add_option("--centre", bufr.centre,
                   "BUFR: originating centre (WMO Common Code table C-11; default 65535, not set)")
      ->check(CLI::Range(0, 65535));
  exportCommand
      ->add_option("--subcentre", bufr.subcentre, "BUFR: originating subcentre (default 0)")
      ->check(CLI::Range(0, 65535));
  exportCommand
      ->add_option("--subcategory", bufr.subcategory,
                   "BUFR: international data sub-category (Common Code table C-13; default 3, "
                   "bathythermal observation)")
      ->check(CLI::Range(0, 254));
  exportCommand
      ->add_option("--master-table-version", bufr.masterTableVersion,
                   "BUFR: WMO master table version (default " +
                       std::to_string(BufrOptions{}.masterTableVersion) +
                       ", the newest ecCodes and wreport both read; " +
                       std::to_string(kFirstBufrMasterTableVersion) + " to " +
                       std::to_string(kLastBufrMasterTableVersion) +
                       " give the XBT template the same layout)")
      ->check(CLI::Range(kFirstBufrMasterTableVersion, kLastBufrMasterTableVersion));
  exportCommand
      ->add_option("--update-sequence", bufr.updateSequence,
                   "BUFR: update sequence number, 0 for the original, 1, 2 ... for corrections")
      ->check(CLI::Range(0, 254));
  exportCommand
      ->add_option("--local-table-version", bufr.localTableVersion,
                   "BUFR: local table version (default 0, no local tables)")
      ->check(CLI::Range(0, 254));
  std::vector<std::string> attributes;
  exportCommand
      ->add_option("--attribute", attributes,
                   "netCDF: a global attribute NAME=VALUE of your own, over the file's (repeat "
                   "for more: institution, creator_name, publisher_name, license, project ...)")
      ->check(CLI::Validator(
          [](std::string& text) {
            const std::size_t equals = text.find('=');
            return equals == std::string::npos || equals == 0
                       ? "expected NAME=VALUE, not '" + text + "'"
                       : std::string();
          },
          "NAME=VALUE", "attribute"));
  std::string dateCreated;
  exportCommand
      ->add_option("--date-created", dateCreated,
                   "netCDF: the date_created attribute, an ISO 8601 UTC time or 'now' (default: "
                   "none, so that the same messages give the same files)")
      ->check(CLI::Validator(
          [](std::string& text) { return text == "now" ? std::string() : checkTime(text); },
          "ISO-TIME|now", "date"));

  ConvertOptions convertOptions;
  CLI::App* convertCommand = app.add_subcommand(
      "convert", "Write the legacy report of each message (NAME.bin.srp), as xbtconv does.");
  addRunOptions(convertCommand, convertOptions.run,
                "Folder for the reports (made when missing, subfolders mirrored); default: "
                "beside each input",
                true);
  convertCommand->add_flag("-v,--verbose", convertOptions.verbose,
                           "Print each report written on standard output");
  convertCommand
      ->add_option("--progress", convertOptions.progress,
                   "A progress bar on standard error: auto (on a terminal), always or never")
      ->check(CLI::IsMember({"auto", "always", "never"}));

  PlotOptions plotOptions;
  std::string plotNow;
  bool plotNoQc = false;
  CLI::App* plotCommand = app.add_subcommand(
      "plot",
      "Plot each message (NAME.svg: temperature against depth, flagged samples marked) and "
      "write an index.html of them all.");
  addRunOptions(plotCommand, plotOptions.run,
                "Folder for the plots and index.html (made when missing; default: the current "
                "folder)",
                true);
  addSampleRate(plotCommand, plotOptions.sampleRateHz);
  plotCommand->add_flag("--no-qc", plotNoQc, "No quality control: no sample marked");
  addQcOptions(plotCommand, plotOptions.now, plotNow);

  QcOptions qcOptions;
  std::string qcNow;
  CLI::App* qcCommand = app.add_subcommand(
      "qc",
      "Quality-control each message: one line per file with its profile flag, the samples "
      "flagged 3 and 4, and the tests that flagged them.");
  addRunOptions(qcCommand, qcOptions.run, "", false);
  addSampleRate(qcCommand, qcOptions.sampleRateHz);
  addQcOptions(qcCommand, qcOptions.now, qcNow);

  RunOptions infoOptions;
  CLI::App* infoCommand = app.add_subcommand(
      "info",
      "One line per message file: name, kind, time, position, probe, layout, samples, "
      "status.");
  addRunOptions(infoCommand, infoOptions, "", false);

  std::ostringstream help;
  std::ostringstream problems;
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const int code = app.exit(error, help, problems);
    std::fputs(help.str().c_str(), out);
    std::fputs(problems.str().c_str(), err);
    // Help and the version are what was asked for; anything else is a
    // usage error.
    return code == 0 ? 0 : 2;
  }
  exportOptions.qualityControl = !noQc;
  for (const std::string& attribute : attributes) {
    const std::size_t equals = attribute.find('=');
    exportOptions.netcdf.attributes.emplace_back(attribute.substr(0, equals),
                                                 attribute.substr(equals + 1));
  }
  if (!dateCreated.empty()) {
    exportOptions.netcdf.dateCreated =
        isoTime(dateCreated == "now" ? currentUtcSeconds() : *parseIsoTime(dateCreated));
  }
  plotOptions.qualityControl = !plotNoQc;
  if (exportCommand->parsed()) return runExport(exportOptions, out, err);
  if (convertCommand->parsed()) return runConvert(convertOptions, out, err);
  if (plotCommand->parsed()) return runPlot(plotOptions, out, err);
  if (qcCommand->parsed()) return runQc(qcOptions, out, err);
  return runInfo(infoOptions, out, err);
}

}  // namespace xbtconv
