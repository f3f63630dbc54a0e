#include "decoding/jjvv2_message.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "report/report_assembly.h"
#include "report/report_header.h"
#include "support/message_checks.h"
#include "support/random_fields.h"

namespace xbtconv {
namespace {

using testing::cutAt;
using testing::decoded;
using testing::expectedRaw;
using testing::ExtendedFields;
using testing::extendedMessage;
using testing::StandardFields;

// The state a decode must always leave: kind 2, the 24-bit serial number
// in the sequence, holding `serial`.
void expectKindTwoState(const Jjvv2Message& message, std::int32_t serial) {
  EXPECT_EQ(message.subCategory(), kExtendedKind);
  const ElementDescriptor* entry = message.sequence()[Jjvv2Message::kSerialPosition];
  EXPECT_EQ(entry->width(), 24);
  EXPECT_EQ(static_cast<std::int32_t>(entry->rawValue()), serial);
  EXPECT_EQ(probeSerialInSequence(message), serial);
}

// A standard message read by the extended kind gives the values the
// standard kind reads, its extended fields missing, and leaves the object
// in its kind-2 state.
TEST(Jjvv2Message, StandardMessagesDecodeAsTheStandardKindDoes) {
  std::mt19937_64 random(20261207);
  for (int round = 0; round < 300; ++round) {
    const StandardFields f = testing::randomStandardFields(random);
    bool read = false;
    const auto message = decoded<Jjvv2Message>(testing::standardMessage(f), &read);
    ASSERT_TRUE(read);
    testing::expectStandardFields(*message, f);
    expectKindTwoState(*message, expectedRaw(f.probeSerial, 0, 999999));
    EXPECT_EQ(message->soopLine(), "Missing");
    EXPECT_EQ(message->launchHeight(), -1.0f);
    EXPECT_EQ(message->sequenceNumber(), -1);
  }
}

TEST(Jjvv2Message, RandomExtendedMessagesDecodeToTheirFieldValues) {
  std::mt19937_64 random(7122026);
  for (int round = 0; round < 300; ++round) {
    const ExtendedFields f = testing::randomExtendedFields(random);
    bool read = false;
    const auto message = decoded<Jjvv2Message>(extendedMessage(f), &read);
    ASSERT_TRUE(read);
    testing::expectStandardFields(*message, f);
    expectKindTwoState(*message, expectedRaw(f.probeSerial, 0, 16777214));
    EXPECT_EQ(message->transectNumber(), expectedRaw(f.transectNumber, 0, 126));
    EXPECT_EQ(message->sequenceNumber(), expectedRaw(f.sequenceNumber, 0, 65534));
    EXPECT_EQ(message->shipDirection(), expectedRaw(f.shipHeading, 0, 510));
    const std::int32_t height = expectedRaw(f.launchHeight, 0, 8190);
    EXPECT_NEAR(message->launchHeight(), height == -1 ? -1.0 : height / 100.0, 1e-4);
    const std::int32_t speed = expectedRaw(f.shipSpeed, 0, 8190);
    EXPECT_NEAR(message->shipSpeedKnots(), speed == -1 ? -1.0 : speed * 0.01943844, 0.0051);
    // The field holds six characters of the up to ten sent.
    EXPECT_EQ(message->soopLine(), f.soopLine[0] == '\xFF' ? "Missing" : f.soopLine.substr(0, 6));
  }
}

// Cut at every byte, a message of either kind fails exactly when a field is
// missing, keeps what arrived, and always leaves the 24-bit serial number
// in the sequence.
TEST(Jjvv2Message, TruncationAtEveryByteOfBothKinds) {
  ExtendedFields extended;
  extended.typeOfData = 2;
  extended.temperatures = {2400, 2390, 2380};
  StandardFields standard = extended;
  standard.header.kind = kStandardKind;
  struct Case {
    std::vector<std::uint8_t> bytes;
    std::int64_t profileStart;
    std::int64_t serialEnd;
  };
  for (const Case& c :
       {Case{extendedMessage(extended), testing::kExtendedProfileStart, 573},
        Case{testing::standardMessage(standard), testing::kStandardProfileStart, 498}}) {
    for (std::size_t length = 0; length <= c.bytes.size(); ++length) {
      bool read = false;
      const auto message = decoded<Jjvv2Message>(cutAt(c.bytes, length), &read);
      const std::int64_t bits = 8 * static_cast<std::int64_t>(length);
      EXPECT_EQ(read, bits >= c.profileStart + 3 * 12) << length;
      const std::int64_t samples = bits >= c.profileStart ? (bits - c.profileStart) / 12 : 0;
      EXPECT_EQ(message->twoMeterCount(), 2 * std::min<std::int64_t>(samples, 3)) << length;
      // A first run (here up to the month, bit 154) that fails ends before
      // any swap, keeping the kind read.
      const bool standardKindRead =
          c.profileStart == testing::kStandardProfileStart && bits >= 88 && bits < 155;
      EXPECT_EQ(message->subCategory(), standardKindRead ? kStandardKind : kExtendedKind);
      EXPECT_EQ(message->sequence()[Jjvv2Message::kSerialPosition]->width(), 24);
      EXPECT_EQ(probeSerialInSequence(*message), bits >= c.serialEnd ? 123456 : -1) << length;
    }
  }
}

// What a decode leaves that callers can see: each field's value bytes and
// flag, where the decode stopped, the report (the profile as listed) and
// which samples were all ones.
template <typename Message>
std::string decodedState(const Message& message) {
  std::string state;
  for (const ElementDescriptor* field : message.sequence()) {
    const ElementDescriptor::ValueBytes value = field->copyValue();
    state.append(value.begin(), value.end());
    state += field->hasValue() ? '+' : '-';
  }
  state += std::to_string(message.stopBit()) + reportText(message);
  const std::int32_t samples = std::max(
      {message.fullResolutionCount(), message.twoMeterCount(), message.inflectionPointCount()});
  for (std::int32_t i = 0; i < samples; ++i) {
    state += message.temperatureAllOnes(i) ? 'T' : '.';
    state += message.depthAllOnes(i) ? 'D' : '.';
  }
  return state;
}

// One message decoding message after message (batches reuse one) holds
// after each exactly what a new message decoding the same bytes holds:
// nothing of the message before shows through a field that is missing,
// a profile that is shorter or a decode cut short. Both kinds of bytes go
// through both kinds of message, cleared in between or not.
template <typename Message>
void expectReusedMessagesHoldWhatNewOnesDo(std::uint64_t seed) {
  std::mt19937_64 random(seed);
  Message reused;
  for (int index = 0; index < 300; ++index) {
    ExtendedFields f = testing::randomExtendedFields(random);
    if (index % 3 == 1 && !f.temperatures.empty()) f.temperatures.front() = testing::kAllOnes;
    if (index % 3 == 1 && !f.points.empty())
      f.points.back() = {testing::kAllOnes, testing::kAllOnes};
    std::vector<std::uint8_t> bytes =
        index % 2 == 0 ? extendedMessage(f) : testing::standardMessage(f);
    if (index % 5 == 0) bytes = cutAt(bytes, random() % bytes.size());
    bool read = false;
    const auto fresh = decoded<Message>(bytes, &read);
    EXPECT_EQ(reused.decode(testing::bufferOf(bytes)), read) << index;
    EXPECT_EQ(decodedState(reused), decodedState(*fresh)) << index;
    if (index % 4 == 0) reused.clear();
  }
}

TEST(MessageReuse, ADecodeShowsNothingOfTheMessageBefore) {
  expectReusedMessagesHoldWhatNewOnesDo<JjvvMessage>(1);
  expectReusedMessagesHoldWhatNewOnesDo<Jjvv2Message>(2);
}

}  // namespace
}  // namespace xbtconv
