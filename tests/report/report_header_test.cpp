#include "report/report_header.h"

#include <gtest/gtest.h>

#include "support/message_checks.h"

namespace xbtconv {
namespace {

using testing::kAllOnes;
using testing::StandardFields;

std::string headerOf(const StandardFields& fields) {
  return headerText(*testing::decoded(testing::standardMessage(fields)));
}

TEST(ReportHeader, MissingValuesHaveFixedRenderings) {
  const JjvvMessage nothing;
  EXPECT_EQ(headerText(nothing),
            " TALU Version:  6.12\r\n"
            " Ship Name: Not Available\r\n"
            " Call Sign: \r\n"
            " Lloyds Number:       -1\r\n"
            " Date/Time(dd/mm/yyyy): -1/00/1899 -1:-1 GMT\r\n"
            " Latitude(ddd.ddd): 9999.000 S\r\n"
            " Longitude(ddd.ddd): 9999.000 W\r\n"
            " Probe Type: \r\n"
            " Probe Code:  -1\r\n"
            " Probe Serial No: -000001\r\n"
            " Recorder Type: \r\n"
            " Recorder Code: -1\r\n"
            " Bottom Depth: 9999 M\r\n"
            " TALU ID: FFFFFFFF\r\n");

  // Present values that the tables lack, a missing wind speed, positions on
  // the equator and the meridian, an empty ship name.
  StandardFields fields;
  fields.shipName = "";
  fields.header.latitude = 9000000;
  fields.header.longitude = 18000000;
  fields.windInstrument = 9;
  fields.windSpeed = kAllOnes;
  fields.recorderType = 7;
  fields.probeType = 3;
  fields.dryBulb = kAllOnes;
  fields.currentMethod = kAllOnes;
  fields.currentSpeed = kAllOnes;
  fields.currentDirection = kAllOnes;
  fields.totalWaterDepth = 0;
  const std::string header = headerOf(fields);
  EXPECT_NE(header.find(" Ship Name: Not Available\r\n"), std::string::npos);
  EXPECT_NE(header.find(" Latitude(ddd.ddd): 000.000 N\r\n"), std::string::npos);
  EXPECT_NE(header.find(" Longitude(ddd.ddd): 000.000 E\r\n"), std::string::npos);
  EXPECT_NE(header.find(" Probe Type: \r\n Probe Code:   3\r\n"), std::string::npos);
  EXPECT_NE(header.find(" Recorder Type: \r\n Recorder Code:  7\r\n"
                        " Wind Instr Type: \r\n Wind Dir:   270\r\n Bottom Depth:    0 M\r\n"),
            std::string::npos)
      << header;
}

}  // namespace
}  // namespace xbtconv
