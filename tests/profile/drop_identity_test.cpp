#include "profile/drop_identity.h"

#include <gtest/gtest.h>

#include "profile/observation_builder.h"
#include "support/message_checks.h"

namespace xbtconv {
namespace {

using testing::kAllOnes;
using testing::StandardFields;

Observation observationOf(const StandardFields& fields, const std::string& source = "x.bin") {
  bool read = false;
  const auto message = testing::decoded(testing::standardMessage(fields), &read);
  return buildObservation(*message, read, source, kDefaultSampleRateHz);
}

// The default message: VRZN9, 31/12/2004 23:59, 12.5 N 45.25 W.
TEST(DropIdentity, SameDropSameTextWhateverTheFile) {
  StandardFields fields;
  const std::string identity = dropIdentity(observationOf(fields));
  EXPECT_EQ(identity, "VRZN9|2004-12-31 23:59|12.50000 -45.25000");
  fields.temperatures = {1500, 1490};  // another file, another profile: the same drop
  EXPECT_EQ(dropIdentity(observationOf(fields, "copy.bin")), identity);
}

TEST(DropIdentity, AMinuteOrAStepOfPositionApartIsAnotherDrop) {
  StandardFields later;
  later.header.minute = 58;
  StandardFields north;
  north.header.latitude += 1;  // 0.00001 degree
  StandardFields east;
  east.header.longitude += 1;
  StandardFields noMonth;  // an absent field is no month at all, not month 0
  noMonth.header.month = kAllOnes;
  EXPECT_EQ(dropIdentity(observationOf(noMonth)), "VRZN9|2004----31 23:59|12.50000 -45.25000");
  const std::string identity = dropIdentity(observationOf(StandardFields{}));
  for (const StandardFields& other : {later, north, east, noMonth}) {
    EXPECT_NE(dropIdentity(observationOf(other)), identity);
  }
}

TEST(DropIdentity, PlatformIsTheCallSignElseTheImoNumber) {
  StandardFields fields;
  EXPECT_EQ(platformOf(observationOf(fields)), "VRZN9");
  fields.header.callSign = "";
  EXPECT_EQ(platformOf(observationOf(fields)), "IMO 9126467");
  EXPECT_EQ(dropIdentity(observationOf(fields)), "IMO 9126467|2004-12-31 23:59|12.50000 -45.25000");
  fields.imoNumber = kAllOnes;
  EXPECT_EQ(platformOf(observationOf(fields)), "");

  // Neither a time field nor a position: nothing tells this drop from another.
  fields.header.year = fields.header.month = fields.header.day = kAllOnes;
  fields.header.hour = fields.header.minute = kAllOnes;
  fields.header.latitude = fields.header.longitude = kAllOnes;
  EXPECT_EQ(dropIdentity(observationOf(fields)), "");
}

}  // namespace
}  // namespace xbtconv
