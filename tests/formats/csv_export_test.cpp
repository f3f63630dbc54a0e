// The CSV writer's own rules, in process: fields quoted as RFC 4180 asks,
// whatever a transmission put in a text.
#include <gtest/gtest.h>

#include "xbtconv/formats.h"

namespace xbtconv {
namespace {

std::string rowWithCallSign(const std::string& callSign) {
  Observation o;
  o.source = "x.bin";
  o.kind = 1;
  o.ship.callSign = callSign;
  const std::string row = toCsv(o);
  // The call sign is the sixth field: after "x.bin,1,,,,".
  return row.substr(11, row.size() - 11 - std::string(",,,,,,\r\n").size());
}

TEST(CsvExport, FieldsAreQuotedWhereTheyMustBe) {
  EXPECT_EQ(rowWithCallSign("ZMFR"), "ZMFR");
  EXPECT_EQ(rowWithCallSign("A,B"), "\"A,B\"");
  EXPECT_EQ(rowWithCallSign("A\"B"), "\"A\"\"B\"");
  EXPECT_EQ(rowWithCallSign("A\nB"), "\"A\nB\"");
  EXPECT_EQ(rowWithCallSign("A\rB"), "\"A\rB\"");
  EXPECT_EQ(rowWithCallSign("\xE9"), "\xC3\xA9") << "Latin-1 read as such, written as UTF-8";
  EXPECT_EQ(csvHeader().substr(csvHeader().size() - 2), "\r\n");
}

}  // namespace
}  // namespace xbtconv
