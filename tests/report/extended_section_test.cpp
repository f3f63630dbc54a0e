#include "report/extended_section.h"

#include <gtest/gtest.h>

#include "decoding/jjvv2_message.h"
#include "report/report_assembly.h"
#include "support/message_checks.h"

namespace xbtconv {
namespace {

using testing::ExtendedFields;
using testing::kAllOnes;

TEST(ExtendedSection, SixLinesAlwaysAllSix) {
  ExtendedFields fields;
  fields.launchHeight = 1234;
  EXPECT_EQ(extendedText(*testing::decoded<Jjvv2Message>(testing::extendedMessage(fields))),
            " Ship Speed at Launch (knots):  9.72\r\n"
            " Ship Direction at Launch (Degrees):  270\r\n"
            " Sequence Number:   345\r\n"
            " Transect Number:   12\r\n"
            " Launch Height (Meters): 12.34\r\n"
            " SOOP Line: PX30\r\n");

  fields.shipSpeed = kAllOnes;
  fields.shipHeading = kAllOnes;
  fields.sequenceNumber = kAllOnes;
  fields.transectNumber = 127;  // above the range: missing too
  fields.launchHeight = kAllOnes;
  fields.soopLine = std::string(6, '\xFF');
  EXPECT_EQ(extendedText(*testing::decoded<Jjvv2Message>(testing::extendedMessage(fields))),
            " Ship Speed at Launch (knots): -1.00\r\n"
            " Ship Direction at Launch (Degrees):   -1\r\n"
            " Sequence Number:    -1\r\n"
            " Transect Number:   -1\r\n"
            " Launch Height (Meters): -1.00\r\n"
            " SOOP Line: Missing\r\n");
}

// The same values as a standard and as an extended message: the reports
// differ by the six launch lines between the TALU ID line and the profile.
TEST(ExtendedSection, KindTwoReportIsTheKindOneReportPlusTheLaunchLines) {
  for (std::uint64_t type : {1, 2, 3, 5}) {
    ExtendedFields fields;
    fields.typeOfData = type;
    if (type == 3) {
      fields.points = {{2, 2000}, {4, 1990}};
    } else {
      fields.temperatures = {2000, 1990, 1980};
    }
    testing::StandardFields standardFields = fields;
    standardFields.header.kind = kStandardKind;
    const std::string kindOne = testing::reportOf(testing::standardMessage(standardFields));
    const std::vector<std::uint8_t> bytes = testing::extendedMessage(fields);
    const std::string kindTwo = testing::reportOf(bytes);
    const std::string lastHeaderLine = " TALU ID: 1A2B3C4D\r\n";
    const std::size_t split = kindOne.find(lastHeaderLine) + lastHeaderLine.size();
    const std::string launchLines = extendedText(*testing::decoded<Jjvv2Message>(bytes));
    EXPECT_EQ(kindTwo, kindOne.substr(0, split) + launchLines + kindOne.substr(split)) << type;
  }
}

}  // namespace
}  // namespace xbtconv
