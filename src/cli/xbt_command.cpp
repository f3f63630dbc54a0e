#include "cli/xbt_command.h"

#include <CLI/CLI.hpp>
#include <algorithm>
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
                    writes ? "Take the *.bin files of subfolders too (mirrored under -o DIR)"
                           : "Take the *.bin files of subfolders too");
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

// Edits (insertions, deletions, substitutions) that turn `a` into `b`.
std::size_t editDistance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// "; did you mean 'export'?" for the nearest of `known`, when one is near.
std::string nearest(const std::string& word, const std::vector<std::string>& known) {
  std::string best;
  std::size_t distance = 3;  // farther is no typo
  for (const std::string& candidate : known) {
    const std::size_t d = editDistance(word, candidate);
    if (d < distance) {
      distance = d;
      best = candidate;
    }
  }
  return best.empty() ? "" : "; did you mean '" + best + "'?";
}

// The subcommand named `name`, or nullptr.
CLI::App* commandNamed(CLI::App& app, const std::string& name) {
  const std::vector<CLI::App*> found =
      app.get_subcommands([&name](CLI::App* command) { return command->get_name() == name; });
  return found.empty() ? nullptr : found.front();
}

// What the command line asks for that xbt does not know, said before the
// parser's own message (which names what it missed next, not the typo):
// an unknown command, or an option its command does not have. "" when
// all is known.
std::string unknownWords(CLI::App& app, int argc, const char* const* argv) {
  std::vector<std::string> commands;
  for (const CLI::App* command : app.get_subcommands([](CLI::App*) { return true; })) {
    commands.push_back(command->get_name());
  }
  CLI::App* command = nullptr;
  bool value = false;  // the word is the value of the option before it
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word == "--") break;
    if (command == nullptr) {
      if (word.starts_with("-")) continue;
      command = commandNamed(app, word);
      if (command == nullptr) {
        return "'" + word + "' is not an xbt command" + nearest(word, commands) +
               " (xbt --help lists them)";
      }
      continue;
    }
    if (value || !word.starts_with("-") || word == "-") {
      value = false;
      continue;
    }
    // A short option may carry its value ("-j2") or more flags ("-rq").
    const bool isLong = word.starts_with("--");
    const std::string name = isLong ? word.substr(0, word.find('=')) : word.substr(0, 2);
    if (name == "-h" || name == "--help") continue;
    if (const CLI::Option* option = command->get_option_no_throw(name)) {
      value = option->get_type_size() != 0 &&
              (isLong ? word.find('=') == std::string::npos : word.size() == 2);
      continue;
    }
    std::vector<std::string> options;
    for (const CLI::Option* option : command->get_options()) {
      for (const std::string& longName : option->get_lnames()) options.push_back("--" + longName);
    }
    return "xbt " + command->get_name() + " has no option '" + name + "'" + nearest(name, options) +
           " (xbt " + command->get_name() + " --help lists them)";
  }
  return "";
}

}  // namespace

int runXbt(int argc, const char* const* argv, std::FILE* out, std::FILE* err) {
  CLI::App app(
      "XBT messages as data (JSON, CSV, BUFR, netCDF), quality-controlled, the legacy "
      "reports, plots, and a quick look at each file.",
      "xbt");
  // A path such as /data/ship is a path on Windows too, not an option; the
  // subcommands take this setting from the app as they are added.
  app.allow_windows_style_options(false);
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
  std::string layout = "ragged";
  exportCommand
      ->add_option("--layout", layout,
                   "netCDF: ragged (a CF contiguous ragged array, the default) or incomplete "
                   "(profile by level, as NCEI's profile template asks)")
      ->check(CLI::IsMember({"ragged", "incomplete"}));
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
  // xbt help [COMMAND]: the same as xbt [COMMAND] --help.
  if (argc >= 2 && std::string(argv[1]) == "help") {
    CLI::App* command = argc >= 3 ? commandNamed(app, argv[2]) : nullptr;
    std::fputs((command != nullptr ? command->help() : app.help()).c_str(), out);
    return argc >= 3 && command == nullptr ? 2 : 0;
  }
  const std::string unknown = unknownWords(app, argc, argv);
  if (!unknown.empty()) {
    std::fprintf(err, "xbt: %s\n", unknown.c_str());
    return 2;
  }
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
  if (layout == "incomplete") exportOptions.netcdf.layout = NetcdfLayout::kIncomplete;
  plotOptions.qualityControl = !plotNoQc;
  if (exportCommand->parsed()) return runExport(exportOptions, out, err);
  if (convertCommand->parsed()) return runConvert(convertOptions, out, err);
  if (plotCommand->parsed()) return runPlot(plotOptions, out, err);
  if (qcCommand->parsed()) return runQc(qcOptions, out, err);
  return runInfo(infoOptions, out, err);
}

}  // namespace xbtconv
