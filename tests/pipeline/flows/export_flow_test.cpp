// Export runs in process, as an operator meets them: --update that says
// again what a full run said and redoes whatever differs from the record,
// -q that says failures only, and a collection that says when it was not
// written.
#include "pipeline/flows/export_flow.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>

#include "pipeline/inputs/directory_listing.h"
#include "support/captured_report.h"
#include "support/message_builder.h"
#include "support/temp_directory.h"
#include "xbtconv/formats.h"

namespace xbtconv {
namespace {

namespace fs = std::filesystem;
using testing::CapturedReport;
using testing::TempDirectory;

// A drop whose first temperature, in degrees, is also its minute: each a
// drop of its own.
std::vector<std::uint8_t> message(std::uint64_t firstTemperature = 2400) {
  testing::StandardFields fields;
  fields.header.minute = firstTemperature / 100;
  fields.temperatures = {firstTemperature, 2300, 2200};
  return testing::standardMessage(fields);
}

// The path of input `name` as a run names it.
std::string input(const TempDirectory& directory, const char* name) {
  return joinPath(directory.file("in"), name);
}

// A folder of two good messages, one cut short and a text file.
void fill(const TempDirectory& directory) {
  fs::create_directories(directory.file("in"));
  directory.write("in/a.bin", message());
  directory.write("in/b.bin", message(2000));
  directory.write("in/c.bin", testing::cutAt(message(2100), 60));
  directory.write("in/d.bin", std::string("a text file, no message"));
}

struct Said {
  int status;
  std::string out;
  std::string err;
};

Said exportWith(ExportOptions options) {
  options.now = 1796083200;  // 2026-12-01
  options.run.jobs = 1;
  CapturedReport captured;
  const int status = runExport(options, captured.report);
  return {status, captured.out, captured.err};
}

ExportOptions jsonInto(const TempDirectory& directory, bool update) {
  ExportOptions options;
  options.run.paths = {directory.file("in")};
  options.run.outputDirectory = directory.file("out");
  options.run.update = update;
  return options;
}

TEST(ExportFlow, UpdateSaysAgainWhatTheFullRunSaid) {
  TempDirectory directory;
  fill(directory);
  const Said full = exportWith(jsonInto(directory, false));
  EXPECT_EQ(full.status, 1);
  const std::string cutShort = "xbt: " + input(directory, "c.bin") +
                               ": decode stopped at bit 478 of 480 (cut short); written with "
                               "\"decoded\": false\n";
  EXPECT_EQ(full.err,
            cutShort + "xbt: " + input(directory, "d.bin") +
                ": not a message\n"
                "xbt: exported 2, failed 1 (written with \"decoded\": false), skipped 1\n");
  const Said again = exportWith(jsonInto(directory, true));
  EXPECT_EQ(again.status, 1);
  const std::string upToDate =
      ": not a message\n"
      "xbt: exported 0, failed 1 (written with \"decoded\": false), skipped 1, up to date 2\n";
  EXPECT_EQ(again.err, cutShort + "xbt: " + input(directory, "d.bin") + upToDate);
  // CSV has no "decoded" field: it says so in words of its own, the same
  // for the input and in the summary.
  ExportOptions csv = jsonInto(directory, false);
  csv.format = ExportFormat::kCsv;
  csv.run.outputDirectory = directory.file("csv");
  const Said table = exportWith(csv);
  EXPECT_NE(table.err.find("(cut short); written as far as it was decoded\n"), std::string::npos);
  EXPECT_NE(table.err.find("failed 1 (written as far as it was decoded)"), std::string::npos)
      << table.err;
  // The record names no machine's path: moved with the inputs, the outputs
  // are as current.
  EXPECT_EQ(directory.read("out/.xbt-record").find(directory.path()), std::string::npos);
  fs::create_directory(directory.file("moved"));
  for (const char* folder : {"in", "out"}) {
    fs::rename(directory.file(folder), directory.file("moved/" + std::string(folder)));
  }
  ExportOptions moved = jsonInto(directory, true);
  moved.run.paths = {directory.file("moved/in")};
  moved.run.outputDirectory = directory.file("moved/out");
  EXPECT_NE(exportWith(moved).err.find(upToDate), std::string::npos);
}

TEST(ExportFlow, UpdateRedoesWhatDiffersFromTheRecord) {
  TempDirectory directory;
  fill(directory);
  exportWith(jsonInto(directory, false));
  const std::string made = directory.read("out/b.json");
  // An input replaced by another of an earlier date (mv, rsync -a, cp -p).
  const auto time = fs::last_write_time(input(directory, "b.bin"));
  directory.write("in/b.bin", message(1000));
  fs::last_write_time(input(directory, "b.bin"), time - std::chrono::hours(24));
  // An output changed since it was made, and a folder where an output was.
  directory.write("out/a.json", std::string("edited"));
  fs::remove(directory.file("out/c.json"));
  fs::create_directory(directory.file("out/c.json"));
  Said run = exportWith(jsonInto(directory, true));
  EXPECT_NE(run.err.find("c.json: Is a directory"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("xbt: exported 2, failed 1, skipped 1\n"), std::string::npos) << run.err;
  EXPECT_NE(directory.read("out/b.json"), made);
  EXPECT_EQ(directory.read("out/a.json").rfind("{\"source\":\"a.bin\"", 0), 0u);
  // Other options make other outputs.
  ExportOptions noQc = jsonInto(directory, true);
  noQc.qualityControl = false;
  run = exportWith(noQc);
  EXPECT_NE(run.err.find("xbt: exported 2,"), std::string::npos) << run.err;
  EXPECT_NE(exportWith(noQc).err.find("up to date 2"), std::string::npos);
  // No side file looks like data: only the outputs end in .json.
  for (const auto& entry : fs::directory_iterator(directory.file("out"))) {
    if (entry.path().extension() == ".json") {
      EXPECT_TRUE(entry.is_regular_file() || entry.path().filename() == "c.json");
      EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
    }
  }
}

// A message dated ahead of the run's clock is flagged by how far ahead it
// is, which the clock changes: --update makes its output again, and passes
// over the others. (It kept the time flag 4 that a fresh run no longer
// gave.)
TEST(ExportFlow, UpdateRedoesWhatTheClockMayChange) {
  TempDirectory directory;
  fs::create_directories(directory.file("in"));
  directory.write("in/a.bin", message());
  const std::time_t ahead = std::time(nullptr) + 24 * 3600 + 120;
  std::tm when{};
#ifdef _WIN32
  gmtime_s(&when, &ahead);
#else
  gmtime_r(&ahead, &when);
#endif
  testing::StandardFields fields;
  fields.temperatures = {2400, 2300};
  fields.header.year = static_cast<std::uint64_t>(when.tm_year + 1900);
  fields.header.month = static_cast<std::uint64_t>(when.tm_mon + 1);
  fields.header.day = static_cast<std::uint64_t>(when.tm_mday);
  fields.header.hour = static_cast<std::uint64_t>(when.tm_hour);
  fields.header.minute = static_cast<std::uint64_t>(when.tm_min);
  directory.write("in/b.bin", testing::standardMessage(fields));
  ExportOptions options = jsonInto(directory, false);
  CapturedReport full;
  runExport(options, full.report);
  options.run.update = true;
  CapturedReport again;
  runExport(options, again.report);
  EXPECT_EQ(again.err, "xbt: exported 1, failed 0, skipped 0, up to date 1\n");
}

TEST(ExportFlow, QuietSaysFailuresOnly) {
  TempDirectory directory;
  fill(directory);
  ExportOptions options = jsonInto(directory, false);
  options.format = ExportFormat::kBufr;
  options.toStandardOutput = true;
  options.run.outputDirectory.clear();
  options.run.quiet = true;
  // A launch height BUFR cannot hold: a warning, which -q does not say.
  testing::ExtendedFields fields;
  fields.launchHeight = 8000;
  fields.temperatures = {2400};
  directory.write("in/e.bin", testing::extendedMessage(fields));
  const Said run = exportWith(options);
  EXPECT_EQ(run.err, "xbt: " + input(directory, "c.bin") +
                         ": decode stopped at bit 478 of 480 (cut short); not exported (--partial "
                         "exports what was decoded)\n");
  options.run.quiet = false;
  EXPECT_NE(exportWith(options).err.find("warning: encoded as missing"), std::string::npos);
}

// A direction of 510 degrees is what a field can hold, not what a drop can
// measure: no value, and said.
TEST(ExportFlow, ImpossibleSurfaceValuesAreNoValueAndSaid) {
  TempDirectory directory;
  fs::create_directories(directory.file("in"));
  testing::StandardFields fields;
  fields.windDirection = 510;
  fields.dryBulb = 0;  // 0 K
  fields.temperatures = {2400};
  directory.write("in/a.bin", testing::standardMessage(fields));
  ExportOptions options = jsonInto(directory, false);
  const Said run = exportWith(options);
  EXPECT_EQ(run.err.substr(0, run.err.find("xbt: exported")),
            "xbt: " + input(directory, "a.bin") +
                ": warning: out of range, taken as no value: wind direction 510 degrees, air "
                "temperature -273.15 C\n");
  const std::string json = directory.read("out/a.json");
  EXPECT_NE(json.find("\"wind_direction_deg\":null"), std::string::npos) << json;
  EXPECT_NE(json.find("\"air_temperature_c\":null"), std::string::npos);
  EXPECT_EQ(run.status, 0) << "a warning is no failure";
}

#ifndef _WIN32
TEST(ExportFlow, CollectionSaysWhenItIsNotWrittenAndKnowsItsInputs) {
  if (!netcdfAvailable()) GTEST_SKIP() << "no netCDF in this build";
  TempDirectory directory;
  fill(directory);
  ExportOptions options = jsonInto(directory, false);
  options.format = ExportFormat::kNetcdf;
  options.run.outputDirectory.clear();
  // A collection cannot replace an input, and says so before any is read.
  options.collection = input(directory, "a.bin");
  EXPECT_NE(exportUsageProblem(options).find("would replace an input"), std::string::npos);
  directory.write("file", std::string("a file"));
  options.collection = directory.file("file/all.nc");
  Said run = exportWith(options);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err.find("xbt: " + options.collection + ": cannot write: "), 0u) << run.err;
  EXPECT_EQ(run.err.find("in/"), std::string::npos) << "no input read: " << run.err;
  // A folder that does not exist is made.
  options.collection = directory.file("new/all.nc");
  run = exportWith(options);
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(fs::is_regular_file(options.collection)) << run.err;
  // Up to date while the same inputs would make it again: what its run
  // said of its inputs (failures and files passed over) said again, and no
  // machine's path kept.
  options.run.update = true;
  const Said again = exportWith(options);
  EXPECT_EQ(again.status, 1);
  const std::size_t summary = run.err.rfind("xbt: exported");
  EXPECT_EQ(again.err,
            run.err.substr(0, summary) + "xbt: exported 0, failed 1, skipped 1, up to date 2\n");
  EXPECT_NE(run.err.find("d.bin: not a message"), std::string::npos) << run.err;
  EXPECT_EQ(directory.read("new/.xbt-record").find(directory.path()), std::string::npos);
  // Fewer inputs named, or one gone: made again.
  options.run.paths = {input(directory, "a.bin")};
  EXPECT_EQ(exportWith(options).err, "xbt: exported 1, failed 0, skipped 0\n");
  options.run.paths = {directory.file("in")};
  exportWith(options);
  fs::remove(input(directory, "b.bin"));
  EXPECT_NE(exportWith(options).err.find("exported 1,"), std::string::npos);
}
#endif

}  // namespace
}  // namespace xbtconv
