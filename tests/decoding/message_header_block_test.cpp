#include "decoding/message_header_block.h"

#include <gtest/gtest.h>

#include "decoding/bit_reader.h"
#include "support/message_builder.h"

namespace xbtconv {
namespace {

using testing::HeaderFields;
using testing::kAllOnes;

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

TEST(MessageHeaderBlock, PositionsAtTheEndsOfTheirRanges) {
  struct Case {
    std::uint64_t latitude, longitude;
    double expectedLatitude, expectedLongitude;
  };
  for (const Case& c : {Case{0, 0, -90.0, -180.0}, Case{18000000, 36000000, 90.0, 180.0},
                        Case{18000001, kAllOnes, -9999.0, -9999.0}}) {
    MessageHeaderBlock block;
    HeaderFields fields;
    fields.latitude = c.latitude;
    fields.longitude = c.longitude;
    decodeHeader(block, fields);
    EXPECT_DOUBLE_EQ(block.latitude(), c.expectedLatitude);
    EXPECT_DOUBLE_EQ(block.longitude(), c.expectedLongitude);
  }
}

}  // namespace
}  // namespace xbtconv
