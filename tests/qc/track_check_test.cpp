// Tracks of one ship, an hour between drops along the equator (a degree of
// longitude there is 111.195 km), with the drops a metadata error puts
// elsewhere.
#include "qc/track_check.h"

#include <gtest/gtest.h>

#include <initializer_list>

#include "xbtconv/qc.h"

namespace xbtconv {
namespace {

// Drops an hour apart at these longitudes on the equator.
std::vector<bool> unexplainedAlong(std::initializer_list<double> longitudes) {
  std::vector<TrackDrop> track;
  std::int64_t seconds = 1773468300;
  for (const double longitude : longitudes) {
    track.push_back({seconds, 0, longitude});
    seconds += 3600;
  }
  return unexplainedDrops(track);
}

using Verdicts = std::vector<bool>;

TEST(TrackCheck, TheDropTheTrackCannotExplain) {
  // 950 km in an hour: with two drops, the track cannot tell which is wrong.
  EXPECT_EQ(unexplainedAlong({-30, -21.457}), (Verdicts{true, true}));
  // A ship at 5 m/s (0.162 degrees an hour), one drop misplaced: that one,
  // wherever it lies in the track.
  EXPECT_EQ(unexplainedAlong({-30, -29.838, -21, -29.514, -29.352}),
            (Verdicts{false, false, true, false, false}));
  EXPECT_EQ(unexplainedAlong({-21, -29.838, -29.676, -29.514}),
            (Verdicts{true, false, false, false}));
  EXPECT_EQ(unexplainedAlong({-30, -29.838, -29.676, -21}), (Verdicts{false, false, false, true}));
  // Two misplaced together agree with each other, but the longer track
  // does not.
  EXPECT_EQ(unexplainedAlong({-30, -29.838, -21, -21.1, -29.352, -29.19}),
            (Verdicts{false, false, true, true, false, false}));
  EXPECT_EQ(unexplainedAlong({-30}), (Verdicts{false}));
  EXPECT_TRUE(unexplainedAlong({}).empty());
}

// 15 m/s over the hour and the minute the times may hide: 54.9 km. Without
// that minute the reach would be 54.0 km.
TEST(TrackCheck, FifteenMetresASecondOverTheTimeAndAMinute) {
  EXPECT_EQ(unexplainedAlong({0, 0.4933}), (Verdicts{false, false}));  // 54.85 km
  EXPECT_EQ(unexplainedAlong({0, 0.4942}), (Verdicts{true, true}));    // 54.95 km
  // A probe relaunched within the minute, 500 m on; and across the date line.
  const TrackDrop relaunched[] = {{0, 0, 10}, {0, 0, 10.0045}};
  EXPECT_EQ(unexplainedDrops(relaunched), (Verdicts{false, false}));
  const TrackDrop dateLine[] = {{0, 0, 179.9}, {3600, 0, -179.9}};  // 22 km
  EXPECT_EQ(unexplainedDrops(dateLine), (Verdicts{false, false}));
}

// A drop is on its platform's track with a platform (call sign, else IMO
// number), and a time and a position neither missing nor impossible; alone,
// it passes.
TEST(TrackCheck, WhichDropsAreOnATrack) {
  const auto performed = [](const Observation& o) {
    Observation checked = o;
    runQualityControl(checked, 1796083200);
    return (checked.qc->testsPerformed & qctest::kImpossibleSpeed) != 0 &&
           (checked.qc->testsFailed & qctest::kImpossibleSpeed) == 0;
  };
  Observation o;
  o.ship.callSign = "ZMFR";
  o.time = {2026, 3, 14, 6, 5, 1773468300};
  o.latitude = -41.288;
  o.longitude = 174.783;
  EXPECT_TRUE(performed(o));
  o.ship.callSign.reset();
  o.ship.imoNumber = 9334521;
  EXPECT_TRUE(performed(o));
  o.latitude = -31.95;  // a land cell on the coast (3) is still a position
  o.longitude = 115.95;
  EXPECT_TRUE(performed(o));
  o.latitude = 39.41;  // inland (4)
  o.longitude = 70.13;
  EXPECT_FALSE(performed(o));
  o.latitude = -41.288;
  o.longitude = 174.783;
  o.time = {2027, 3, 14, 6, 5, 1804999500};  // months after the clock (4)
  EXPECT_FALSE(performed(o));
  o.time = {2026, 3, 14, 6, 5, 1773468300};
  o.ship.imoNumber.reset();
  EXPECT_FALSE(performed(o));
}

}  // namespace
}  // namespace xbtconv
