#include "decoding/jjvv2_message.h"

#include <gtest/gtest.h>

#include <random>

#include "report/report_header.h"
#include "support/message_builder.h"
#include "support/message_checks.h"
#include "support/random_fields.h"

namespace xbtconv {
namespace {

using testing::bufferOf;
using testing::expectedRaw;
using testing::ExtendedFields;
using testing::extendedMessage;
using testing::kAllOnes;
using testing::StandardFields;
using testing::standardMessage;

bool decodeBytes(Jjvv2Message& message, const std::vector<std::uint8_t>& bytes) {
  return message.decode(bufferOf(bytes));
}

// The state a decode must always leave: kind 2, the 24-bit serial number
// in the sequence, holding `serial`.
void expectKindTwoState(const Jjvv2Message& message, std::int32_t serial) {
  EXPECT_EQ(message.subCategory(), 2);
  const ElementDescriptor* entry = message.sequence()[Jjvv2Message::kSerialPosition];
  EXPECT_STREQ(entry->name(), "KAVRIN PROBE SERIAL NUMBER");
  EXPECT_EQ(entry->width(), 24);
  EXPECT_EQ(static_cast<std::int32_t>(entry->rawValue()), serial);
  EXPECT_EQ(probeSerialInSequence(message), serial);
}

TEST(Jjvv2Message, SequenceOfThirtyFiveEntries) {
  const Jjvv2Message message;
  const char* const names[] = {"SHIP CALL SIGN",
                               "INMARSAT REPORT SUB-CATEGORY",
                               "KAVRIN INMARSAT REPORT SUB-CATEGORY",
                               "LATITUDE(HIGH ACCURACY)",
                               "LONGITUDE(HIGH ACCURACY)",
                               "SOOP LINE NUMBER",
                               "SHIP TRANSECT NUMBER",
                               "Message Sequence Number",
                               "YEAR",
                               "MONTH OF YEAR",
                               "DAY OF MONTH",
                               "HOUR OF DAY",
                               "MINUTE OF HOUR",
                               "SHIP NAME",
                               "IMO NUMBER",
                               "UNIQUE TAG",
                               "TALU SOFTWARE VERSION NUMBER",
                               "KAVRIN PROBE SERIAL NUMBER",
                               "TYPE OF DATA",
                               "DATA QUALITY INFORMATION",
                               "Launch Height",
                               "DIRECTION SHIP IS HEADING",
                               "SHIP'S SPEED",
                               "INSTRUMENT TYPE FOR WATER PROFILE MEASUREMENT",
                               "PROFILE MEASUREMENT RECORDER TYPE",
                               "TYPE OF INSTR. FOR WIND MEASUREMENT",
                               "WIND DIRECTION",
                               "WIND SPEED",
                               "DRY BULB TEMPERATURE",
                               "METHOD OF CURRENT MEASUREMENT",
                               "DIRECTION OF CURRENT",
                               "SPEED OF CURRENT",
                               "TOTAL WATER DEPTH",
                               "KAVRIN Replication factor",
                               "NUMBER OF GROUPS REPLICATED"};
  ASSERT_EQ(message.sequence().size(), std::size(names));
  int bits = 0;
  for (std::size_t i = 0; i < std::size(names); ++i) {
    EXPECT_STREQ(message.sequence()[i]->name(), names[i]) << i;
    bits += message.sequence()[i]->width();
  }
  EXPECT_EQ(bits, testing::kExtendedProfileStart);
  EXPECT_EQ(message.headerCount(), 10);
  expectKindTwoState(message, -1);
  EXPECT_EQ(message.soopLine(), "Missing");
  EXPECT_EQ(message.launchHeight(), -1.0f);
  EXPECT_EQ(message.shipSpeedKnots(), -1.0f);
  EXPECT_EQ(message.shipDirection(), -1);
}

TEST(Jjvv2Message, FixedPartEndsAtBit730) {
  ExtendedFields fields;
  fields.groupCount = 0;
  const std::vector<std::uint8_t> bytes = extendedMessage(fields);
  ASSERT_EQ(bytes.size(), 92u);
  Jjvv2Message message;
  ASSERT_TRUE(decodeBytes(message, bytes));
  EXPECT_EQ(message.soopLine(), "PX30");
  EXPECT_EQ(message.transectNumber(), 12);
  EXPECT_EQ(message.sequenceNumber(), 345);
  EXPECT_EQ(message.launchHeight(), 12.5f);
  EXPECT_EQ(message.shipDirection(), 270);
  EXPECT_EQ(message.shipSpeedKnots(), 9.72f);  // 5.00 m/s
  std::tm time{};
  EXPECT_EQ(message.observationTime(time).tm_year, 104);  // bits 210 to 221
  expectKindTwoState(message, 123456);

  Jjvv2Message cut;
  EXPECT_FALSE(decodeBytes(cut, std::vector<std::uint8_t>(bytes.begin(), bytes.end() - 1)));
  EXPECT_EQ(cut.totalWaterDepth(), 4200);
}

TEST(Jjvv2Message, LaunchFieldsAtTheirLimits) {
  ExtendedFields fields;
  fields.launchHeight = 1234;
  fields.soopLine = std::string(6, '\xFF');
  fields.probeSerial = 16777214;
  fields.shipSpeed = kAllOnes;
  Jjvv2Message message;
  ASSERT_TRUE(decodeBytes(message, extendedMessage(fields)));
  EXPECT_EQ(message.launchHeight(), 12.34f);
  EXPECT_EQ(message.soopLine(), "Missing");
  EXPECT_EQ(message.shipSpeedKnots(), -1.0f);
  expectKindTwoState(message, 16777214);

  fields.soopLine = "ABCDEFGH";  // the field holds six
  fields.launchHeight = kAllOnes;
  Jjvv2Message other;
  ASSERT_TRUE(decodeBytes(other, extendedMessage(fields)));
  EXPECT_EQ(other.soopLine(), "ABCDEF");
  EXPECT_EQ(other.launchHeight(), -1.0f);
}

TEST(Jjvv2Message, SkipsTheExtendedFieldsOnlyForKindOne) {
  Jjvv2Message message;
  for (int position : {5, 6, 7, 8, 17, 20, 21, 22, 23}) {
    EXPECT_FALSE(message.isSkipped(position)) << position;
  }
  message.setSubCategory(1);
  for (int position : {5, 6, 7, 20, 21, 22}) EXPECT_TRUE(message.isSkipped(position));
  for (int position : {4, 8, 17, 19, 23}) EXPECT_FALSE(message.isSkipped(position));
}

// A standard message read by the extended kind gives the values the
// standard kind reads, its extended fields missing, and leaves the object
// in its kind-2 state.
TEST(Jjvv2Message, StandardMessagesDecodeAsTheStandardKindDoes) {
  std::mt19937_64 random(20261207);
  for (int round = 0; round < 300; ++round) {
    const StandardFields f = testing::randomStandardFields(random);
    const std::vector<std::uint8_t> bytes = standardMessage(f);
    JjvvMessage standard;
    Jjvv2Message extended;
    ASSERT_TRUE(standard.decode(bufferOf(bytes)));
    ASSERT_TRUE(decodeBytes(extended, bytes));
    testing::expectStandardFields(extended, f);
    EXPECT_EQ(extended.probeSerialNumber(), standard.probeSerialNumber());
    expectKindTwoState(extended, expectedRaw(f.probeSerial, 0, 999999));
    EXPECT_EQ(extended.soopLine(), "Missing");
    EXPECT_EQ(extended.launchHeight(), -1.0f);
    EXPECT_EQ(extended.sequenceNumber(), -1);
  }
}

TEST(Jjvv2Message, RandomExtendedMessagesDecodeToTheirFieldValues) {
  std::mt19937_64 random(7122026);
  for (int round = 0; round < 300; ++round) {
    const ExtendedFields f = testing::randomExtendedFields(random);
    Jjvv2Message message;
    ASSERT_TRUE(decodeBytes(message, extendedMessage(f)));
    testing::expectStandardFields(message, f);
    expectKindTwoState(message, expectedRaw(f.probeSerial, 0, 16777214));
    EXPECT_EQ(message.transectNumber(), expectedRaw(f.transectNumber, 0, 126));
    EXPECT_EQ(message.sequenceNumber(), expectedRaw(f.sequenceNumber, 0, 65534));
    EXPECT_EQ(message.shipDirection(), expectedRaw(f.shipHeading, 0, 510));
    const std::int32_t height = expectedRaw(f.launchHeight, 0, 8190);
    EXPECT_NEAR(message.launchHeight(), height == -1 ? -1.0 : height / 100.0, 1e-4);
    const std::int32_t speed = expectedRaw(f.shipSpeed, 0, 8190);
    EXPECT_NEAR(message.shipSpeedKnots(), speed == -1 ? -1.0 : speed * 0.01943844, 0.0051);
    EXPECT_EQ(message.soopLine(), f.soopLine[0] == '\xFF' ? "Missing" : f.soopLine);
  }
}

// Cut at every byte, a message of either kind fails exactly when a field is
// missing, keeps what arrived, and always leaves the 24-bit serial number
// in the sequence.
TEST(Jjvv2Message, TruncationAtEveryByteOfBothKinds) {
  ExtendedFields extended;
  extended.typeOfData = 2;
  extended.temperatures = {2400, 2390, 2380};
  StandardFields standard;
  standard.typeOfData = 2;
  standard.temperatures = extended.temperatures;
  struct Case {
    std::vector<std::uint8_t> bytes;
    std::int64_t profileStart;
    std::int32_t serial;
  };
  for (const Case& c : {Case{extendedMessage(extended), testing::kExtendedProfileStart, 123456},
                        Case{standardMessage(standard), testing::kStandardProfileStart, 123456}}) {
    for (std::size_t length = 0; length <= c.bytes.size(); ++length) {
      const std::vector<std::uint8_t> cut(c.bytes.begin(), c.bytes.begin() + length);
      Jjvv2Message message;
      const bool decoded = decodeBytes(message, cut);
      const std::int64_t bits = 8 * static_cast<std::int64_t>(length);
      EXPECT_EQ(decoded, bits >= c.profileStart + 3 * 12) << length;
      const std::int64_t samples = bits >= c.profileStart ? (bits - c.profileStart) / 12 : 0;
      EXPECT_EQ(message.twoMeterCount(), 2 * std::min<std::int64_t>(samples, 3)) << length;
      // A first run (here up to the month, bit 154) that fails ends before
      // any swap, keeping the kind read.
      const bool standardKindRead =
          c.profileStart == testing::kStandardProfileStart && bits >= 88 && bits < 155;
      EXPECT_EQ(message.subCategory(), standardKindRead ? 1 : 2) << length;
      const bool serialRead =
          bits >= (c.profileStart == testing::kExtendedProfileStart ? 573 : 498);
      EXPECT_EQ(message.sequence()[Jjvv2Message::kSerialPosition]->width(), 24);
      EXPECT_EQ(probeSerialInSequence(message), serialRead ? c.serial : -1) << length;
    }
  }
}

}  // namespace
}  // namespace xbtconv
