// Whole reports, one per profile layout, compared with golden files that
// were checked line by line by hand. XBTCONV_UPDATE_GOLDEN=1 rewrites them
// (check the difference by hand before committing it).
#include "report/report_assembly.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "decoding/jjvv_message.h"
#include "report/report_header.h"
#include "support/message_builder.h"

namespace xbtconv {
namespace {

using testing::kAllOnes;
using testing::StandardFields;

std::string reportOf(const StandardFields& fields) {
  JjvvMessage message;
  message.decode(testing::bufferOf(testing::standardMessage(fields)));
  return reportText(message);
}

void expectGolden(const std::string& name, const std::string& report) {
  const std::string path = std::string(XBTCONV_TEST_DATA) + "/report/golden/" + name;
  if (std::getenv("XBTCONV_UPDATE_GOLDEN") != nullptr) {
    std::ofstream(path, std::ios::binary) << report;
  }
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in) << path;
  const std::string golden((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(report, golden) << name;
}

TEST(ReportAssembly, FullResolutionReport) {
  StandardFields fields;
  fields.temperatures = {2800, 2795, 2790, 2788, 2780, 2771, 2765, 2740, 2702,
                         2650, 2590, 2511, 2420, 2333, 2250, 2180, 2105, 2040,
                         1990, 1944, 1903, 1871, 1850, 1832, 1816, 429,  13};
  expectGolden("full_resolution.srp", reportOf(fields));
}

TEST(ReportAssembly, TwoMeterReport) {
  StandardFields fields;
  fields.typeOfData = 2;
  fields.header.callSign = "ZCDF7";
  fields.shipName = "SEA PRIDE";
  fields.softwareVersion = kAllOnes;
  fields.probeType = 212;
  fields.recorderType = 99;
  fields.windInstrument = kAllOnes;
  fields.windSpeed = kAllOnes;
  fields.windDirection = kAllOnes;
  fields.temperatures = {2612, 2610, 2605, 2598, 2550, 2431, 2304, 2187, 2090, 1999};
  expectGolden("two_meter.srp", reportOf(fields));
}

TEST(ReportAssembly, InflectionPointReport) {
  StandardFields fields;
  fields.typeOfData = 3;
  fields.header.latitude = 5123456;    // 38.76544 S
  fields.header.longitude = 33012345;  // 150.12345 E
  fields.dryBulb = kAllOnes;
  fields.currentMethod = kAllOnes;
  fields.currentSpeed = kAllOnes;
  fields.currentDirection = kAllOnes;
  fields.points = {{0, 2210},   {18, 2207}, {55, 2150}, {102, 1904}, {250, 1502},
                   {410, 1107}, {620, 905}, {751, 840}, {900, 777}};
  expectGolden("inflection_points.srp", reportOf(fields));
}

TEST(ReportAssembly, ReportWithoutProfileEndsWithTheTaluIdLine) {
  StandardFields fields;
  fields.typeOfData = 4;
  const std::string report = reportOf(fields);
  EXPECT_EQ(report.substr(report.size() - 20), " TALU ID: 1A2B3C4D\r\n");
  JjvvMessage message;
  message.decode(testing::bufferOf(testing::standardMessage(fields)));
  EXPECT_EQ(report, headerText(message));
}

TEST(ReportAssembly, StreamedPiecesMakeTheSameReport) {
  for (std::uint64_t type : {1, 2, 3}) {
    StandardFields fields;
    fields.typeOfData = type;
    // Enough samples for several pieces: more than a group count can say,
    // as only a corrupt message with its count missing carries.
    fields.groupCount = kAllOnes;
    for (std::uint64_t i = 0; i < 300000; ++i) {
      if (type == 3) {
        fields.points.emplace_back(i % 16000, 400 + i % 3000);
      } else {
        fields.temperatures.push_back(400 + i % 3000);
      }
    }
    JjvvMessage message;
    EXPECT_FALSE(message.decode(testing::bufferOf(testing::standardMessage(fields))));
    std::string streamed;
    int pieces = 0;
    streamReport(message, [&](std::string_view piece) {
      streamed += piece;
      ++pieces;
    });
    EXPECT_GT(pieces, 1) << type;
    EXPECT_EQ(streamed, reportText(message)) << type;
  }
}

}  // namespace
}  // namespace xbtconv
