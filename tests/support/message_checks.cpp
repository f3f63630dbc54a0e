#include "support/message_checks.h"

#include <gtest/gtest.h>

#include <ctime>

#include "decoding/jjvv2_message.h"
#include "decoding/message_kind.h"
#include "report/report_assembly.h"
#include "support/random_fields.h"

namespace xbtconv::testing {
namespace {

// Degrees Celsius of a raw sea temperature, worked out independently of
// the decoder's single-precision steps.
double celsius(std::uint64_t raw) { return (static_cast<double>(raw) - 400) / 100; }

}  // namespace

std::string reportOf(const std::vector<std::uint8_t>& bytes) {
  if (messageKind(bytes) == kExtendedKind) return reportText(*decoded<Jjvv2Message>(bytes));
  return reportText(*decoded<JjvvMessage>(bytes));
}

void expectStandardFields(const JjvvMessage& message, const StandardFields& f) {
  const std::int32_t latitude = expectedRaw(f.header.latitude, 0, 18000000);
  EXPECT_NEAR(message.latitude(), latitude == -1 ? -9999.0 : (latitude - 9000000) / 1e5, 1e-9);
  const std::int32_t longitude = expectedRaw(f.header.longitude, 0, 36000000);
  EXPECT_NEAR(message.longitude(), longitude == -1 ? -9999.0 : (longitude - 18000000) / 1e5, 1e-9);
  std::tm time{};
  message.observationTime(time);
  const std::int32_t year = expectedRaw(f.header.year, 0, 4094);
  EXPECT_EQ(time.tm_year, year == -1 ? -1 : year - 1900);
  const std::int32_t month = expectedRaw(f.header.month, 1, 12);
  EXPECT_EQ(time.tm_mon, month == -1 ? -1 : month - 1);
  EXPECT_EQ(time.tm_mday, expectedRaw(f.header.day, 1, 31));
  EXPECT_EQ(time.tm_hour, expectedRaw(f.header.hour, 0, 23));
  EXPECT_EQ(time.tm_min, expectedRaw(f.header.minute, 0, 59));
  EXPECT_EQ(message.shipName(), f.shipName[0] == '\xFF' ? "" : f.shipName);
  EXPECT_EQ(message.imoNumber(), expectedRaw(f.imoNumber, 0, 9999999));
  EXPECT_EQ(message.uniqueTag(), expectedRaw(f.uniqueTag, 0, 4294967293u));
  EXPECT_EQ(message.softwareVersion(), expectedRaw(f.softwareVersion, 0, 999));
  EXPECT_EQ(message.typeOfData(), expectedRaw(f.typeOfData, 0, 6));
  EXPECT_EQ(message.probeTypeCode(), expectedRaw(f.probeType, 0, 1022));
  EXPECT_EQ(message.recorderTypeCode(), expectedRaw(f.recorderType, 0, 126));
  EXPECT_EQ(message.windInstrumentCode(), expectedRaw(f.windInstrument, 0, 14));
  EXPECT_EQ(message.windDirection(), expectedRaw(f.windDirection, 0, 510));
  EXPECT_EQ(message.currentMethodCode(), expectedRaw(f.currentMethod, 0, 6));
  EXPECT_EQ(message.currentDirection(), expectedRaw(f.currentDirection, 0, 510));
  EXPECT_EQ(message.totalWaterDepth(), expectedRaw(f.totalWaterDepth, 0, 16382));
  const std::int32_t windSpeed = expectedRaw(f.windSpeed, 0, 4094);
  EXPECT_NEAR(message.windSpeedKnots(), windSpeed == -1 ? -1.0 : windSpeed * 0.1943844, 0.051);
  const std::int32_t currentSpeed = expectedRaw(f.currentSpeed, 0, 8190);
  EXPECT_NEAR(message.currentSpeedKnots(), currentSpeed == -1 ? -1.0 : currentSpeed * 0.01943844,
              0.0051);
  const std::int32_t dryBulb = expectedRaw(f.dryBulb, 0, 4094);
  EXPECT_NEAR(message.dryBulbCelsius(), dryBulb == -1 ? -9999.0 : dryBulb / 10.0 - 273.1, 1e-4);

  const auto groups = static_cast<std::int32_t>(f.temperatures.size() + f.points.size());
  if (f.typeOfData == 1) {
    ASSERT_EQ(message.fullResolutionCount(), groups);
    for (std::int32_t i = 0; i < groups; ++i) {
      EXPECT_NEAR(message.fullResolutionTemperature(i), celsius(f.temperatures[i]), 1e-5);
    }
  } else if (f.typeOfData == 2) {
    ASSERT_EQ(message.twoMeterCount(), 2 * groups);
    for (std::int32_t k = 1; k <= groups; ++k) {
      EXPECT_NEAR(message.twoMeterTemperature(2 * k), celsius(f.temperatures[k - 1]), 1e-5);
    }
  } else if (f.typeOfData == 3) {
    ASSERT_EQ(message.inflectionPointCount(), groups);
    for (std::int32_t i = 0; i < groups; ++i) {
      EXPECT_EQ(message.inflectionPoint(i).depth, static_cast<std::int32_t>(f.points[i].first));
      EXPECT_NEAR(message.inflectionPoint(i).temperature, celsius(f.points[i].second), 1e-5);
    }
  }
}

}  // namespace xbtconv::testing
