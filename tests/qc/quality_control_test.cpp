// Quality control on profiles built for each test: the flags each test
// gives at the edges its definition names (every bound from both sides,
// every threshold at equality and a hundredth either side), which tests
// count as performed, and the profile flag. Values are written as the
// messages carry them (metres and degrees to the hundredth); expected flags
// are worked out by hand from the rules in the README.
#include "xbtconv/qc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <random>

#include "support/realistic_profile.h"

namespace xbtconv {
namespace {

constexpr std::int64_t kNow = 1796083200;  // 2026-12-01T00:00:00Z

std::int32_t hundredths(double value) {
  return static_cast<std::int32_t>(std::lround(value * 100));
}

// A whole two-metre message from 30N 40W (no region of its own), dropped
// on 2020-06-01 12:00 in 5000 m of water, with samples (depth,
// temperature); NAN for no value.
Observation profile(std::initializer_list<std::pair<double, double>> samples) {
  Observation o;
  o.decoded = true;
  o.time = {2020, 6, 1, 12, 0, 1590998400};
  o.latitude = 30;
  o.longitude = -40;
  o.bottomDepthM = 5000;
  o.profile.layout = ProfileLayout::kTwoMeter;
  for (const auto& [depth, temperature] : samples) {
    Sample s;
    if (!std::isnan(depth)) s.depthHundredths = hundredths(depth);
    if (!std::isnan(temperature)) s.temperatureHundredths = hundredths(temperature);
    o.profile.samples.push_back(s);
  }
  return o;
}

// A sample every metre from 10 m, each `temperatures` (NAN for none).
Observation metres(std::initializer_list<double> temperatures) {
  Observation o = profile({});
  double depth = 10;
  for (const double t : temperatures) {
    o.profile.samples.push_back(profile({{depth, t}}).profile.samples[0]);
    depth += 1;
  }
  return o;
}

std::vector<int> temperatureFlags(Observation o, std::int64_t now = kNow) {
  runQualityControl(o, now);
  std::vector<int> flags;
  for (const Sample& s : o.profile.samples) flags.push_back(s.temperatureQc);
  return flags;
}

QcSummary summaryOf(Observation o, std::int64_t now = kNow) {
  runQualityControl(o, now);
  return *o.qc;
}

// The temperature flag of one sample alone (no neighbours, no bottom), at
// `latitude` and `longitude`.
int aloneFlag(double depth, double temperature, double latitude = 30, double longitude = -40) {
  Observation o = profile({{depth, temperature}});
  o.bottomDepthM.reset();
  o.latitude = latitude;
  o.longitude = longitude;
  return temperatureFlags(o)[0];
}

using Flags = std::vector<int>;

TEST(QualityControl, TimeAgainstTheFirstXbtAndTheClock) {
  const auto timeFlag = [](Observation::Time time) {
    Observation o = profile({});
    o.time = time;
    return summaryOf(o);
  };
  EXPECT_EQ(timeFlag({1965, 12, 31, 23, 59, -126230460}).timeFlag, kQcBad) << "before any XBT";
  EXPECT_EQ(timeFlag({1966, 1, 1, 0, 0, -126230400}).timeFlag, kQcGood);
  EXPECT_EQ(timeFlag({2021, 2, 29, 0, 0, std::nullopt}).timeFlag, kQcBad) << "no such day";
  // The run's clock itself is good; up to a day ahead is a ship's clock or
  // time zone (probably bad, still on the GTS); more is impossible.
  EXPECT_EQ(timeFlag({2026, 12, 1, 0, 0, kNow}).timeFlag, kQcGood);
  const QcSummary minute = timeFlag({2026, 12, 1, 0, 1, kNow + 60});
  EXPECT_EQ(minute.timeFlag, kQcProbablyBad);
  EXPECT_EQ(minute.testsFailed, qctest::kImpossibleDate | 0u);
  EXPECT_EQ(minute.profileFlag, kQcProbablyBad);
  EXPECT_EQ(timeFlag({2026, 12, 2, 0, 0, kNow + 86400}).timeFlag, kQcProbablyBad) << "24 h";
  EXPECT_EQ(timeFlag({2026, 12, 2, 0, 0, kNow + 86401}).timeFlag, kQcBad) << "24 h and 1 s";
  EXPECT_EQ(timeFlag({2026, 12, 2, 0, 1, kNow + 86460}).timeFlag, kQcBad) << "24 h and 1 min";
  Observation o = profile({});
  o.time.minute.reset();
  o.time.utcSeconds.reset();
  EXPECT_EQ(summaryOf(o).timeFlag, kQcMissing) << "a field absent";
  EXPECT_EQ(summaryOf(o).testsPerformed & qctest::kImpossibleDate, 0u);
}

TEST(QualityControl, PositionAtThePolesTheDateLineAndOnLand) {
  const auto summaryAt = [](double latitude, double longitude) {
    Observation o = profile({});
    o.latitude = latitude;
    o.longitude = longitude;
    return summaryOf(o);
  };
  // The bounds are positions (the South Pole's is on land).
  for (const auto& [latitude, longitude] : std::initializer_list<std::pair<double, double>>{
           {90, 0}, {-90, 0}, {0, 180}, {0, -180}, {-90, -180}}) {
    EXPECT_EQ(summaryAt(latitude, longitude).testsFailed & qctest::kImpossibleLocation, 0u)
        << latitude << " " << longitude;
  }
  for (const auto& [latitude, longitude] : std::initializer_list<std::pair<double, double>>{
           {90.00001, 0}, {-90.00001, 0}, {0, 180.00001}, {0, -180.00001}}) {
    const QcSummary off = summaryAt(latitude, longitude);
    EXPECT_EQ(off.positionFlag, kQcBad) << latitude << " " << longitude;
    EXPECT_EQ(off.testsFailed, qctest::kImpossibleLocation | 0u);
  }
  // Inland is bad, a land cell on the coast probably bad; neither is sent
  // as good.
  const QcSummary inland = summaryAt(39.41, 70.13);  // 70.13 W read as east: Tajikistan
  EXPECT_EQ(inland.positionFlag, kQcBad);
  EXPECT_EQ(inland.testsFailed, qctest::kPositionOnLand | 0u);
  EXPECT_EQ(inland.profileFlag, kQcBad);
  EXPECT_EQ(summaryAt(-31.95, 115.95).positionFlag, kQcProbablyBad);  // 10 km inland of Perth
  EXPECT_EQ(summaryAt(-31.95, 115.85).positionFlag, kQcGood);         // on the Swan River
  EXPECT_NE(summaryAt(0, 0).testsPerformed & qctest::kPositionOnLand, 0u);

  Observation o = profile({});
  o.longitude.reset();
  EXPECT_EQ(summaryOf(o).positionFlag, kQcMissing);
  EXPECT_EQ(summaryOf(o).testsPerformed &
                (qctest::kImpossibleLocation | qctest::kRegionalRange | qctest::kPositionOnLand),
            0u);
}

TEST(QualityControl, GlobalRangeIncludesItsBounds) {
  // Without a depth, no envelope: the global range alone.
  for (const auto& [temperature, flag] : std::initializer_list<std::pair<double, int>>{
           {-2.01, 4}, {-2.0, 1}, {-1.99, 1}, {39.99, 1}, {40.0, 1}, {40.01, 4}}) {
    EXPECT_EQ(aloneFlag(NAN, temperature), flag) << temperature;
  }
  EXPECT_EQ(aloneFlag(NAN, NAN), kQcMissing);
  Observation o = profile({{5000, -2.0}, {5001, -2.01}});
  runQualityControl(o, kNow);
  EXPECT_EQ(o.qc->testsFailed, qctest::kGlobalRange | qctest::kEnvelope);
}

// Just inside and just outside each corner of each sea with a range of its
// own (points 0.05 degrees along the corner's bisector, worked out with a
// winding number), with a temperature just below the sea's minimum.
TEST(QualityControl, RegionalRangeAtEveryCornerOfEachSea) {
  struct Point {
    double latitude, longitude;
    bool inside;
  };
  const Point redSea[] = {{10.049, 40.008, true},  {9.951, 39.992, false}, {19.992, 49.951, true},
                          {20.008, 50.049, false}, {29.965, 30.035, true}, {30.035, 29.965, false}};
  for (const Point& p : redSea) {
    EXPECT_EQ(aloneFlag(10, 21.69, p.latitude, p.longitude), p.inside ? 4 : 1)
        << p.latitude << " " << p.longitude;
  }
  const Point mediterranean[] = {
      {30.018, -5.953, true},  {29.982, -6.047, false}, {30.026, 39.957, true},
      {29.974, 40.043, false}, {39.959, 34.971, true},  {40.041, 35.029, false},
      {41.958, 19.973, true},  {42.042, 20.027, false}, {49.95, 14.994, true},
      {50.05, 15.006, false},  {39.964, 5.035, true},   {40.036, 4.965, false}};
  for (const Point& p : mediterranean) {
    EXPECT_EQ(aloneFlag(2000, 9.99, p.latitude, p.longitude), p.inside ? 4 : 1)
        << p.latitude << " " << p.longitude;
  }
  // Each sea's minimum itself passes; deep in the Mediterranean, Argo's
  // 10.0 rather than 13.0.
  EXPECT_EQ(aloneFlag(10, 21.7, 20, 40), 1);
  EXPECT_EQ(aloneFlag(2000, 10.0, 35, 18), 1);
  EXPECT_EQ(aloneFlag(2000, 12.9, 35, 18), 1);
  EXPECT_NE(summaryOf(profile({})).testsPerformed & qctest::kRegionalRange, 0u);
}

// Each layer is (top, bottom], the first with the surface; inside it a
// temperature passes strictly between the layer's minimum and maximum. At
// every bound where the ranges change, the bound belongs to the layer above
// and a hundredth deeper to the one below.
TEST(QualityControl, EnvelopeLayerBoundsFromBothSides) {
  struct Row {
    double depth, temperature;
    int flag;
  };
  const Row rows[] = {
      {0, 36.99, 3},      {0, 37.0, 4},        {25, 36.99, 1},      {25, 37.0, 4},
      {25.01, 35.99, 1},  {25.01, 36.0, 4},    {100, 35.99, 1},     {100.01, 33.99, 1},
      {100.01, 34.0, 4},  {150, 33.99, 1},     {150.01, 32.99, 1},  {150.01, 33.0, 4},
      {200, 32.99, 1},    {200.01, 28.99, 1},  {200.01, 29.0, 4},   {300, 28.99, 1},
      {300.01, 26.99, 1}, {300.01, 27.0, 4},   {1100, 26.99, 1},    {1100, -1.99, 1},
      {1100, -2.0, 4},    {1100.01, 17.99, 1}, {1100.01, 18.0, 4},  {1100.01, -1.49, 1},
      {1100.01, -1.5, 4}, {3000, 17.99, 1},    {3000.01, 6.99, 1},  {3000.01, 7.0, 4},
      {5500, 6.99, 1},    {5500.01, 3.99, 1},  {5500.01, 4.0, 4},   {12000, 3.99, 1},
      {12000, -1.5, 4},   {12000.01, 39.0, 1}, {12000.01, -2.0, 1},
  };
  // (The top 3.6 m is probably bad by rule: the surface's 3.)
  for (const Row& row : rows) {
    EXPECT_EQ(aloneFlag(row.depth, row.temperature), row.flag)
        << row.depth << " m, " << row.temperature << " degrees";
  }
}

// A profile that goes down across a layer's bottom: a hundredth below it,
// the deeper layer's range judges, as it does a sample alone.
TEST(QualityControl, EnvelopeFollowsAProfileAcrossEachLayerBottom) {
  const std::pair<double, double> bottoms[] = {
      {25, 36},  {100, 34},  {150, 33}, {200, 29},
      {300, 27}, {1100, 18}, {3000, 7}};  // the deeper layer's maximum
  for (const auto& [bottom, maximum] : bottoms) {
    EXPECT_EQ(temperatureFlags(
                  profile({{bottom - 0.01, maximum}, {bottom, maximum}, {bottom + 0.01, maximum}})),
              (Flags{1, 1, 4}))
        << bottom << " m";
  }
}

// Depths that go back and forth: the envelope follows each sample's own
// depth, and a depth must be greater than the deepest before it, not only
// than the one before.
TEST(QualityControl, DepthsGoingBackAndForth) {
  Observation o = profile({{30, 35.5}, {3001, 6.9}, {30, 35.5}, {1101, 17.9}, {26, 35.9}});
  runQualityControl(o, kNow);
  EXPECT_EQ(o.qc->testsFailed & qctest::kEnvelope, 0u);
  o = profile({{10, 20}, {20, 20}, {15, 20}, {18, 20}, {20, 20}, {25, 20}, {NAN, 20}, {26, 20}});
  runQualityControl(o, kNow);
  std::vector<int> depths;
  for (const Sample& s : o.profile.samples) depths.push_back(s.depthQc);
  EXPECT_EQ(depths, (Flags{1, 1, 4, 4, 4, 1, 9, 1}));
  EXPECT_EQ(o.qc->profileFlag, kQcBad);
}

TEST(QualityControl, ConstantProfileNeedsFiveEqualSamples) {
  EXPECT_EQ(temperatureFlags(metres({15, 15, 15, 15, NAN, 15})), (Flags{4, 4, 4, 4, 9, 4}));
  EXPECT_EQ(temperatureFlags(metres({15, 15, 15, 15})), (Flags{1, 1, 1, 1}));
  EXPECT_EQ(temperatureFlags(metres({15, 15, 15, 15, 15.01})), (Flags{1, 1, 1, 1, 1}));
}

TEST(QualityControl, SpikeAndGradientThresholds) {
  // V = |T2 - (T1 + T3)/2| - |(T3 - T1)/2| above 2.0 is a spike, either
  // way; above 10.0 of the bulge alone a gradient too.
  EXPECT_EQ(temperatureFlags(metres({20, 20, 22, 20, 20})), (Flags{1, 1, 1, 1, 1}));
  EXPECT_EQ(temperatureFlags(metres({20, 20, 22.01, 20, 20})), (Flags{1, 1, 3, 1, 1}));
  EXPECT_EQ(temperatureFlags(metres({20, 20, 18, 20, 20})), (Flags{1, 1, 1, 1, 1}));
  EXPECT_EQ(temperatureFlags(metres({20, 20, 17.99, 20, 20})), (Flags{1, 1, 3, 1, 1}));
  // Neighbours a degree apart: V is measured from their mean.
  EXPECT_EQ(temperatureFlags(metres({20, 20, 23, 21, 21})), (Flags{1, 1, 1, 1, 1}));
  EXPECT_EQ(temperatureFlags(metres({20, 20, 23.01, 21, 21})), (Flags{1, 1, 3, 1, 1}));
  // A steep but smooth thermocline: |V| is large, V negative.
  EXPECT_EQ(temperatureFlags(metres({28, 27, 21, 15, 9, 8, 7.9})), (Flags{1, 1, 1, 1, 1, 1, 1}));
  // Neighbours without a value are passed over to the nearest with one.
  EXPECT_EQ(temperatureFlags(metres({20, NAN, 23, NAN, 20})), (Flags{1, 9, 3, 9, 1}));
  EXPECT_EQ(summaryOf(metres({20, 20, 30, 20, 20})).testsFailed, qctest::kSpike | 0u);
  EXPECT_EQ(summaryOf(metres({20, 20, 30.01, 20, 20})).testsFailed,
            qctest::kSpike | qctest::kGradient);
  // The first and the last sample against their one neighbour: more than
  // 10 degrees apart.
  EXPECT_EQ(temperatureFlags(metres({31, 20.99, 20.98, 20.97, 10.96})), (Flags{3, 1, 1, 1, 3}));
  EXPECT_EQ(temperatureFlags(metres({30.99, 20.99, 20.98, 20.97, 10.97})), (Flags{1, 1, 1, 1, 1}));
}

TEST(QualityControl, BottomAndRatedDepthLimits) {
  // 5000 m of water: deeper than 5100 m (2 % more) is bad. A T-7, rated
  // 760 m: deeper than 836 m is probably bad.
  Observation o = profile({{836, 4}, {836.01, 4}, {5100, 2}, {5100.01, 2}});
  o.probe.maxDepthM = 760;
  EXPECT_EQ(temperatureFlags(o), (Flags{1, 3, 3, 4}));
  // Where 2 % of the bottom is less than 5 m, 5 m; the two meet at 250 m.
  const auto flags = [](int bottom, std::initializer_list<std::pair<double, double>> samples) {
    Observation sounded = profile(samples);
    sounded.bottomDepthM = bottom;
    return temperatureFlags(sounded);
  };
  EXPECT_EQ(flags(100, {{105, 10}, {105.01, 10}}), (Flags{1, 4}));
  EXPECT_EQ(flags(249, {{254, 10}, {254.01, 10}}), (Flags{1, 4}));
  EXPECT_EQ(flags(251, {{256.02, 10}, {256.03, 10}}), (Flags{1, 4}));
  // A sounding under 5 m is no sounding to judge a drop by (a zero is an
  // unfilled field): the test is not performed.
  for (const int bottom : {0, 4}) {
    Observation shallow = profile({{5, 20}, {300, 10}});
    shallow.bottomDepthM = bottom;
    runQualityControl(shallow, kNow);
    EXPECT_EQ(shallow.qc->testsPerformed & qctest::kBottom, 0u) << bottom;
    EXPECT_EQ(shallow.qc->profileFlag, kQcGood) << bottom;
  }
  EXPECT_EQ(flags(5, {{10, 20}, {10.01, 20}}), (Flags{1, 4}));
  EXPECT_EQ(flags(6, {{11, 20}, {11.01, 20}}), (Flags{1, 4}));
  o.bottomDepthM.reset();
  o.probe.maxDepthM.reset();
  EXPECT_EQ(summaryOf(o).testsPerformed & (qctest::kBottom | qctest::kRatedDepth), 0u);
}

// A T-10 dropped at 10 Hz (0.63 m a sample) through a mixed layer of 25
// degrees to 50 m and a thermocline of `gradient` degrees a metre below,
// to `deepest` metres: no sample below 50 m is within 0.1 degree of its
// neighbours.
Observation steepDrop(double step, double gradient, double deepest) {
  Observation o = profile({});
  o.profile.layout = ProfileLayout::kFullResolution;
  for (double z = step; z <= deepest; z += step) {
    o.profile.samples.push_back(
        profile({{z, z <= 50 ? 25 : 25 - gradient * (z - 50)}}).profile.samples[0]);
  }
  return o;
}

TEST(QualityControl, WireBreakNeedsAnOffScaleTail) {
  // Tight samples down to 12 m, then the wire breaks and reads off-scale.
  EXPECT_EQ(temperatureFlags(metres({20, 20, 20.05, 20.05, 26, 31, 35.5, 30})),
            (Flags{1, 1, 1, 4, 4, 4, 4, 4}));
  // A drop that ends inside a steep thermocline stays in range: no break.
  for (Observation drop : {steepDrop(0.63, 0.17, 199), steepDrop(2, 0.1, 200)}) {
    runQualityControl(drop, kNow);
    EXPECT_EQ(drop.qc->testsFailed & qctest::kWireBreak, 0u);
    EXPECT_EQ(drop.qc->profileFlag, kQcGood);
    // The same tail with one sample off-scale is a broken wire.
    *drop.profile.samples.back().temperatureHundredths = 3201;
    runQualityControl(drop, kNow);
    EXPECT_NE(drop.qc->testsFailed & qctest::kWireBreak, 0u);
    EXPECT_EQ(drop.qc->profileFlag, kQcBad);
  }
  // The plausible range is -2.40..32.00, both included, for the last tight
  // sample and for the tail alike.
  EXPECT_EQ(temperatureFlags(metres({20, 20, 20, 25, 32})), (Flags{1, 1, 1, 1, 1}));
  EXPECT_EQ(temperatureFlags(metres({20, 20, 20, 25, 32.01})), (Flags{1, 1, 4, 4, 4}));
  EXPECT_EQ(summaryOf(metres({0, 0, 0, -1, -2.4})).testsFailed & qctest::kWireBreak, 0u);
  EXPECT_NE(summaryOf(metres({0, 0, 0, -1, -2.41})).testsFailed & qctest::kWireBreak, 0u);
  EXPECT_EQ(temperatureFlags(metres({30, 30, 30, 32.05, 32.05})), (Flags{1, 1, 4, 4, 4}));
  // Tight is within 0.1 degree of both neighbours: 0.09 is, 0.10 is not.
  EXPECT_EQ(temperatureFlags(metres({20, 20.09, 20.18, 35, 35})), (Flags{1, 1, 4, 4, 4}));
  EXPECT_EQ(temperatureFlags(metres({20, 20.1, 20.2, 35, 35})), (Flags{1, 1, 1, 1, 1}));
  Observation o = metres({20, 20, 20, 25, 33});
  o.profile.layout = ProfileLayout::kInflectionPoints;
  EXPECT_EQ(temperatureFlags(o), (Flags{1, 1, 1, 1, 1}));
  EXPECT_EQ(summaryOf(o).testsPerformed & qctest::kWireBreak, 0u);
}

TEST(QualityControl, ProfileFlagLeavesOutTheTopAndAbsentValues) {
  // Shallower than 3.6 m is probably bad, and does not count.
  Observation o = profile({{2, 35}, {3.59, 20}, {3.6, 20}, {5, 20}});
  EXPECT_EQ(temperatureFlags(o), (Flags{3, 3, 1, 1}));
  EXPECT_EQ(summaryOf(o).profileFlag, kQcGood);
  // A sample without a depth counts.
  o = profile({{NAN, 41}, {10, 20}});
  EXPECT_EQ(summaryOf(o).profileFlag, kQcBad);
  EXPECT_EQ(summaryOf(o).testsPerformed & qctest::kEnvelope, qctest::kEnvelope);
  // Without a time or a position the profile cannot be placed: never good.
  o = profile({{10, 20}});
  o.time.day.reset();
  o.time.utcSeconds.reset();
  EXPECT_EQ(summaryOf(o).profileFlag, kQcProbablyBad);
  o = profile({{10, 20}});
  o.latitude.reset();
  EXPECT_EQ(summaryOf(o).profileFlag, kQcProbablyBad);
  o.profile.samples[0].temperatureHundredths = 4100;
  EXPECT_EQ(summaryOf(o).profileFlag, kQcBad) << "a worse flag stays";
  // Nothing with a value at all.
  o = profile({{NAN, NAN}});
  o.time = {};
  o.latitude.reset();
  EXPECT_EQ(summaryOf(o).profileFlag, kQcMissing);
  EXPECT_EQ(summaryOf(o).testsPerformed & qctest::kIncreasingDepth, 0u) << "no depth";
  EXPECT_EQ(qcTestNames(qctest::kSpike | qctest::kImpossibleDate | qctest::kCutShort),
            (std::vector<std::string>{"impossible_date", "spike", "cut_short"}));
}

// A message whose decode stopped early is at best probably bad; its
// samples keep their own flags.
TEST(QualityControl, CutShortMessageIsAtBestProbablyBad) {
  Observation o = metres({20, 19, 18});
  o.decoded = false;
  runQualityControl(o, kNow);
  EXPECT_EQ(o.qc->profileFlag, kQcProbablyBad);
  EXPECT_EQ(o.qc->testsFailed, qctest::kCutShort | 0u);
  for (const Sample& s : o.profile.samples) EXPECT_EQ(s.temperatureQc, kQcGood);
  o.profile.samples[1].temperatureHundredths = 4100;
  EXPECT_EQ(summaryOf(o).profileFlag, kQcBad) << "a worse flag stays";
  o = profile({});
  o.decoded = false;
  o.time = {};
  o.latitude.reset();
  EXPECT_EQ(summaryOf(o).profileFlag, kQcMissing) << "nothing arrived to judge";
  EXPECT_NE(summaryOf(profile({})).testsPerformed & qctest::kCutShort, 0u);
  EXPECT_EQ(summaryOf(profile({})).testsFailed & qctest::kCutShort, 0u);
}

// Thousands of realistic profiles (a mixed layer over a thermocline, to
// the probe's depth), some with one planted fault: each fault is flagged
// 3 or 4 on every sample it touched, and neither the position nor
// anything below 3.6 m of a clean profile is.
TEST(QualityControl, PlantedFaultsAreFlaggedAndCleanProfilesAreNot) {
  std::mt19937_64 random(16122026);
  int planted = 0;
  for (int round = 0; round < 4000; ++round) {
    testing::RealisticProfile p = testing::realisticProfile(random, round % 3 != 0);
    runQualityControl(p.observation, kNow);
    ASSERT_EQ(p.observation.qc->positionFlag, kQcGood)
        << *p.observation.latitude << " " << *p.observation.longitude;
    const std::vector<Sample>& samples = p.observation.profile.samples;
    for (std::size_t i = 0; i < samples.size(); ++i) {
      const bool faulty = p.fault && i >= p.fault->first && i <= p.fault->last;
      const int worst = samples[i].temperatureQc;
      if (faulty) {
        ASSERT_GE(worst, 3) << p.fault->name << " at " << i << ", round " << round;
      } else if (!p.fault && *samples[i].depthHundredths >= 360) {
        ASSERT_EQ(worst, 1) << "clean profile, sample " << i << ", round " << round;
      }
    }
    planted += p.fault ? 1 : 0;
  }
  EXPECT_GT(planted, 2000);
}

}  // namespace
}  // namespace xbtconv
