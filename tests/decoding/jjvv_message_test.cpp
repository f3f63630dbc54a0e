#include "decoding/jjvv_message.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "support/message_builder.h"
#include "support/message_checks.h"
#include "support/random_fields.h"

namespace xbtconv {
namespace {

using testing::bufferOf;
using testing::expectStandardFields;
using testing::kAllOnes;
using testing::StandardFields;
using testing::standardMessage;

bool decodeBytes(JjvvMessage& message, const std::vector<std::uint8_t>& bytes) {
  return message.decode(bufferOf(bytes));
}

TEST(JjvvMessage, ConstructedWithTwentyNineEntriesAndNothingDecoded) {
  const JjvvMessage message;
  ASSERT_EQ(message.sequence().size(), 29u);
  EXPECT_EQ(message.headerCount(), 10);
  EXPECT_STREQ(message.sequence()[10]->name(), "SHIP NAME");
  EXPECT_STREQ(message.sequence()[14]->name(), "KAVRIN PROBE SERIAL NUMBER");
  EXPECT_EQ(message.sequence()[14]->width(), 20);
  EXPECT_STREQ(message.sequence()[17]->name(), "INSTRUMENT TYPE FOR WATER PROFILE MEASUREMENT");
  EXPECT_STREQ(message.sequence()[28]->name(), "NUMBER OF GROUPS REPLICATED");
  EXPECT_EQ(message.subCategory(), 1);
  EXPECT_EQ(message.shipName(), "");
  EXPECT_EQ(message.typeOfData(), -1);
  EXPECT_EQ(message.uniqueTag(), -1);
  EXPECT_EQ(message.windSpeedKnots(), -1.0f);
  EXPECT_EQ(message.currentSpeedKnots(), -1.0f);
  EXPECT_EQ(message.dryBulbCelsius(), -9999.0f);
  EXPECT_EQ(message.fullResolutionCount(), 0);
  EXPECT_EQ(message.twoMeterCount(), 0);
  EXPECT_EQ(message.inflectionPointCount(), 0);
  EXPECT_STREQ(message.probeType(message.probeTypeCode()).probeName, "");
}

TEST(JjvvMessage, FixedPartEndsAtBit620) {
  StandardFields fields;
  fields.groupCount = 0;
  const std::vector<std::uint8_t> bytes = standardMessage(fields);
  ASSERT_EQ(bytes.size(), 78u);  // 621 bits

  JjvvMessage message;
  EXPECT_TRUE(decodeBytes(message, bytes));
  EXPECT_EQ(message.fullResolutionCount(), 0);
  EXPECT_EQ(message.shipName(), "OLEANDER");
  EXPECT_EQ(message.imoNumber(), 9126467);
  EXPECT_EQ(message.uniqueTag(), 0x1A2B3C4D);
  EXPECT_EQ(message.softwareVersion(), 812);
  EXPECT_EQ(message.probeSerialNumber(), 123456);
  EXPECT_EQ(message.probeTypeCode(), 52);
  EXPECT_EQ(message.recorderTypeCode(), 6);
  EXPECT_EQ(message.windInstrumentCode(), 3);
  EXPECT_EQ(message.windDirection(), 270);
  EXPECT_EQ(message.currentMethodCode(), 1);
  EXPECT_EQ(message.currentDirection(), 90);
  EXPECT_EQ(message.totalWaterDepth(), 4200);

  // One byte less and "NUMBER OF GROUPS REPLICATED" no longer fits.
  JjvvMessage cut;
  EXPECT_FALSE(decodeBytes(cut, std::vector<std::uint8_t>(bytes.begin(), bytes.end() - 1)));
  EXPECT_EQ(cut.totalWaterDepth(), 4200);
  EXPECT_STREQ(cut.sequence()[28]->name(), "NUMBER OF GROUPS REPLICATED");
  EXPECT_FALSE(cut.sequence()[28]->hasValue());
}

TEST(JjvvMessage, FullResolutionProfile) {
  StandardFields fields;
  fields.temperatures = {400, 2400, kAllOnes, 0, 4094};
  JjvvMessage message;
  ASSERT_TRUE(decodeBytes(message, standardMessage(fields)));
  ASSERT_EQ(message.fullResolutionCount(), 5);
  EXPECT_EQ(message.fullResolutionTemperature(0), 0.0f);
  EXPECT_EQ(message.fullResolutionTemperature(1), 20.0f);
  EXPECT_EQ(message.fullResolutionTemperature(2), 20.0f) << "all ones repeats the sample before";
  EXPECT_EQ(message.fullResolutionTemperature(3), -4.0f);
  EXPECT_EQ(message.fullResolutionTemperature(4), 36.94f);
  EXPECT_EQ(message.fullResolutionTemperature(5), -9999.0f);
  EXPECT_EQ(message.fullResolutionTemperature(-1), -9999.0f);
  EXPECT_EQ(message.twoMeterCount(), 0);

  // A first sample of all ones has nothing to repeat: the raw value stays
  // 0xFFFFFFFF and converts like a number.
  fields.temperatures = {kAllOnes, 1000};
  ASSERT_TRUE(decodeBytes(message, standardMessage(fields)));
  ASSERT_EQ(message.fullResolutionCount(), 2);
  EXPECT_GT(message.fullResolutionTemperature(0), 4.29e7f);
  EXPECT_EQ(message.fullResolutionTemperature(1), 6.0f);
}

TEST(JjvvMessage, TwoMeterProfileHoldsEverySampleTwice) {
  StandardFields fields;
  fields.typeOfData = 2;
  fields.temperatures = {2800, 2810, 2820};
  JjvvMessage message;
  ASSERT_TRUE(decodeBytes(message, standardMessage(fields)));
  EXPECT_EQ(message.twoMeterCount(), 6);
  EXPECT_EQ(message.twoMeterTemperature(1), 24.0f);
  EXPECT_EQ(message.twoMeterTemperature(2), 24.0f);
  EXPECT_EQ(message.twoMeterTemperature(3), 24.1f);
  EXPECT_EQ(message.twoMeterTemperature(4), 24.1f);
  EXPECT_EQ(message.twoMeterTemperature(5), 24.2f);
  EXPECT_EQ(message.twoMeterTemperature(6), 24.2f);
  EXPECT_EQ(message.twoMeterTemperature(0), -9999.0f);
  EXPECT_EQ(message.twoMeterTemperature(7), -9999.0f);
  EXPECT_EQ(message.fullResolutionCount(), 0);
}

TEST(JjvvMessage, InflectionPoints) {
  StandardFields fields;
  fields.typeOfData = 3;
  fields.points = {{150, 1900}, {kAllOnes, kAllOnes}, {16383, 100}};
  JjvvMessage message;
  ASSERT_TRUE(decodeBytes(message, standardMessage(fields)));
  ASSERT_EQ(message.inflectionPointCount(), 3);
  EXPECT_EQ(message.inflectionPoint(0).depth, 150);
  EXPECT_EQ(message.inflectionPoint(0).temperature, 15.0f);
  EXPECT_EQ(message.inflectionPoint(1).depth, 150);
  EXPECT_EQ(message.inflectionPoint(1).temperature, 15.0f);
  // 16383 is all fourteen bits: it repeats 150 too.
  EXPECT_EQ(message.inflectionPoint(2).depth, 150);
  EXPECT_EQ(message.inflectionPoint(2).temperature, -3.0f);
  EXPECT_EQ(message.inflectionPoint(3).depth, 0);
  EXPECT_EQ(message.inflectionPoint(3).temperature, 0.0f);
}

TEST(JjvvMessage, NoProfileLayoutReadsNothingAfterTheFixedPart) {
  for (std::uint64_t type : {std::uint64_t{0}, std::uint64_t{4}, std::uint64_t{6}, kAllOnes}) {
    StandardFields fields;
    fields.typeOfData = type;
    fields.groupCount = 500;  // a count far beyond the buffer
    JjvvMessage message;
    EXPECT_TRUE(decodeBytes(message, standardMessage(fields))) << type;
    EXPECT_EQ(
        message.fullResolutionCount() + message.twoMeterCount() + message.inflectionPointCount(),
        0);
  }
}

TEST(JjvvMessage, ProfileCutShortKeepsTheWholeGroups) {
  StandardFields fields;
  fields.typeOfData = 3;
  fields.points = {{2, 2000}, {4, 1990}, {6, 1980}};
  fields.groupCount = 4;  // one more than the message carries
  JjvvMessage message;
  EXPECT_FALSE(decodeBytes(message, standardMessage(fields)));
  EXPECT_EQ(message.inflectionPointCount(), 3);

  // A missing group count runs the loop to the end of the buffer. (On the
  // same object the all-ones count would keep the 4 of the decode before.)
  fields.typeOfData = 1;
  fields.points.clear();
  fields.temperatures = {2000, 2001, 2002, 2003};
  fields.groupCount = kAllOnes;
  std::vector<std::uint8_t> bytes = standardMessage(fields);
  bytes.resize(bytes.size() + 30, 0x00);  // 240 more bits, 20 more samples of -4.00
  JjvvMessage uncounted;
  EXPECT_FALSE(decodeBytes(uncounted, bytes));
  EXPECT_EQ(uncounted.fullResolutionCount(), (static_cast<int>(bytes.size()) * 8 - 621) / 12);
  EXPECT_EQ(uncounted.fullResolutionTemperature(3), 16.03f);
  EXPECT_EQ(uncounted.fullResolutionTemperature(23), -4.0f);

  EXPECT_TRUE(decodeBytes(message, bytes)) << "the count of 4 from the decode before holds";
  EXPECT_EQ(message.fullResolutionCount(), 4);
  EXPECT_EQ(message.inflectionPointCount(), 0) << "a new decode empties the lists";
}

// A message cut at every byte: decode never reads past the buffer (the
// sanitizer build would see it), fails exactly when a field is missing, and
// keeps what arrived.
TEST(JjvvMessage, TruncationAtEveryByte) {
  StandardFields fields;
  fields.typeOfData = 3;
  fields.points = {{2, 2000}, {4, 1990}, {6, 1980}};
  const std::vector<std::uint8_t> whole = standardMessage(fields);
  const std::int64_t needed = testing::kStandardProfileStart + 3 * 26;
  for (std::size_t length = 0; length <= whole.size(); ++length) {
    const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + length);
    JjvvMessage message;
    const bool decoded = decodeBytes(message, cut);
    const std::int64_t bits = 8 * static_cast<std::int64_t>(length);
    EXPECT_EQ(decoded, bits >= needed) << length;
    EXPECT_EQ(message.callSign(), bits >= 72 ? "VRZN9" : "") << length;
    EXPECT_EQ(message.shipName(), bits >= 412 ? "OLEANDER" : "") << length;
    const std::int64_t points =
        bits >= testing::kStandardProfileStart ? (bits - testing::kStandardProfileStart) / 26 : 0;
    EXPECT_EQ(message.inflectionPointCount(), std::min<std::int64_t>(points, 3)) << length;
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
  for (const Case& c :
       {Case{100, 19.4f, 100, 1.94f},                       // 19.438, 1.9438
        Case{0, 0.0f, 0, 0.0f}, Case{44, 8.6f, 257, 5.0f},  // 8.553 -> 8.6, 4.9957 -> 5.00
        Case{13, 2.5f, 500, 9.72f},                         // 2.527 -> 2.5, 9.7192 -> 9.72
        Case{4094, 795.8f, 8190, 159.2f},                   // 795.81, 159.1988
        Case{kAllOnes, -1.0f, kAllOnes, -1.0f}}) {
    StandardFields fields;
    fields.windSpeed = c.windSpeed;
    fields.currentSpeed = c.currentSpeed;
    JjvvMessage message;
    ASSERT_TRUE(decodeBytes(message, standardMessage(fields)));
    EXPECT_EQ(message.windSpeedKnots(), c.windKnots) << c.windSpeed;
    EXPECT_EQ(message.currentSpeedKnots(), c.currentKnots) << c.currentSpeed;
  }

  StandardFields fields;
  JjvvMessage message;
  ASSERT_TRUE(decodeBytes(message, standardMessage(fields)));
  EXPECT_EQ(message.dryBulbCelsius(), 25.0f);  // 298.1 K - 273.1
  fields.dryBulb = 2500;
  ASSERT_TRUE(decodeBytes(message, standardMessage(fields)));
  EXPECT_EQ(message.dryBulbCelsius(), -23.1f);
  fields.dryBulb = kAllOnes;
  JjvvMessage missing;
  ASSERT_TRUE(decodeBytes(missing, standardMessage(fields)));
  EXPECT_EQ(missing.dryBulbCelsius(), -9999.0f);
}

TEST(JjvvMessage, ShipNameOfThirtyCharacters) {
  StandardFields fields;
  fields.shipName = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456";  // 33: the field takes 30
  JjvvMessage message;
  ASSERT_TRUE(decodeBytes(message, standardMessage(fields)));
  EXPECT_EQ(message.shipName(), "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123");
  fields.shipName = std::string(30, '\xFF');
  JjvvMessage missing;
  ASSERT_TRUE(decodeBytes(missing, standardMessage(fields)));
  EXPECT_EQ(missing.shipName(), "");
}

// Random messages, random field values (in range, out of range, all ones):
// every accessor must give back what was put in. A field read one bit off
// shows here.
TEST(JjvvMessage, RandomMessagesDecodeToTheirFieldValues) {
  std::mt19937_64 random(6122026);
  for (int round = 0; round < 400; ++round) {
    const StandardFields f = testing::randomStandardFields(random);
    JjvvMessage message;
    ASSERT_TRUE(decodeBytes(message, standardMessage(f)));
    expectStandardFields(message, f);
  }
}

}  // namespace
}  // namespace xbtconv
