#include "decoding/message_header_block.h"

#include <gtest/gtest.h>

#include <span>

#include "decoding/bit_reader.h"
#include "driver/message_kind.h"
#include "support/message_builder.h"

namespace xbtconv {
namespace {

using testing::HeaderFields;
using testing::kAllOnes;
using testing::MessageBuilder;

// Decodes the ten header fields of `fields` into `block`, as the first run
// of a message decode does.
bool decodeHeader(MessageHeaderBlock& block, const HeaderFields& fields) {
  const std::vector<std::uint8_t> bytes = MessageBuilder().header(fields).bytes();
  std::int64_t position = 0;
  const bool read =
      readRun(block.sequence(), 0, block.headerCount(), testing::bufferOf(bytes), position);
  EXPECT_EQ(position, read ? 172 : position);
  return read;
}

TEST(MessageHeaderBlock, BeforeDecodingEverythingIsMissing) {
  MessageHeaderBlock block;
  EXPECT_EQ(block.headerCount(), 10);
  EXPECT_EQ(block.sequence().size(), 10u);
  EXPECT_EQ(block.callSign(), "");
  std::tm time{};
  block.observationTime(time);
  EXPECT_EQ(time.tm_sec, 0);
  EXPECT_EQ(time.tm_min, -1);
  EXPECT_EQ(time.tm_hour, -1);
  EXPECT_EQ(time.tm_mday, -1);
  EXPECT_EQ(time.tm_mon, -1);
  EXPECT_EQ(time.tm_year, -1);
  EXPECT_EQ(time.tm_wday, -1);
  EXPECT_EQ(time.tm_yday, -1);
  EXPECT_EQ(time.tm_isdst, -1);
  EXPECT_EQ(block.latitude(), -9999.0);
  EXPECT_EQ(block.longitude(), -9999.0);
  EXPECT_EQ(block.subCategory(), -1);
  block.setSubCategory(2);
  EXPECT_EQ(block.subCategory(), 2);
  block.setSubCategory(1023);
  EXPECT_EQ(block.subCategory(), -1);
}

TEST(MessageHeaderBlock, CallSigns) {
  struct Case {
    std::string sent;
    std::string expected;
  };
  for (const Case& c :
       {Case{"ABCDEFGHI", "ABCDEFGHI"}, Case{"AB CD", "AB CD"}, Case{"KEEP    ", "KEEP    "},
        Case{"", ""}, Case{std::string(9, '\xFF'), ""}}) {
    MessageHeaderBlock block;
    HeaderFields fields;
    fields.callSign = c.sent;
    ASSERT_TRUE(decodeHeader(block, fields));
    EXPECT_EQ(block.callSign(), c.expected) << c.sent;
  }
}

TEST(MessageHeaderBlock, MissingAndOutOfRangeValues) {
  struct Case {
    std::uint64_t month;
    int expectedMonth;
  };
  for (const Case& c : {Case{12, 11}, Case{1, 0}, Case{0, -1}, Case{13, -1}, Case{15, -1}}) {
    MessageHeaderBlock block;
    HeaderFields fields;
    fields.month = c.month;
    ASSERT_TRUE(decodeHeader(block, fields));
    std::tm time{};
    EXPECT_EQ(block.observationTime(time).tm_mon, c.expectedMonth) << c.month;
  }

  MessageHeaderBlock block;
  HeaderFields fields;
  fields.year = kAllOnes;
  fields.day = 0;
  fields.hour = 24;
  fields.minute = 60;
  fields.latitude = 18000001;
  fields.longitude = kAllOnes;
  ASSERT_TRUE(decodeHeader(block, fields));
  std::tm time{};
  block.observationTime(time);
  EXPECT_EQ(time.tm_year, -1);
  EXPECT_EQ(time.tm_mday, -1);
  EXPECT_EQ(time.tm_hour, -1);
  EXPECT_EQ(time.tm_min, -1);
  EXPECT_EQ(block.latitude(), -9999.0);
  EXPECT_EQ(block.longitude(), -9999.0);
}

TEST(MessageHeaderBlock, PositionsAtTheEndsOfTheirRanges) {
  struct Case {
    std::uint64_t latitude;
    std::uint64_t longitude;
    double expectedLatitude;
    double expectedLongitude;
  };
  for (const Case& c : {Case{0, 0, -90.0, -180.0}, Case{9000000, 18000000, 0.0, 0.0},
                        Case{18000000, 36000000, 90.0, 180.0}}) {
    MessageHeaderBlock block;
    HeaderFields fields;
    fields.latitude = c.latitude;
    fields.longitude = c.longitude;
    ASSERT_TRUE(decodeHeader(block, fields));
    EXPECT_DOUBLE_EQ(block.latitude(), c.expectedLatitude);
    EXPECT_DOUBLE_EQ(block.longitude(), c.expectedLongitude);
  }
}

// The driver tells the kind from bytes 9 and 10 before any object exists;
// the decoded header must agree with it for every value of those bytes.
TEST(MessageHeaderBlock, DecodedKindAgreesWithTheDriversKindTest) {
  for (int b9 = 0; b9 < 256; ++b9) {
    for (int b10 : {0, 1, 2, 3, 255}) {
      std::vector<std::uint8_t> bytes = MessageBuilder().header(HeaderFields{}).bytes();
      bytes[9] = static_cast<std::uint8_t>(b9);
      bytes[10] = static_cast<std::uint8_t>(b10);
      MessageHeaderBlock block;
      std::int64_t position = 0;
      ASSERT_TRUE(readRun(block.sequence(), 0, 10, testing::bufferOf(bytes), position));
      const int kind = messageKind(bytes);
      const std::uint32_t subCategory = block.sequence()[1]->rawValue();
      if (b9 >> 2 == 63) {
        EXPECT_EQ(subCategory, 0xFFFFFFFFu) << "63 is the field's missing value";
        const int decoded = block.subCategory();
        // A kind field of all ten bits set is not stored.
        EXPECT_EQ(decoded, kind == 1023 ? -1 : kind) << b9 << " " << b10;
      } else {
        EXPECT_EQ(kind, -1);
        EXPECT_EQ(subCategory, static_cast<std::uint32_t>(b9 >> 2));
      }
    }
  }
  EXPECT_EQ(messageKind(std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFC, 0x01}), 1);
  EXPECT_EQ(messageKind(std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFC, 0x02}), 2);
  EXPECT_EQ(messageKind(std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFD, 0x01}), 257);
  EXPECT_EQ(messageKind(std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFB, 0x01}), -1);
  EXPECT_EQ(messageKind(std::vector<std::uint8_t>(10, 0xFF)), -1);
}

}  // namespace
}  // namespace xbtconv
