// The CSV writer's own rules, in process: fields quoted as RFC 4180 asks,
// whatever a transmission put in a text, and no text a spreadsheet would
// take for a formula.
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
  return row.substr(11, row.size() - 11 - std::string(",,,,,,,false,0\r\n").size());
}

TEST(CsvExport, FieldsAreQuotedWhereTheyMustBe) {
  EXPECT_EQ(rowWithCallSign("ZMFR"), "ZMFR");
  EXPECT_EQ(rowWithCallSign("A,B"), "\"A,B\"");
  EXPECT_EQ(rowWithCallSign("A\"B"), "\"A\"\"B\"");
  EXPECT_EQ(rowWithCallSign("A\nB"), "\"A\nB\"");
  EXPECT_EQ(rowWithCallSign("A\rB"), "\"A\rB\"");
  EXPECT_EQ(rowWithCallSign("\xE9"), "\xC3\xA9") << "Latin-1 read as such, written as UTF-8";
  EXPECT_EQ(csvHeader().substr(csvHeader().size() - 2), "\r\n");
  // Texts that begin as a formula would, and one that does not.
  EXPECT_EQ(rowWithCallSign("=1+2"), "'=1+2");
  EXPECT_EQ(rowWithCallSign("+1"), "'+1");
  EXPECT_EQ(rowWithCallSign("-1"), "'-1");
  EXPECT_EQ(rowWithCallSign("@SUM(1)"), "'@SUM(1)");
  EXPECT_EQ(rowWithCallSign("\tX"), "'\tX");
  EXPECT_EQ(rowWithCallSign("\rX"), "\"'\rX\"");
  EXPECT_EQ(rowWithCallSign("=HYPERLINK(\"a\",\"b\")"), "\"'=HYPERLINK(\"\"a\"\",\"\"b\"\")\"");
  EXPECT_EQ(rowWithCallSign("A=1"), "A=1");
}

// Every row says whether the message was decoded whole and its profile's
// flag, so that a cut-short message's rows never look complete.
TEST(CsvExport, RowsSayDecodedAndProfileFlag) {
  Observation o;
  o.source = "x.bin";
  o.kind = 1;
  o.latitude = -41.5;
  o.profile.samples = {Sample{200, 1450, 1, 1}, Sample{400, std::nullopt, 1, 9}};
  o.qc = QcSummary{3, 1, 1, 0, 0};
  EXPECT_EQ(csvHeader(),
            "source,kind,time,latitude,longitude,call_sign,probe_code,sample,depth_m,"
            "temperature_c,depth_qc,temperature_qc,decoded,profile_qc\r\n");
  EXPECT_EQ(toCsv(o),
            "x.bin,1,,-41.5,,,,1,2.0,14.5,1,1,false,3\r\n"
            "x.bin,1,,-41.5,,,,2,4.0,,1,9,false,3\r\n");
  o.decoded = true;
  o.profile.samples.clear();
  EXPECT_EQ(toCsv(o), "x.bin,1,,-41.5,,,,,,,,,true,3\r\n");
}

}  // namespace
}  // namespace xbtconv
