#include "decoding/bit_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "descriptors/descriptor_catalogue.h"
#include "support/message_builder.h"

namespace xbtconv {
namespace {

using testing::bufferOf;

// The field read the slow way, bit by bit into a buffer of ones, exactly as
// the bit primitives describe it: the reference the word-level reader must
// agree with.
ElementDescriptor::ValueBytes workBufferBitByBit(const std::vector<std::uint8_t>& bytes,
                                                 std::int64_t position, int width) {
  ElementDescriptor::ValueBytes work;
  work.fill(0xFF);
  for (int i = 1; i <= width && i <= kWorkBufferBits; ++i) {
    setBit(i, getBit(position + i, bytes.data()), work.data());
  }
  return work;
}

ElementDescriptor numeric(int width) {
  ElementDescriptor descriptor;
  descriptor.setParameters(1, 1, 0, 0, width, 0xFFFFFFFFu, 0, "FIELD", "NUMERIC");
  return descriptor;
}

TEST(BitPrimitives, BitNumbersCountFromOneAtTheTopBit) {
  const std::uint8_t bytes[] = {0x80, 0x01};
  EXPECT_TRUE(getBit(1, bytes));
  EXPECT_FALSE(getBit(2, bytes));
  EXPECT_FALSE(getBit(9, bytes));
  EXPECT_TRUE(getBit(16, bytes));

  std::uint8_t buffer[2] = {0xFF, 0xFF};
  setBit(1, false, buffer);
  setBit(16, false, buffer);
  setBit(2, true, buffer);  // a one leaves the bit as it is
  EXPECT_EQ(buffer[0], 0x7F);
  EXPECT_EQ(buffer[1], 0xFE);
}

TEST(ReadDescriptor, NumericFields) {
  const std::vector<std::uint8_t> bytes = {0xA5, 0x3C, 0xFF, 0xFF, 0xFF, 0xFF};
  const MessageBuffer buffer = bufferOf(bytes);

  std::int64_t position = 0;
  ElementDescriptor byte = numeric(8);
  ASSERT_TRUE(readDescriptor(buffer, position, byte));
  EXPECT_EQ(byte.rawValue(), 0xA5u);
  EXPECT_EQ(position, 8);

  position = 0;
  ElementDescriptor word = numeric(16);
  ASSERT_TRUE(readDescriptor(buffer, position, word));
  EXPECT_EQ(word.rawValue(), 0xA53Cu);

  // Thirty-two bits are taken whole; all ones hands nothing over.
  position = 8;
  ElementDescriptor tag = buildDescriptor(catalogue::kUniqueTag);
  ASSERT_TRUE(readDescriptor(buffer, position, tag));
  EXPECT_EQ(tag.rawValue(), 0x3CFFFFFFu);
  position = 16;
  ASSERT_TRUE(readDescriptor(buffer, position, tag));
  EXPECT_EQ(position, 48);
  EXPECT_EQ(tag.rawValue(), 0x3CFFFFFFu) << "all ones must keep the earlier value";
}

TEST(ReadDescriptor, AllOnesKeepsTheEarlierValue) {
  testing::MessageBuilder builder;
  builder.bits(1234, 12).bits(testing::kAllOnes, 12).bits(4094, 12);
  const std::vector<std::uint8_t> bytes = builder.bytes();
  const MessageBuffer buffer = bufferOf(bytes);

  ElementDescriptor fresh = buildDescriptor(catalogue::kSeaTemperature);
  std::int64_t position = 12;
  ASSERT_TRUE(readDescriptor(buffer, position, fresh));
  EXPECT_FALSE(fresh.hasValue());
  EXPECT_EQ(fresh.rawValue(), 0xFFFFFFFFu);

  ElementDescriptor scratch = buildDescriptor(catalogue::kSeaTemperature);
  position = 0;
  ASSERT_TRUE(readDescriptor(buffer, position, scratch));
  ASSERT_TRUE(readDescriptor(buffer, position, scratch));
  EXPECT_EQ(scratch.rawValue(), 1234u);
  EXPECT_TRUE(scratch.hasValue());
  // All ones but the last bit is a value like any other.
  ASSERT_TRUE(readDescriptor(buffer, position, scratch));
  EXPECT_EQ(scratch.rawValue(), 4094u);
}

TEST(ReadDescriptor, WorkedExampleSixBitsAtSeventyTwo) {
  std::vector<std::uint8_t> bytes(11, 0);
  bytes[9] = 0xF8;
  ElementDescriptor subCategory = buildDescriptor(catalogue::kReportSubCategory);
  std::int64_t position = 72;
  ASSERT_TRUE(readDescriptor(bufferOf(bytes), position, subCategory));
  EXPECT_EQ(subCategory.rawValue(), 62u);
  EXPECT_EQ(position, 78);
}

TEST(ReadDescriptor, FieldMustFitTheBuffer) {
  const std::vector<std::uint8_t> bytes(10, 0x12);  // 80 bits
  const MessageBuffer buffer = bufferOf(bytes);
  ElementDescriptor field = buildDescriptor(catalogue::kSeaTemperature);

  std::int64_t position = 68;  // ends on offset 79, the last bit
  ASSERT_TRUE(readDescriptor(buffer, position, field));
  EXPECT_EQ(field.rawValue(), 0x212u);
  EXPECT_EQ(position, 80);

  field.setUnsignedValue(7);
  position = 72;  // needs four bits more than there are
  EXPECT_FALSE(readDescriptor(buffer, position, field));
  EXPECT_EQ(position, 72);
  EXPECT_EQ(field.rawValue(), 7u) << "a field that does not fit changes nothing";

  const MessageBuffer empty{0, nullptr};
  position = 0;
  EXPECT_FALSE(readDescriptor(empty, position, field));
}

TEST(ReadDescriptor, FitTestDoesNotOverflowOnHugeBuffers) {
  // 8 x byteCount and position + width pass 2^31 here; in 32-bit arithmetic
  // they would wrap and let the reader run off the end. No byte is touched
  // because the field does not fit.
  const MessageBuffer huge{std::numeric_limits<std::int32_t>::max(), nullptr};
  ElementDescriptor field = buildDescriptor(catalogue::kSeaTemperature);
  std::int64_t position = 8 * std::int64_t{std::numeric_limits<std::int32_t>::max()} - 11;
  EXPECT_FALSE(readDescriptor(huge, position, field));
  EXPECT_EQ(position, 8 * std::int64_t{std::numeric_limits<std::int32_t>::max()} - 11);
}

TEST(ReadDescriptor, CharacterFields) {
  std::vector<std::uint8_t> ones(9, 0xFF);
  ElementDescriptor callSign = buildDescriptor(catalogue::kShipCallSign);
  std::int64_t position = 0;
  ASSERT_TRUE(readDescriptor(bufferOf(ones), position, callSign));
  EXPECT_TRUE(callSign.hasValue()) << "all-ones text is still handed over";
  EXPECT_EQ(callSign.copyValue()[8], 0xFF);

  // A text that starts mid-byte.
  testing::MessageBuilder builder;
  builder.bits(0, 3).text(catalogue::kSoopLine, "PX30");
  const std::vector<std::uint8_t> bytes = builder.bytes();
  ElementDescriptor soop = buildDescriptor(catalogue::kSoopLine);
  position = 3;
  ASSERT_TRUE(readDescriptor(bufferOf(bytes), position, soop));
  EXPECT_STREQ(reinterpret_cast<const char*>(soop.valueText().data()), "PX30");

  // The widest field the work buffer takes: 480 bits, 60 characters.
  std::vector<std::uint8_t> letters(60, 'x');
  ElementDescriptor wide;
  wide.setParameters(1, 1, 0, 0, 480, 60, 1, "WIDE", "CCITT IA5");
  position = 0;
  ASSERT_TRUE(readDescriptor(bufferOf(letters), position, wide));
  EXPECT_EQ(wide.copyValue()[59], 'x');
  EXPECT_EQ(position, 480);
}

TEST(ReadDescriptor, AgreesWithTheBitByBitCopy) {
  std::mt19937 random(20261206);
  std::vector<std::uint8_t> bytes(64);
  for (int round = 0; round < 3000; ++round) {
    for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(random());
    if (round % 3 == 0) bytes[random() % 60] = 0xFF;  // runs of ones
    const int width = 1 + static_cast<int>(random() % 32);
    const auto start = static_cast<std::int64_t>(random() % (8 * 64 - 64));
    const ElementDescriptor::ValueBytes work = workBufferBitByBit(bytes, start, width);
    std::uint32_t word = 0;
    for (int i = 0; i < 4; ++i) word = (word << 8) | work[i];

    ElementDescriptor field = numeric(width);
    field.setUnsignedValue(0);  // so that "not handed over" shows
    std::int64_t position = start;
    ASSERT_TRUE(readDescriptor(bufferOf(bytes), position, field));
    const std::uint32_t expected = word == 0xFFFFFFFFu ? 0u : word >> ((32 - width) % 32);
    ASSERT_EQ(field.rawValue(), expected) << "width " << width << " at " << start;

    ElementDescriptor text;
    text.setParameters(1, 1, 0, 0, 8 * (1 + width % 8), 8, 1, "TEXT", "CCITT IA5");
    position = start;
    ASSERT_TRUE(readDescriptor(bufferOf(bytes), position, text));
    const ElementDescriptor::ValueBytes copied =
        workBufferBitByBit(bytes, start, 8 * (1 + width % 8));
    const ElementDescriptor::ValueBytes value = text.copyValue();
    for (int i = 0; i < 1 + width % 8 && copied[i] != 0; ++i) ASSERT_EQ(value[i], copied[i]);
  }
}

TEST(ReadRun, ReadsInOrderAndStopsAtTheFirstFieldThatDoesNotFit) {
  ElementDescriptor a = numeric(8);
  ElementDescriptor b = numeric(8);
  ElementDescriptor c = numeric(16);
  const std::vector<ElementDescriptor*> sequence = {&a, &b, &c};
  const std::vector<std::uint8_t> bytes = {1, 2, 3};
  const MessageBuffer buffer = bufferOf(bytes);

  std::int64_t position = 0;
  EXPECT_TRUE(readRun(sequence, 0, 0, buffer, position));
  EXPECT_EQ(position, 0);

  EXPECT_FALSE(readRun(sequence, 0, 3, buffer, position));
  EXPECT_EQ(a.rawValue(), 1u);
  EXPECT_EQ(b.rawValue(), 2u);
  EXPECT_FALSE(c.hasValue());
  EXPECT_EQ(position, 16);

  // Skipped positions consume nothing, even on an exhausted buffer.
  position = 24;
  EXPECT_TRUE(readRun(sequence, 0, 3, buffer, position, [](int) { return true; }));
  EXPECT_EQ(position, 24);

  position = 0;
  ElementDescriptor d = numeric(8);
  const std::vector<ElementDescriptor*> skipping = {&a, &d, &b};
  EXPECT_TRUE(readRun(skipping, 0, 3, buffer, position, [](int index) { return index == 0; }));
  EXPECT_EQ(d.rawValue(), 1u);
  EXPECT_EQ(b.rawValue(), 2u);
  EXPECT_EQ(position, 16);
}

}  // namespace
}  // namespace xbtconv
