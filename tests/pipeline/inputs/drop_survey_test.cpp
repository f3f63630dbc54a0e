// A run's drops judged together, in process: a ship's track over the whole
// run, whatever the threads, and the same drop met twice.
#include "pipeline/inputs/drop_survey.h"

#include <gtest/gtest.h>

#include "pipeline/flows/export_flow.h"
#include "pipeline/flows/qc_flow.h"
#include "pipeline/inputs/directory_listing.h"
#include "support/captured_report.h"
#include "support/message_builder.h"
#include "support/temp_directory.h"

namespace xbtconv {
namespace {

using testing::TempDirectory;

// A drop of `ship` `hours` after 2004-12-01 00:00, on the equator.
std::vector<std::uint8_t> drop(const char* ship, int hours, double longitude) {
  testing::StandardFields fields;
  fields.header.callSign = ship;
  fields.header.latitude = 9000000;
  fields.header.longitude = static_cast<std::uint64_t>((longitude + 180) * 100000 + 0.5);
  fields.header.month = 12;
  fields.header.day = 1 + hours / 24;
  fields.header.hour = hours % 24;
  fields.header.minute = 0;
  fields.temperatures = {2400, 2390, 2380};
  return testing::standardMessage(fields);
}

// 130 messages, three chunks of a run: SHIP1 sails west to east across the
// Atlantic, 0.1 degree an hour, its sixth drop 950 km ahead of it; TWO's
// only two drops, the second file and the next to last, are 950 km apart in
// an hour; the last file is the first again.
TEST(DropSurvey, TracksOverTheWholeRunWhateverTheThreads) {
  TempDirectory directory;
  char name[16];
  for (int i = 0; i < 130; ++i) {
    std::snprintf(name, sizeof name, "m%03d.bin", i);
    std::vector<std::uint8_t> bytes = drop("SHIP1", i, -40 + 0.1 * i + (i == 5 ? 8.54 : 0));
    if (i == 1) bytes = drop("TWO", 200, -35);
    if (i == 128) bytes = drop("TWO", 201, -35 + 8.54);
    if (i == 129) bytes = drop("SHIP1", 0, -40);
    directory.write(name, bytes);
  }
  const auto qc = [&](int jobs) {
    QcOptions options;
    options.run.paths = {directory.path()};
    options.run.jobs = jobs;
    options.now = 1796083200;  // 2026-12-01
    testing::CapturedReport captured;
    runQc(options, captured.report);
    return std::make_pair(captured.out, captured.err);
  };
  const auto [out, err] = qc(1);
  EXPECT_EQ(qc(3), std::make_pair(out, err));
  std::string flagged;
  for (std::size_t at = out.find("impossible_speed"); at != std::string::npos;
       at = out.find("impossible_speed", at + 1)) {
    const std::size_t line = out.rfind('\n', at) + 1;
    flagged += out.substr(line, out.find('\t', line) - line) + " " + out[out.find('\t', line) + 1];
    flagged += " ";
  }
  EXPECT_EQ(flagged, "m001.bin 3 m005.bin 3 m128.bin 3 ");
  // An export flags the same drops.
  ExportOptions json;
  json.run.paths = {directory.path()};
  json.run.jobs = 3;
  json.toStandardOutput = true;
  json.now = 1796083200;
  testing::CapturedReport exported;
  runExport(json, exported.report);
  std::size_t flaggedDocuments = 0;
  for (std::size_t at = exported.out.find("\"position_flag\":3"); at != std::string::npos;
       at = exported.out.find("\"position_flag\":3", at + 1)) {
    ++flaggedDocuments;
  }
  EXPECT_EQ(flaggedDocuments, 3u);
  EXPECT_EQ(err, "xbt: " + joinPath(directory.path(), "m129.bin") + ": warning: the same drop as " +
                     joinPath(directory.path(), "m000.bin") +
                     "\nxbt: checked 130, failed 0, skipped 0 (profiles by flag: flag 1: 127, "
                     "flag 3: 3)\n");
}

}  // namespace
}  // namespace xbtconv
