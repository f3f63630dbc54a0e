#include "relay/content_digest.h"

#include <gtest/gtest.h>

#include "relay/usable_drop.h"

namespace xbtconv {
namespace {

Observation drop() {
  Observation o = testing::usableDrop();
  o.source = "a.bin";
  return o;
}

TEST(ContentDigest, TellsContentApartButNotNamesOrVerdicts) {
  // Ledgers keep these digests: a relay of a later version must find the
  // repeats of what an earlier one sent.
  EXPECT_EQ(contentDigest(drop()), "10629b0f738e0ca9dc88d6969dda32c4");
  Observation o = drop();
  o.source = "b.bin";
  o.qc->profileFlag = 4;
  EXPECT_EQ(contentDigest(o), contentDigest(drop()));
  o.profile.samples[1].temperatureHundredths = 1448;
  EXPECT_NE(contentDigest(o), contentDigest(drop()));
  o = drop();
  o.profile.samples[1].temperatureHundredths.reset();
  EXPECT_NE(contentDigest(o), contentDigest(drop()));
  o = drop();
  o.ship.callSign = "ZMFS";
  EXPECT_NE(contentDigest(o), contentDigest(drop()));
}

}  // namespace
}  // namespace xbtconv
