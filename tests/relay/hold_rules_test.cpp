#include "relay/hold_rules.h"

#include <gtest/gtest.h>

namespace xbtconv {
namespace {

constexpr std::int64_t kNow = 1796731200;  // 2026-12-08T12:00Z

// A drop a receiver can use: a platform, a time a day before the clock, a
// position, a profile with depths, every flag good.
Observation usable() {
  Observation o;
  o.kind = 1;
  o.decoded = true;
  o.ship.callSign = "ZMFR";
  o.time = {2026, 12, 7, 12, 0, kNow - 86400};
  o.latitude = -41.288;
  o.longitude = 174.783;
  o.profile.layout = ProfileLayout::kTwoMeter;
  o.profile.depthSource = DepthSource::kMessage;
  o.profile.samples = {{200, 1450, 1, 1}, {400, 1449, 1, 1}};
  o.qc = QcSummary{1, 1, 1, 0, 0};
  return o;
}

TEST(HoldRules, EachRuleHoldsAtItsThresholdAndNotBelow) {
  const HoldRules rules;
  EXPECT_EQ(holdReason(usable(), rules, kNow), "");
  Observation o = usable();
  o.qc->profileFlag = 3;
  EXPECT_EQ(holdReason(o, rules, kNow), "");
  o.qc->profileFlag = 4;
  EXPECT_EQ(holdReason(o, rules, kNow), "profile flag 4");
  o = usable();
  o.qc->timeFlag = 2;
  o.qc->positionFlag = 2;
  EXPECT_EQ(holdReason(o, rules, kNow), "");
  o.qc->timeFlag = 3;
  o.qc->positionFlag = 4;
  // A flag 4 is also a value BUFR cannot carry, said in BUFR's words.
  EXPECT_EQ(holdReason(o, rules, kNow), "time flag 3; position flag 4; impossible position");
  o.qc->positionFlag = 9;  // no position: said by what BUFR refuses, not as a flag
  o.latitude.reset();
  EXPECT_EQ(holdReason(o, rules, kNow), "time flag 3; no position");
  // The IMO number alone names a platform; neither is held.
  o = usable();
  o.ship.callSign.reset();
  o.ship.imoNumber = 9334521;
  EXPECT_EQ(holdReason(o, rules, kNow), "");
  o.ship.imoNumber.reset();
  EXPECT_EQ(holdReason(o, rules, kNow), "no platform identity (neither call sign nor IMO number)");
  // Thirty days to the second is not older than thirty days.
  o = usable();
  o.time.utcSeconds = kNow - 30 * 86400;
  EXPECT_EQ(holdReason(o, rules, kNow), "");
  o.time.utcSeconds = kNow - 30 * 86400 - 1;
  EXPECT_EQ(holdReason(o, rules, kNow), "older than 30 days");
}

TEST(HoldRules, ARuleAtZeroNeverHolds) {
  HoldRules never;
  never.profileFlag = never.timeFlag = never.positionFlag = never.maxAgeDays = 0;
  never.needPlatform = false;
  Observation o = usable();
  o.qc = QcSummary{4, 3, 3, 0, 0};
  o.ship.callSign.reset();
  o.time.utcSeconds = kNow - 400 * 86400;
  EXPECT_EQ(holdReason(o, never, kNow), "");
}

}  // namespace
}  // namespace xbtconv
