#include "relay/bulletin.h"

#include <gtest/gtest.h>

namespace xbtconv {
namespace {

// 2026-12-08T12:05:12Z
constexpr std::int64_t kCompiled = 1796731512;

TEST(Bulletin, AreaDesignatorsByHemisphereAndQuarterOfLongitude) {
  // Each quarter, and each meridian between two belonging to the one east of it.
  EXPECT_EQ(areaDesignator(39.4, -70.1), 'A');
  EXPECT_EQ(areaDesignator(39.4, -90.0), 'A');
  EXPECT_EQ(areaDesignator(39.4, -90.00001), 'B');
  EXPECT_EQ(areaDesignator(39.4, -180.0), 'B');
  EXPECT_EQ(areaDesignator(39.4, 180.0), 'B');
  EXPECT_EQ(areaDesignator(39.4, 179.9), 'C');
  EXPECT_EQ(areaDesignator(39.4, 90.0), 'C');
  EXPECT_EQ(areaDesignator(39.4, 89.9), 'D');
  EXPECT_EQ(areaDesignator(39.4, 0.0), 'D');
  EXPECT_EQ(areaDesignator(0.0, -0.00001), 'A');  // the equator is northern
  EXPECT_EQ(areaDesignator(-0.00001, -10.0), 'I');
  EXPECT_EQ(areaDesignator(-41.3, -100.0), 'J');
  EXPECT_EQ(areaDesignator(-41.3, 174.8), 'K');
  EXPECT_EQ(areaDesignator(-41.3, 20.0), 'L');
  EXPECT_EQ(areaDesignator(std::nullopt, 20.0), 'X');
  EXPECT_EQ(areaDesignator(10.0, std::nullopt), 'X');
}

TEST(Bulletin, BbbLettersRunAToXAndZOnceForLateBulletins) {
  EXPECT_EQ(bbbLetter(0, false), 'A');
  EXPECT_EQ(bbbLetter(23, false), 'X');
  EXPECT_EQ(bbbLetter(24, false), std::nullopt);  // Y is kept for a lost sequence
  EXPECT_EQ(bbbLetter(-1, false), std::nullopt);
  EXPECT_EQ(bbbLetter(0, true), 'Z');
  EXPECT_EQ(bbbLetter(1, true), std::nullopt);
}

TEST(Bulletin, EnvelopeFramingAndFileNamesAreByteExact) {
  AbbreviatedHeading heading{"IOSB01", "KWBC", kCompiled, ""};
  EXPECT_EQ(heading.text(), "IOSB01 KWBC 081205");
  heading.bbb = "RRA";
  EXPECT_EQ(heading.text(), "IOSB01 KWBC 081205 RRA");
  using namespace std::string_view_literals;
  const std::string_view bufr =
      "BUFR\x00\x00\x0c\x04"
      "7777"sv;
  const std::string message = envelope(1007, heading, bufr);
  EXPECT_EQ(message,
            "\x01\r\r\n007\r\r\nIOSB01 KWBC 081205 RRA\r\r\n"
            "BUFR\x00\x00\x0c\x04"
            "7777\r\r\n\x03"sv);
  // Five digits where the link agrees on them, wrapping at 100,000.
  EXPECT_EQ(envelope(100007, heading, bufr, 5).substr(0, 12), "\x01\r\r\n00007\r\r\n");
  EXPECT_EQ(envelope(12345, heading, bufr, 5).substr(4, 5), "12345");
  const std::string framed = ftpFramed(message);
  EXPECT_EQ(framed.substr(0, 10), "0000005100");  // 35 + 12 + 4 octets, format 00
  EXPECT_EQ(framed.substr(10), message);
  EXPECT_EQ(bulletinFileName(heading, kCompiled),
            "A_IOSB01KWBC081205RRA_C_KWBC_20261208120512.bin");
  EXPECT_EQ(batchFileName("KWBC", 42), "KWBC00000042.b");
  EXPECT_TRUE(isLocationIndicator("KWBC"));
  EXPECT_FALSE(isLocationIndicator("KWB"));
  EXPECT_FALSE(isLocationIndicator("kwbc"));
  EXPECT_FALSE(isLocationIndicator("KWB1"));
}

}  // namespace
}  // namespace xbtconv
