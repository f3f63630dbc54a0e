// Quality control on profiles built for each test: the flags each test
// gives, the edges its definition names, which tests count as performed,
// and the profile flag. Values are written as the messages carry them
// (metres and degrees to the hundredth).
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

// A two-metre profile at 30N 40W (no region of its own), dropped on
// 2020-06-01 12:00 in 5000 m of water, with samples (depth, temperature);
// NAN for no value.
Observation profile(std::initializer_list<std::pair<double, double>> samples) {
  Observation o;
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

using Flags = std::vector<int>;

TEST(QualityControl, TimeAndPosition) {
  EXPECT_EQ(summaryOf(profile({})).timeFlag, kQcGood);
  EXPECT_EQ(summaryOf(profile({})).positionFlag, kQcGood);
  Observation o = profile({});
  o.time.minute.reset();
  o.time.utcSeconds.reset();
  EXPECT_EQ(summaryOf(o).timeFlag, kQcMissing) << "a field absent";
  EXPECT_EQ(summaryOf(o).testsPerformed & qctest::kImpossibleDate, 0u);
  o = profile({});
  o.time = {2021, 2, 29, 0, 0, std::nullopt};  // no such day
  EXPECT_EQ(summaryOf(o).timeFlag, kQcBad);
  o.time = {1965, 12, 31, 23, 59, -126230460};  // before any XBT
  EXPECT_EQ(summaryOf(o).timeFlag, kQcBad);
  EXPECT_EQ(summaryOf(o).testsFailed, qctest::kImpossibleDate);
  o.time = {1966, 1, 1, 0, 0, -126230400};
  EXPECT_EQ(summaryOf(o).timeFlag, kQcGood);
  o.time = {2026, 12, 1, 0, 0, kNow};
  EXPECT_EQ(summaryOf(o).timeFlag, kQcGood) << "the run's clock itself";
  EXPECT_EQ(summaryOf(o, kNow - 60).timeFlag, kQcBad) << "later than the clock";
  o = profile({});
  o.longitude.reset();
  EXPECT_EQ(summaryOf(o).positionFlag, kQcMissing);
  EXPECT_EQ(summaryOf(o).testsPerformed & (qctest::kImpossibleLocation | qctest::kRegionalRange),
            0u);
}

TEST(QualityControl, GlobalAndRegionalRanges) {
  EXPECT_EQ(temperatureFlags(metres({-2.0, 40.0, -2.01, 40.01, NAN})), (Flags{4, 4, 4, 4, 9}))
      << "the envelope's strict bounds flag -2.00 and 40.00 at 10 m";
  Observation o = profile({{5000, -2.0}, {5001, -2.01}});
  runQualityControl(o, kNow);
  EXPECT_EQ(o.qc->testsFailed, qctest::kGlobalRange | qctest::kEnvelope);
  // Red Sea (20N 40E) and the Mediterranean (35N 18E): their own minima.
  o = profile({{100, 21.7}, {101, 21.69}});
  o.latitude = 20;
  o.longitude = 40;
  EXPECT_EQ(temperatureFlags(o), (Flags{1, 4}));
  o.profile.samples = profile({{NAN, 40}, {NAN, 40}, {NAN, 39.99}}).profile.samples;
  EXPECT_EQ(temperatureFlags(o), (Flags{1, 1, 1})) << "bounds included; no depth, no envelope";
  o.latitude = 35;
  o.longitude = 18;
  o.profile.samples = profile({{2000, 12.9}, {2001, 10.0}, {2002, 9.99}}).profile.samples;
  EXPECT_EQ(temperatureFlags(o), (Flags{1, 1, 4})) << "Argo's 10.0, not 13.0";
  o.latitude = 30;
  o.longitude = -40;
  EXPECT_EQ(temperatureFlags(o), (Flags{1, 1, 1})) << "outside both regions";
  EXPECT_NE(summaryOf(o).testsPerformed & qctest::kRegionalRange, 0u);
}

TEST(QualityControl, EnvelopeLayersIncludeTheirBottom) {
  // 25 m belongs to 0-25 (maximum 37), 25.01 m to 25-50 (maximum 36); the
  // first layer includes the surface.
  EXPECT_EQ(temperatureFlags(profile({{0, 36.99},
                                      {25, 36.99},
                                      {25.01, 36.5},
                                      {1100, 17.99},
                                      {1100.01, 18.0},
                                      {3000, 17.5},
                                      {3000.01, 6.99},
                                      {3001, 6.9}})),
            (Flags{3, 1, 4, 1, 4, 1, 1, 1}));
}

TEST(QualityControl, DepthsMustGrow) {
  Observation o = profile({{10, 20}, {12, 20}, {12, 20}, {11, 20}, {14, 20}, {NAN, 20}, {16, 20}});
  runQualityControl(o, kNow);
  std::vector<int> depths;
  for (const Sample& s : o.profile.samples) depths.push_back(s.depthQc);
  EXPECT_EQ(depths, (Flags{1, 1, 4, 4, 1, 9, 1}));
  EXPECT_EQ(o.qc->profileFlag, kQcBad);
}

TEST(QualityControl, ConstantProfileNeedsFiveSamples) {
  EXPECT_EQ(temperatureFlags(metres({15, 15, 15, 15, NAN, 15})), (Flags{4, 4, 4, 4, 9, 4}));
  EXPECT_EQ(temperatureFlags(metres({15, 15, 15, 15})), (Flags{1, 1, 1, 1}));
}

TEST(QualityControl, SpikesGradientsAndEnds) {
  // A spike of 3 degrees stands out; its neighbours do not.
  EXPECT_EQ(temperatureFlags(metres({20, 20, 23, 20, 20})), (Flags{1, 1, 3, 1, 1}));
  // V exactly 2.0 degrees is no spike (the test asks for more).
  EXPECT_EQ(temperatureFlags(metres({20, 20, 22, 20, 20})), (Flags{1, 1, 1, 1, 1}));
  // A steep but smooth thermocline: |V| is large, V negative.
  EXPECT_EQ(temperatureFlags(metres({28, 27, 21, 15, 9, 8, 7.9})), (Flags{1, 1, 1, 1, 1, 1, 1}));
  // Neighbours without a value are passed over to the nearest with one.
  EXPECT_EQ(temperatureFlags(metres({20, NAN, 23, NAN, 20})), (Flags{1, 9, 3, 9, 1}));
  // A bulge of more than 10 degrees: spike and gradient.
  Observation o = metres({10, 10, 20.5, 10, 10});
  runQualityControl(o, kNow);
  EXPECT_EQ(o.qc->testsFailed, qctest::kSpike | qctest::kGradient);
  // The first and the last sample against their one neighbour.
  EXPECT_EQ(temperatureFlags(metres({31, 20.9, 20.8, 20.7, 9.6})), (Flags{3, 1, 1, 1, 3}));
  EXPECT_EQ(temperatureFlags(metres({30.9, 20.9, 20.8, 20.7, 10.7})), (Flags{1, 1, 1, 1, 1}));
}

TEST(QualityControl, BottomAndRatedDepth) {
  // 5000 m of water: deeper than 5100 m (2 % more) is bad. A T-7, rated
  // 760 m: deeper than 836 m is probably bad.
  Observation o = profile({{836, 4}, {836.01, 4}, {5100, 2}, {5100.01, 2}});
  o.probe.maxDepthM = 760;
  EXPECT_EQ(temperatureFlags(o), (Flags{1, 3, 3, 4}));
  o.bottomDepthM = 100;  // 5 m more, as 2 % is less
  o.profile.samples = profile({{105, 10}, {105.01, 10}}).profile.samples;
  EXPECT_EQ(temperatureFlags(o), (Flags{1, 4}));
  o.bottomDepthM.reset();
  o.probe.maxDepthM.reset();
  const QcSummary s = summaryOf(o);
  EXPECT_EQ(s.testsPerformed & (qctest::kBottom | qctest::kRatedDepth), 0u);
}

TEST(QualityControl, WireBreaks) {
  // Tight samples down to 13 m, then the wire breaks: all below the last
  // tight sample in range are bad.
  EXPECT_EQ(temperatureFlags(metres({20, 20, 20.05, 20.05, 26, 31, 35.5, 30})),
            (Flags{1, 1, 1, 4, 4, 4, 4, 4}));
  // A break starting at the last sample takes the one before with it.
  EXPECT_EQ(temperatureFlags(metres({20, 20, 20, 20, 20.5})), (Flags{1, 1, 1, 4, 4}));
  // No sample is good (none tight): nothing flagged.
  EXPECT_EQ(temperatureFlags(metres({20, 21, 22, 23, 24})), (Flags{1, 1, 1, 1, 1}));
  // Tight but out of range (over 32 degrees) is no good sample.
  EXPECT_EQ(temperatureFlags(metres({30, 30, 30, 32.05, 32.05})), (Flags{1, 1, 4, 4, 4}));
  Observation o = metres({20, 20, 20, 20, 20.5});
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
  // Nothing with a value at all.
  o = profile({{NAN, NAN}});
  o.time = {};
  o.latitude.reset();
  EXPECT_EQ(summaryOf(o).profileFlag, kQcMissing);
  EXPECT_EQ(summaryOf(o).testsPerformed & qctest::kIncreasingDepth, 0u) << "no depth";
  EXPECT_EQ(qcTestNames(qctest::kSpike | qctest::kImpossibleDate),
            (std::vector<std::string>{"impossible_date", "spike"}));
}

// Thousands of realistic profiles (a mixed layer over a thermocline, to
// the probe's depth), some with one planted fault: each fault is flagged
// 3 or 4 on every sample it touched, and nothing below 3.6 m of a clean
// profile is.
TEST(QualityControl, PlantedFaultsAreFlaggedAndCleanProfilesAreNot) {
  std::mt19937_64 random(16122026);
  int planted = 0;
  for (int round = 0; round < 4000; ++round) {
    testing::RealisticProfile p = testing::realisticProfile(random, round % 3 != 0);
    runQualityControl(p.observation, kNow);
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
