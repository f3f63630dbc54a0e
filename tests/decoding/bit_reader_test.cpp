#include "decoding/bit_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <vector>

#include "descriptors/descriptor_catalogue.h"
#include "support/message_builder.h"

namespace xbtconv {
namespace {

using testing::bufferOf;

// The field read the slow way, bit by bit into a buffer of ones, as the bit
// primitives define it: the reference the word-level reader must agree with.
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
    ASSERT_EQ(position, start + width);

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

TEST(ReadDescriptor, FieldMustFitTheBuffer) {
  const std::vector<std::uint8_t> bytes(10, 0x12);  // 80 bits
  ElementDescriptor field = buildDescriptor(catalogue::kSeaTemperature);
  std::int64_t position = 68;  // ends on offset 79, the last bit
  ASSERT_TRUE(readDescriptor(bufferOf(bytes), position, field));
  EXPECT_EQ(field.rawValue(), 0x212u);
  position = 72;  // needs four bits more than there are
  EXPECT_FALSE(readDescriptor(bufferOf(bytes), position, field));
  EXPECT_EQ(position, 72);
  EXPECT_EQ(field.rawValue(), 0x212u) << "a field that does not fit changes nothing";

  // 8 x byteCount and position + width pass 2^31 here; in 32-bit arithmetic
  // they would wrap and let the reader run off the end.
  const MessageBuffer huge{std::numeric_limits<std::int32_t>::max(), nullptr};
  position = 8 * std::int64_t{std::numeric_limits<std::int32_t>::max()} - 11;
  EXPECT_FALSE(readDescriptor(huge, position, field));

  // The widest field the work buffer takes: 480 bits, 60 characters.
  const std::vector<std::uint8_t> letters(60, 'x');
  ElementDescriptor wide;
  wide.setParameters(1, 1, 0, 0, 480, 60, 1, "WIDE", "CCITT IA5");
  position = 0;
  ASSERT_TRUE(readDescriptor(bufferOf(letters), position, wide));
  EXPECT_EQ(wide.copyValue()[59], 'x');
}

// Profiles of every length at every bit offset, in buffers that end right
// after them or a little later: each sample as read bit by bit, the
// position moved past them, and all ones seen exactly when one is there.
TEST(ReadTwelveBitFields, AgreesWithTheBitByBitReadToTheBuffersEnd) {
  std::mt19937 random(20261207);
  for (int skipped = 0; skipped < 8; ++skipped) {
    for (std::size_t count = 0; count <= 45; ++count) {
      const std::size_t bytesNeeded = (skipped + 12 * count + 7) / 8;
      std::vector<std::uint8_t> bytes(bytesNeeded + random() % 3);
      for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(random());
      if (bytes.size() < 3) continue;
      // Three bytes of ones hold one sample of all ones wherever they lie.
      if (random() % 2 == 0) std::fill_n(bytes.begin() + random() % (bytes.size() - 2), 3, 0xFF);
      std::vector<std::uint32_t> out(count);
      std::int64_t position = skipped;
      const bool allOnesSeen = readTwelveBitFields(bufferOf(bytes), position, count, out.data());
      ASSERT_EQ(position, skipped + 12 * static_cast<std::int64_t>(count));
      bool allOnes = false;
      for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t expected = 0;
        for (int bit = 1; bit <= 12; ++bit) {
          const std::int64_t at = skipped + 12 * static_cast<std::int64_t>(i) + bit;
          expected = (expected << 1) | (getBit(at, bytes.data()) ? 1u : 0u);
        }
        ASSERT_EQ(out[i], expected) << "sample " << i << " of " << count << ", skip " << skipped;
        allOnes = allOnes || expected == 0xFFFu;
      }
      ASSERT_EQ(allOnesSeen, allOnes) << count << " samples, skip " << skipped;
    }
  }
}

}  // namespace
}  // namespace xbtconv
