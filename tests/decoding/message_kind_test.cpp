#include "decoding/message_kind.h"

#include <gtest/gtest.h>

#include <vector>

#include "decoding/bit_reader.h"
#include "decoding/message_header_block.h"
#include "support/message_builder.h"

namespace xbtconv {
namespace {

// The driver tells the kind from bytes 9 and 10 before any object exists;
// the decoded header must agree with it for every value of those bytes.
TEST(MessageKind, AgreesWithTheDecodedHeader) {
  for (int b9 = 0; b9 < 256; ++b9) {
    for (int b10 : {0, 1, 2, 3, 255}) {
      std::vector<std::uint8_t> bytes = testing::MessageBuilder().header({}).bytes();
      bytes[9] = static_cast<std::uint8_t>(b9);
      bytes[10] = static_cast<std::uint8_t>(b10);
      MessageHeaderBlock block;
      std::int64_t position = 0;
      ASSERT_TRUE(readRun(block.sequence(), 0, 10, testing::bufferOf(bytes), position));
      const int kind = messageKind(bytes);
      const std::uint32_t subCategory = block.sequence()[1]->rawValue();
      if (b9 >> 2 == 63) {
        EXPECT_EQ(subCategory, 0xFFFFFFFFu) << "63 is the field's missing value";
        // A kind field of all ten bits set is not stored.
        EXPECT_EQ(block.subCategory(), kind == 1023 ? -1 : kind) << b9 << " " << b10;
      } else {
        EXPECT_EQ(kind, -1);
        EXPECT_EQ(subCategory, static_cast<std::uint32_t>(b9 >> 2));
      }
    }
  }
  EXPECT_EQ(messageKind(std::vector<std::uint8_t>(10, 0xFF)), -1) << "too short to tell";
}

}  // namespace
}  // namespace xbtconv
