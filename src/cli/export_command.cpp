#include "cli/export_command.h"

#include <map>
#include <string_view>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "cli/console_report.h"
#include "cli/run_arguments.h"
#include "xbtconv/reading.h"

namespace xbtconv {
namespace {

constexpr ExportFormat kFormats[] = {ExportFormat::kJson, ExportFormat::kCsv, ExportFormat::kBufr,
                                     ExportFormat::kNetcdf};

std::string attributeProblem(const std::string& text) {
  const std::size_t equals = text.find('=');
  return equals == std::string::npos || equals == 0 ? "expected NAME=VALUE, not '" + text + "'"
                                                    : std::string();
}

}  // namespace

ExportCommand::ExportCommand(CLI::App& app)
    : command_(app.add_subcommand(
          "export",
          "Write each message as a data file (NAME.json, NAME.csv, NAME.bufr or NAME.nc for "
          "NAME.bin), quality-controlled.")) {
  CLI::App* c = command_;
  std::vector<std::string> formats;
  for (const ExportFormat format : kFormats) formats.emplace_back(formatName(format));
  c->add_option("--format", format_, "json, csv, bufr or netcdf, in any case")
      ->transform(oneOfWords(formats, "format"));
  addRunArguments(c, options_.run,
                  "Folder for the data files (made when missing); default: beside each input",
                  true);
  c->add_flag("--stdout", options_.toStandardOutput,
              "All messages on standard output: JSON Lines, one CSV table, or BUFR messages one "
              "after another")
      ->excludes("--output-dir");
  netcdfOnly_.push_back(c->add_option("--collection", options_.collection,
                                      "netCDF: all messages in this one file (a CF ragged array "
                                      "of profiles) instead of a file each")
                            ->excludes("--output-dir"));
  addSampleRateArgument(c, options_.sampleRateHz);
  receiversOnly_.push_back(c->add_flag(
      "--partial", options_.partial,
      "BUFR, netCDF: also export what was decoded of a message cut short or corrupt (JSON and "
      "CSV always do, marked as not decoded)"));
  receiversOnly_.push_back(
      c->add_flag("--keep-incomplete", options_.keepIncomplete,
                  "BUFR, netCDF: also export a message without a usable time, position or depths "
                  "(left out by default, as no one can use it)"));
  c->add_flag("--no-qc", noQc_, "No quality control: every flag 0 (no quality control done)");
  addNowArgument(c, options_.now);
  // The BUFR numbers, each checked by the library's range for it, in its
  // words.
  const std::map<std::string_view, std::string> bufrHelp = {
      {"centre", "BUFR: originating centre (WMO Common Code table C-11; default 65535, not set)"},
      {"subcentre", "BUFR: originating subcentre (default 0)"},
      {"subcategory",
       "BUFR: international data sub-category (Common Code table C-13; default 3, bathythermal "
       "observation)"},
      {"master-table-version", "BUFR: WMO master table version (default " +
                                   std::to_string(BufrOptions{}.masterTableVersion) +
                                   ", the newest ecCodes and wreport both read; " +
                                   std::to_string(kFirstBufrMasterTableVersion) + " to " +
                                   std::to_string(kLastBufrMasterTableVersion) +
                                   " give the XBT template the same layout)"},
      {"local-table-version", "BUFR: local table version (default 0, no local tables)"},
      {"update-sequence",
       "BUFR: update sequence number, 0 for the original, 1, 2 ... for corrections"},
  };
  for (const BufrOptionRange& range : kBufrOptionRanges) {
    bufrOnly_.push_back(
        c->add_option("--" + std::string(range.option), options_.bufr.*range.member,
                      bufrHelp.at(range.option))
            ->check(wholeNumber(range.first, range.last, [&range](const std::string& text) {
              return outOfRange(range, text);
            })));
  }
  netcdfOnly_.push_back(
      c->add_option("--attribute", attributes_,
                    "netCDF: a global attribute NAME=VALUE of your own, over the file's (repeat "
                    "for more: institution, creator_name, publisher_name, license, project ...)")
          ->check(CLI::Validator([](std::string& text) { return attributeProblem(text); },
                                 "NAME=VALUE", "attribute")));
  netcdfOnly_.push_back(
      c->add_option("--layout", layout_,
                    "netCDF: ragged (a CF contiguous ragged array, the default) or incomplete "
                    "(profile by level, as NCEI's profile template asks)")
          ->transform(oneOfWords({"ragged", "incomplete"}, "layout")));
  netcdfOnly_.push_back(
      c->add_option("--date-created", dateCreated_,
                    "netCDF: the date_created attribute, an ISO 8601 time or 'now' (default: "
                    "none, so that the same messages give the same files)")
          ->check(CLI::Validator(
              [](std::string& text) { return text == "now" ? std::string() : timeProblem(text); },
              "ISO-TIME|now", "date")));
}

std::string ExportCommand::usageProblem() {
  if (format_.empty()) {
    return "export needs --format json, csv, bufr or netcdf (xbt export --help says more)";
  }
  for (const ExportFormat format : kFormats) {
    if (format_ == formatName(format)) options_.format = format;
  }
  const ExportFormat format = options_.format;
  const auto given = [](const std::vector<CLI::Option*>& options) -> std::string {
    for (const CLI::Option* option : options) {
      if (option->count() > 0) return option->get_name();
    }
    return "";
  };
  if (const std::string name = given(bufrOnly_); !name.empty() && format != ExportFormat::kBufr) {
    return name + " is for --format bufr only";
  }
  if (const std::string name = given(netcdfOnly_);
      !name.empty() && format != ExportFormat::kNetcdf) {
    return name + " is for --format netcdf only";
  }
  if (const std::string name = given(receiversOnly_);
      !name.empty() && format != ExportFormat::kBufr && format != ExportFormat::kNetcdf) {
    return name + " is for --format bufr and netcdf only (JSON and CSV export every message)";
  }
  return exportUsageProblem(options_);
}

int ExportCommand::run(std::FILE* out, std::FILE* err) {
  if (const std::string problem = usageProblem(); !problem.empty()) {
    std::fprintf(err, "xbt: %s\n", problem.c_str());
    return 2;
  }
  options_.qualityControl = !noQc_;
  for (const std::string& attribute : attributes_) {
    const std::size_t equals = attribute.find('=');
    options_.netcdf.attributes.emplace_back(attribute.substr(0, equals),
                                            attribute.substr(equals + 1));
  }
  if (layout_ == "incomplete") options_.netcdf.layout = NetcdfLayout::kIncomplete;
  if (!dateCreated_.empty()) {
    const std::int64_t created = dateCreated_ == "now" ? systemTime() : *parseTime(dateCreated_);
    options_.netcdf.dateCreated = timeText(created);
  }
#ifdef _WIN32
  // BUFR is binary: no line-end translation on its way out.
  if (options_.toStandardOutput && options_.format == ExportFormat::kBufr) {
    _setmode(_fileno(out), _O_BINARY);
  }
#endif
  ConsoleReport console(out, err);
  return console.finish(runExport(options_, console.report()));
}

}  // namespace xbtconv
