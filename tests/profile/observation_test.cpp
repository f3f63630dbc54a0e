#include "profile/observation_builder.h"

#include <gtest/gtest.h>

#include "profile/utc_time.h"
#include "support/message_checks.h"

namespace xbtconv {
namespace {

using testing::kAllOnes;
using testing::StandardFields;

Observation observationOf(const StandardFields& fields,
                          double sampleRateHz = kDefaultSampleRateHz) {
  bool read = false;
  const auto message = testing::decoded(testing::standardMessage(fields), &read);
  return buildObservation(*message, read, "x.bin", sampleRateHz);
}

// The report repeats the sample before an all-ones one; the data says
// there is no value.
TEST(Observation, AllOnesSamplesHaveNoValue) {
  StandardFields fields;
  fields.temperatures = {2400, kAllOnes, 2300};
  Observation o = observationOf(fields);
  ASSERT_EQ(o.profile.samples.size(), 3u);
  EXPECT_EQ(o.profile.samples[0].temperatureC(), 20.0);
  EXPECT_EQ(o.profile.samples[1].temperatureC(), std::nullopt);
  EXPECT_EQ(o.profile.samples[2].temperatureC(), 19.0);
  EXPECT_EQ(testing::decoded(testing::standardMessage(fields))->fullResolutionTemperature(1),
            20.0f);

  fields.typeOfData = 3;
  fields.temperatures.clear();
  fields.points = {{10, 2000}, {kAllOnes, 2110}, {30, kAllOnes}};
  o = observationOf(fields);
  ASSERT_EQ(o.profile.samples.size(), 3u);
  EXPECT_EQ(o.profile.samples[1].depthM(), std::nullopt);
  EXPECT_EQ(o.profile.samples[1].temperatureC(), 17.1);
  EXPECT_EQ(o.profile.samples[2].depthM(), 30.0);
  EXPECT_EQ(o.profile.samples[2].temperatureC(), std::nullopt);
  EXPECT_EQ(o.profile.depthSource, DepthSource::kMessage);
}

// Sippican T-7 (code 42): z = 6.691 t - 0.00225 t^2.
TEST(Observation, FullResolutionDepthsFromTheFallRate) {
  StandardFields fields;
  fields.probeType = 42;
  fields.temperatures.assign(601, 2000);
  Observation o = observationOf(fields);
  EXPECT_EQ(o.profile.depthSource, DepthSource::kFallRate);
  EXPECT_EQ(o.profile.samples[0].depthM(), 0.0);
  EXPECT_DOUBLE_EQ(*o.profile.samples[10].depthM(), 6.69);     // 6.68875 at 1 s
  EXPECT_DOUBLE_EQ(*o.profile.samples[600].depthM(), 393.36);  // at 60 s
  o = observationOf(fields, 20.0);
  EXPECT_DOUBLE_EQ(*o.profile.samples[10].depthM(), 3.34);  // 3.3449375 at 0.5 s

  // Where the reports' probe table departs from WMO table C-3, the data take
  // C-3's: the T-12 (900) at 200 s is 9.727 * 200 - 0.0000473 * 200^2 =
  // 1943.508 m, not 2 m deeper; the XCTD (741) has a fall rate at all.
  fields.probeType = 900;
  fields.temperatures.assign(2001, 2000);
  o = observationOf(fields);
  // Coefficients are the tables' decimals exactly, as the data files write
  // them (-4.73e-05, not -4.7300000000000005e-05).
  EXPECT_EQ(*o.probe.fallRateB, -0.0000473);
  EXPECT_EQ(o.probe.fallRateSource, "wmo_c3");
  fields.probeType = 411;
  EXPECT_EQ(*observationOf(fields).probe.fallRateB, -0.0000904);
  fields.probeType = 900;
  EXPECT_DOUBLE_EQ(*o.profile.samples[2000].depthM(), 1943.51);
  fields.probeType = 741;
  // 3.42543 * 10 - 0.00047 * 10^2 at 10 s
  EXPECT_DOUBLE_EQ(*observationOf(fields).profile.samples[100].depthM(), 34.21);

  // Probes the reports' table lacks: C-3's coefficients and names, at
  // 1000 s (z = 1000 a + 10^6 b / 1000).
  fields.temperatures.assign(10001, 2000);
  const struct {
    std::uint64_t code;
    double depth;
    const char* name;
  } c3[] = {{81, 1520.00, "Sippican AXBT (300 m probes)"},
            {742, 3128.98, "TSK XCTD-2 / XCTD-2N / XCTD-4A"},
            {743, 3128.98, "TSK XCTD-2F"},
            {744, 4355.98, "TSK XCTD-3 / XCTD-3N"},
            {745, 3210.81, "TSK XCTD-4 / XCTD-4N"}};
  for (const auto& probe : c3) {
    fields.probeType = probe.code;
    o = observationOf(fields);
    EXPECT_DOUBLE_EQ(*o.profile.samples[10000].depthM(), probe.depth) << probe.code;
    EXPECT_EQ(o.probe.name, probe.name);
    EXPECT_EQ(o.probe.fallRateSource, "wmo_c3");
  }
  for (std::uint64_t probe : {261u, 3u, 1023u}) {  // no coefficients, not in the table, missing
    fields.probeType = probe;
    o = observationOf(fields);
    EXPECT_EQ(o.profile.depthSource, std::nullopt) << probe;
    EXPECT_EQ(o.profile.samples[10].depthM(), std::nullopt) << probe;
  }
}

TEST(Observation, TimeOnlyForARealDateAndTime) {
  StandardFields fields;
  fields.header.year = 2004;
  fields.header.month = 2;
  fields.header.day = 29;
  Observation o = observationOf(fields);
  ASSERT_TRUE(o.time.utcSeconds);
  EXPECT_EQ(*o.time.utcSeconds, 1078099140);
  EXPECT_EQ(isoTime(*o.time.utcSeconds), "2004-02-29T23:59:00Z");
  fields.header.year = 2100;  // no leap year
  o = observationOf(fields);
  EXPECT_EQ(o.time.utcSeconds, std::nullopt);
  EXPECT_EQ(o.time.day, 29) << "the fields stay as sent";
  EXPECT_EQ(isoTime(*utcSeconds(1899, 12, 31, 0, 0)), "1899-12-31T00:00:00Z");
  EXPECT_EQ(utcSeconds(2026, 4, 31, 12, 0), std::nullopt);
}

}  // namespace
}  // namespace xbtconv
