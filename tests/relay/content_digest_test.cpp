#include "relay/content_digest.h"

#include <gtest/gtest.h>

namespace xbtconv {
namespace {

Observation drop() {
  Observation o;
  o.kind = 1;
  o.decoded = true;
  o.source = "a.bin";
  o.ship.callSign = "ZMFR";
  o.time = {2026, 12, 7, 12, 0, 1796644800};
  o.latitude = -41.288;
  o.longitude = 174.783;
  o.profile.layout = ProfileLayout::kTwoMeter;
  o.profile.depthSource = DepthSource::kMessage;
  o.profile.samples = {{200, 1450, 1, 1}, {400, 1449, 1, 1}};
  o.qc = QcSummary{1, 1, 1, 0, 0};
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
