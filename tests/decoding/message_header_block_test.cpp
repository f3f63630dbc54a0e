#include "decoding/message_header_block.h"

#include <gtest/gtest.h>

#include "decoding/bit_reader.h"
#include "support/message_builder.h"

namespace xbtconv {
namespace {

using testing::HeaderFields;

// Decodes the ten header fields of `fields` into `block`, as the first run
// of a message decode does.
void decodeHeader(MessageHeaderBlock& block, const HeaderFields& fields) {
  const std::vector<std::uint8_t> bytes = testing::MessageBuilder().header(fields).bytes();
  std::int64_t position = 0;
  ASSERT_TRUE(
      readRun(block.sequence(), 0, block.headerCount(), testing::bufferOf(bytes), position));
  EXPECT_EQ(position, 172);
}

TEST(MessageHeaderBlock, CallSigns) {
  for (const auto& [sent, expected] :
       std::vector<std::pair<std::string, std::string>>{{"ABCDEFGHI", "ABCDEFGHI"},
                                                        {"KEEP    ", "KEEP    "},
                                                        {"", ""},
                                                        {std::string(9, '\xFF'), ""}}) {
    MessageHeaderBlock block;
    HeaderFields fields;
    fields.callSign = sent;
    decodeHeader(block, fields);
    EXPECT_EQ(block.callSign(), expected) << sent;
  }
}

}  // namespace
}  // namespace xbtconv
