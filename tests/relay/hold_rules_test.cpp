#include "relay/hold_rules.h"

#include <gtest/gtest.h>

#include "relay/usable_drop.h"

namespace xbtconv {
namespace {

constexpr std::int64_t kNow = testing::kRelayNow;

Observation usable() { return testing::usableDrop(); }

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

TEST(HoldRules, ASenderSendsForThePlatformsItIsNamedFor) {
  HoldRules rules;
  EXPECT_EQ(holdReason(usable(), rules, kNow, "anyone"), "");  // no senders named: any
  rules.senders = {{"navy", {"ZZ99", "IMO 9334521"}}, {"desk", {"*"}}};
  Observation o = usable();
  o.ship.imoNumber = 9334521;
  EXPECT_EQ(holdReason(o, rules, kNow, "navy"), "");  // by its IMO number
  EXPECT_EQ(holdReason(o, rules, kNow, "desk"), "");
  o.ship.imoNumber = 9334520;
  EXPECT_EQ(holdReason(o, rules, kNow, "navy"), "sender navy is not named for " + *o.ship.callSign);
  EXPECT_EQ(holdReason(o, rules, kNow, "gone"), "sender gone is not named for " + *o.ship.callSign);
  o.ship.callSign.reset();
  o.ship.imoNumber.reset();
  EXPECT_EQ(holdReason(o, rules, kNow),
            "not from a sender's folder (no sender is named for a drop without platform "
            "identity); no platform identity (neither call sign nor IMO number)");
}

}  // namespace
}  // namespace xbtconv
