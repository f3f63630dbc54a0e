// Whole reports of every layout are held to the golden reports of the
// bundled examples; these tests pin what the examples cannot show.
#include "report/report_assembly.h"

#include <gtest/gtest.h>

#include "report/report_header.h"
#include "support/message_checks.h"

namespace xbtconv {
namespace {

using testing::StandardFields;

TEST(ReportAssembly, ReportWithoutProfileEndsWithTheTaluIdLine) {
  StandardFields fields;
  fields.typeOfData = 4;
  const std::vector<std::uint8_t> bytes = testing::standardMessage(fields);
  const std::string report = testing::reportOf(bytes);
  EXPECT_EQ(report.substr(report.size() - 20), " TALU ID: 1A2B3C4D\r\n");
  EXPECT_EQ(report, headerText(*testing::decoded(bytes)));
}

// A profile longer than any group count can say (only a corrupt message
// with its count missing carries one) goes to the sink in several pieces.
TEST(ReportAssembly, StreamedPiecesMakeTheSameReport) {
  for (std::uint64_t type : {1, 2, 3}) {
    StandardFields fields;
    fields.typeOfData = type;
    fields.groupCount = testing::kAllOnes;
    for (std::uint64_t i = 0; i < 300000; ++i) {
      if (type == 3) {
        fields.points.emplace_back(i % 16000, 400 + i % 3000);
      } else {
        fields.temperatures.push_back(400 + i % 3000);
      }
    }
    const auto message = testing::decoded(testing::standardMessage(fields));
    std::string streamed;
    int pieces = 0;
    streamReport(*message, [&](std::string_view piece) {
      streamed += piece;
      ++pieces;
    });
    EXPECT_GT(pieces, 1) << type;
    EXPECT_EQ(streamed, reportText(*message)) << type;
  }
}

}  // namespace
}  // namespace xbtconv
