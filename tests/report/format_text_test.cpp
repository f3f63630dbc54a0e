#include "report/format_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

#include "report/profile_listing.h"

namespace xbtconv {
namespace {

TEST(FormatText, GivesTheWholeTextHoweverLong) {
  EXPECT_EQ(formatText(nullptr), "");
  EXPECT_EQ(formatText("%5.2f|%07d|%8X|%c", 6.12, -1, 0xFFFFFFFFu, 'S'),
            " 6.12|-000001|FFFFFFFF|S");
  const std::string name(5000, 'n');
  const std::string text = formatText(" Ship Name: %s\r\n", name.c_str());
  EXPECT_EQ(text.size(), 5000u + 14u);
  EXPECT_EQ(text.substr(text.size() - 3), "n\r\n");
  // Right at the sizes where a fixed buffer would have to grow.
  for (std::size_t length : {99u, 100u, 255u, 256u, 257u}) {
    EXPECT_EQ(formatText("%s", std::string(length, 'x').c_str()).size(), length);
  }
}

TEST(FormatText, PaddedIntegersAreWhatPrintfPrints) {
  for (long long value : {0LL, 7LL, -1LL, 28LL, -386LL, 3694LL, 99999LL, 123456LL, -4000LL,
                          static_cast<long long>(INT_MIN), static_cast<long long>(INT_MAX)}) {
    for (int width : {1, 3, 4, 5, 12}) {
      char expected[64];
      std::snprintf(expected, sizeof expected, "%*lld", width, value);
      std::string text = "|";
      appendPaddedInteger(text, value, width);
      EXPECT_EQ(text, std::string("|") + expected) << value << " " << width;
    }
  }
}

TEST(FormatText, TemperatureColumnTruncatesHundredths) {
  EXPECT_EQ(temperatureColumn(0.28999999f), 28);
  EXPECT_EQ(temperatureColumn(-3.8699999f), -386);
  EXPECT_EQ(temperatureColumn(20.0f), 2000);
  EXPECT_EQ(temperatureColumn(24.1f), 2410);  // 24.1f is 24.1000004
  EXPECT_EQ(temperatureColumn(15.9f), 1589);  // 15.9f is 15.8999996
  EXPECT_EQ(temperatureColumn(-4.0f), -400);
  EXPECT_EQ(temperatureColumn(36.94f), 3693);  // 36.94f is 36.9399986
  // Past the 32-bit range (only a never-set first sample gets there): the
  // listing that reports have always shown.
  EXPECT_EQ(temperatureColumn(42949668.0f), INT_MIN);
  EXPECT_EQ(temperatureColumn(21474836.0f), 2147483600);
}

}  // namespace
}  // namespace xbtconv
