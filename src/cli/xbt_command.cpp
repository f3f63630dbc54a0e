#include "cli/xbt_command.h"

#include <CLI/CLI.hpp>
#include <sstream>

#include "cli/convert_command.h"
#include "cli/export_command.h"
#include "cli/info_command.h"
#include "cli/plot_command.h"

namespace xbtconv {

int runXbt(int argc, const char* const* argv, std::FILE* out, std::FILE* err) {
  CLI::App app(
      "XBT messages as data (JSON, CSV, BUFR, netCDF), the legacy reports, plots, and a quick "
      "look at each file.",
      "xbt");
  app.set_version_flag("--version", std::string("xbt ") + XBTCONV_VERSION);
  app.require_subcommand(1);

  ExportOptions exportOptions;
  CLI::App* exportCommand = app.add_subcommand(
      "export",
      "Write each message as a data file (NAME.json, NAME.csv, NAME.bufr or NAME.nc for "
      "NAME.bin).");
  exportCommand->add_option("--format", exportOptions.format, "json, csv, bufr or netcdf")
      ->required()
      ->check(CLI::IsMember({"json", "csv", "bufr", "netcdf"}));
  CLI::Option* directory = exportCommand->add_option(
      "-o,--output-dir", exportOptions.outputDirectory,
      "Folder for the data files (made when missing); default: beside each input");
  exportCommand
      ->add_flag("--stdout", exportOptions.toStandardOutput,
                 "All messages on standard output: JSON Lines, one CSV table, or BUFR messages "
                 "one after another")
      ->excludes(directory);
  exportCommand
      ->add_option("--collection", exportOptions.collection,
                   "netCDF: all messages in this one file (a CF ragged array of profiles) "
                   "instead of a file each")
      ->excludes(directory);
  exportCommand
      ->add_option("--sample-rate", exportOptions.sampleRateHz,
                   "Samples per second of full-resolution profiles, for their depths (default 10)")
      ->check(CLI::PositiveNumber);
  exportCommand->add_flag("--partial", exportOptions.partial,
                          "BUFR, netCDF: also export what was decoded of a message cut short or "
                          "corrupt (JSON and CSV always do, marked as not decoded)");
  BufrIdentification& bufr = exportOptions.bufr;
  exportCommand
      ->add_option("--centre", bufr.centre,
                   "BUFR: originating centre (WMO Common Code table C-11; default 65535, not set)")
      ->check(CLI::Range(0, 65535));
  exportCommand
      ->add_option("--subcentre", bufr.subcentre, "BUFR: originating subcentre (default 0)")
      ->check(CLI::Range(0, 65535));
  exportCommand
      ->add_option("--master-table-version", bufr.masterTableVersion,
                   "BUFR: WMO master table version (default " +
                       std::to_string(kLastBufrMasterTableVersion) + "; " +
                       std::to_string(kFirstBufrMasterTableVersion) + " to " +
                       std::to_string(kLastBufrMasterTableVersion) +
                       " give the XBT template the same layout)")
      ->check(CLI::Range(kFirstBufrMasterTableVersion, kLastBufrMasterTableVersion));
  exportCommand
      ->add_option("--local-table-version", bufr.localTableVersion,
                   "BUFR: local table version (default 0, no local tables)")
      ->check(CLI::Range(0, 254));
  exportCommand
      ->add_option("PATH", exportOptions.paths,
                   "Message files, and folders whose *.bin files are taken in name order")
      ->required();

  ConvertOptions convertOptions;
  CLI::App* convertCommand = app.add_subcommand(
      "convert", "Write the legacy report of each message (NAME.bin.srp), as xbtconv does.");
  convertCommand->add_option("-o,--output-dir", convertOptions.outputDirectory,
                             "Folder for the reports (made when missing, subfolders mirrored); "
                             "default: beside each input");
  convertCommand->add_flag("-r,--recursive", convertOptions.recursive,
                           "Take the *.bin files of subfolders too");
  convertCommand->add_flag("-q,--quiet", convertOptions.quiet,
                           "Name failures only: no skipped files, no summary");
  convertCommand->add_flag("-v,--verbose", convertOptions.verbose,
                           "Print each report written on standard output");
  convertCommand
      ->add_option("--progress", convertOptions.progress,
                   "A progress bar on standard error: auto (on a terminal), always or never")
      ->check(CLI::IsMember({"auto", "always", "never"}));
  convertCommand->add_option("PATH", convertOptions.paths, "Message files and folders")->required();

  PlotOptions plotOptions;
  CLI::App* plotCommand = app.add_subcommand(
      "plot",
      "Plot each message (NAME.svg: temperature against depth) and write an index.html of them "
      "all.");
  plotCommand->add_option("-o,--output-dir", plotOptions.outputDirectory,
                          "Folder for the plots and index.html (made when missing; default: the "
                          "current folder)");
  plotCommand
      ->add_option("--sample-rate", plotOptions.sampleRateHz,
                   "Samples per second of full-resolution profiles, for their depths (default 10)")
      ->check(CLI::PositiveNumber);
  plotCommand->add_option("PATH", plotOptions.paths, "Message files and folders")->required();

  std::vector<std::string> infoPaths;
  CLI::App* infoCommand = app.add_subcommand(
      "info",
      "One line per message file: name, kind, time, position, probe, layout, samples, "
      "status.");
  infoCommand->add_option("PATH", infoPaths, "Message files and folders")->required();

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
  if (exportCommand->parsed()) return runExport(exportOptions, out, err);
  if (convertCommand->parsed()) return runConvert(convertOptions, out, err);
  if (plotCommand->parsed()) return runPlot(plotOptions, out, err);
  return runInfo(infoPaths, out, err);
}

}  // namespace xbtconv
