#include "decoding/jjvv_message.h"

#include <gtest/gtest.h>

#include <random>

#include "support/message_checks.h"
#include "support/random_fields.h"

namespace xbtconv {
namespace {

using testing::cutAt;
using testing::decoded;
using testing::kAllOnes;
using testing::kStandardProfileStart;
using testing::StandardFields;
using testing::standardMessage;

StandardFields withProfile(std::uint64_t type, std::vector<std::uint64_t> temperatures,
                           std::vector<std::pair<std::uint64_t, std::uint64_t>> points = {}) {
  StandardFields fields;
  fields.typeOfData = type;
  fields.temperatures = std::move(temperatures);
  fields.points = std::move(points);
  return fields;
}

TEST(JjvvMessage, FullResolutionProfile) {
  bool read = false;
  auto message = decoded(standardMessage(withProfile(1, {400, 2400, kAllOnes, 0, 4094})), &read);
  ASSERT_TRUE(read);
  ASSERT_EQ(message->fullResolutionCount(), 5);
  EXPECT_EQ(message->fullResolutionTemperature(0), 0.0f);
  EXPECT_EQ(message->fullResolutionTemperature(1), 20.0f);
  EXPECT_EQ(message->fullResolutionTemperature(2), 20.0f) << "all ones repeats the sample before";
  EXPECT_EQ(message->fullResolutionTemperature(3), -4.0f);
  EXPECT_EQ(message->fullResolutionTemperature(4), 36.94f);
  EXPECT_EQ(message->fullResolutionTemperature(5), -9999.0f);
  EXPECT_EQ(message->fullResolutionTemperature(-1), -9999.0f);
  // A first sample of all ones has nothing to repeat: the raw value stays
  // 0xFFFFFFFF and converts like a number.
  message = decoded(standardMessage(withProfile(1, {kAllOnes, 1000})));
  EXPECT_GT(message->fullResolutionTemperature(0), 4.29e7f);
  EXPECT_EQ(message->fullResolutionTemperature(1), 6.0f);
}

TEST(JjvvMessage, TwoMeterProfileHoldsEverySampleTwice) {
  const auto message = decoded(standardMessage(withProfile(2, {2800, 2810, 2820})));
  EXPECT_EQ(message->twoMeterCount(), 6);
  const float expected[] = {-9999.0f, 24.0f, 24.0f, 24.1f, 24.1f, 24.2f, 24.2f, -9999.0f};
  for (int position = 0; position <= 7; ++position) {
    EXPECT_EQ(message->twoMeterTemperature(position), expected[position]) << position;
  }
  EXPECT_EQ(message->fullResolutionCount(), 0);
}

TEST(JjvvMessage, InflectionPoints) {
  // 16383 is all fourteen depth bits: it repeats the depth before, as all
  // ones repeats a temperature.
  const auto message = decoded(
      standardMessage(withProfile(3, {}, {{150, 1900}, {kAllOnes, kAllOnes}, {16383, 100}})));
  ASSERT_EQ(message->inflectionPointCount(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(message->inflectionPoint(i).depth, 150) << i;
  EXPECT_EQ(message->inflectionPoint(0).temperature, 15.0f);
  EXPECT_EQ(message->inflectionPoint(1).temperature, 15.0f);
  EXPECT_EQ(message->inflectionPoint(2).temperature, -3.0f);
  EXPECT_EQ(message->inflectionPoint(3).depth, 0);
  EXPECT_EQ(message->inflectionPoint(3).temperature, 0.0f);
}

TEST(JjvvMessage, NoProfileLayoutReadsNothingAfterTheFixedPart) {
  for (std::uint64_t type : {std::uint64_t{0}, std::uint64_t{4}, kAllOnes}) {
    StandardFields fields = withProfile(type, {});
    fields.groupCount = 500;  // a count far beyond the buffer
    bool read = false;
    const auto message = decoded(standardMessage(fields), &read);
    EXPECT_TRUE(read) << type;
    EXPECT_EQ(
        message->fullResolutionCount() + message->twoMeterCount() + message->inflectionPointCount(),
        0);
  }
}

TEST(JjvvMessage, CountsThatLie) {
  StandardFields fields = withProfile(3, {}, {{2, 2000}, {4, 1990}, {6, 1980}});
  fields.groupCount = 4;  // one more than the message carries
  bool read = true;
  EXPECT_EQ(decoded(standardMessage(fields), &read)->inflectionPointCount(), 3);
  EXPECT_FALSE(read);

  // A missing group count runs the loop to the end of the buffer.
  fields = withProfile(1, {2000, 2001, 2002, 2003});
  fields.groupCount = kAllOnes;
  std::vector<std::uint8_t> bytes = standardMessage(fields);
  bytes.resize(bytes.size() + 30, 0x00);  // 240 more bits, 20 more samples of -4.00
  const auto uncounted = decoded(bytes, &read);
  EXPECT_FALSE(read);
  EXPECT_EQ(uncounted->fullResolutionCount(), (static_cast<int>(bytes.size()) * 8 - 621) / 12);
  EXPECT_EQ(uncounted->fullResolutionTemperature(23), -4.0f);
}

// Cut at every byte, decode never reads past the buffer (the sanitizer
// build would see it), fails exactly when a field is missing, and keeps
// what arrived.
TEST(JjvvMessage, TruncationAtEveryByte) {
  const std::vector<std::uint8_t> whole =
      standardMessage(withProfile(3, {}, {{2, 2000}, {4, 1990}, {6, 1980}}));
  for (std::size_t length = 0; length <= whole.size(); ++length) {
    bool read = false;
    const auto message = decoded(cutAt(whole, length), &read);
    const std::int64_t bits = 8 * static_cast<std::int64_t>(length);
    EXPECT_EQ(read, bits >= kStandardProfileStart + 3 * 26) << length;
    EXPECT_EQ(message->callSign(), bits >= 72 ? "VRZN9" : "") << length;
    EXPECT_EQ(message->totalWaterDepth(), bits >= 597 ? 4200 : -1) << length;
    const std::int64_t points =
        bits >= kStandardProfileStart ? (bits - kStandardProfileStart) / 26 : 0;
    EXPECT_EQ(message->inflectionPointCount(), std::min<std::int64_t>(points, 3)) << length;
  }
}

TEST(JjvvMessage, SpeedsInKnotsAndDryBulb) {
  struct Case {
    std::uint64_t windSpeed;
    float windKnots;
    std::uint64_t currentSpeed;
    float currentKnots;
  };
  // 1 m/s is 1.943844 knots. Wind is in tenths of m/s and rounds half up to
  // 0.1 knot; current is in hundredths and rounds to 0.01 knot.
  for (const Case& c : {Case{100, 19.4f, 100, 1.94f}, Case{0, 0.0f, 0, 0.0f},
                        Case{44, 8.6f, 257, 5.0f},         // 8.553 -> 8.6, 4.9957 -> 5.00
                        Case{4094, 795.8f, 8190, 159.2f},  // 795.81, 159.1988
                        Case{kAllOnes, -1.0f, kAllOnes, -1.0f}}) {
    StandardFields fields;
    fields.windSpeed = c.windSpeed;
    fields.currentSpeed = c.currentSpeed;
    fields.dryBulb = c.windSpeed == kAllOnes ? kAllOnes : 2500;
    const auto message = decoded(standardMessage(fields));
    EXPECT_EQ(message->windSpeedKnots(), c.windKnots) << c.windSpeed;
    EXPECT_EQ(message->currentSpeedKnots(), c.currentKnots) << c.currentSpeed;
    EXPECT_EQ(message->dryBulbCelsius(), c.windSpeed == kAllOnes ? -9999.0f : -23.1f);
  }
}

// Random messages, random field values (in range, out of range, all ones):
// every accessor must give back what was put in. A field read one bit off
// shows here.
TEST(JjvvMessage, RandomMessagesDecodeToTheirFieldValues) {
  std::mt19937_64 random(6122026);
  for (int round = 0; round < 400; ++round) {
    const StandardFields f = testing::randomStandardFields(random);
    bool read = false;
    const auto message = decoded(standardMessage(f), &read);
    ASSERT_TRUE(read);
    testing::expectStandardFields(*message, f);
  }
}

}  // namespace
}  // namespace xbtconv
