// The report is written with fast formatting helpers instead of printf;
// these tests hold each helper to what printf prints, over many values.
#include "report/format_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "report/profile_listing.h"

namespace xbtconv {
namespace {

template <typename Value>
std::string printed(const char* format, int width, Value value) {
  char text[128];
  std::snprintf(text, sizeof text, format, width, value);
  return text;
}

TEST(FormatText, GivesTheWholeTextHoweverLong) {
  EXPECT_EQ(formatText(nullptr), "");
  const std::string name(5000, 'n');
  const std::string text = formatText(" Ship Name: %s\r\n", name.c_str());
  EXPECT_EQ(text.size(), 5000u + 14u);
  EXPECT_EQ(text.substr(text.size() - 3), "n\r\n");
  // Right at the sizes where a fixed buffer would have to grow.
  for (std::size_t length : {1023u, 1024u, 1025u}) {
    EXPECT_EQ(formatText("%s", std::string(length, 'x').c_str()).size(), length);
  }
}

TEST(FormatText, IntegersAreWhatPrintfPrints) {
  std::vector<long long> values = {7,    28,     -1,       -2,      -386,   612,
                                   3694, 123456, 16777214, INT_MIN, INT_MAX};
  // Digit counts on both sides of each power of ten.
  for (long long power = 1; power <= 1000000; power *= 10) {
    values.push_back(power - 1);
    values.push_back(power);
  }
  for (long long value : values) {
    for (int width : {1, 2, 3, 4, 5, 7, 12}) {
      char written[24];
      const int length = formatPaddedInteger(written, value, width);
      EXPECT_EQ(std::string(written, static_cast<std::size_t>(length)),
                printed("%*lld", width, value))
          << value << " " << width;
      ReportText text;
      text += "|";
      appendPaddedInteger(text, value, width);
      EXPECT_EQ(text.view(), "|" + printed("%*lld", width, value)) << value << " " << width;
      text.clear();
      appendZeroPaddedInteger(text, value, width);
      EXPECT_EQ(text.view(), printed("%0*lld", width, value)) << value << " " << width;
    }
  }
  for (unsigned value : {0u, 0xABCu, 0x1A2B3C4Du, 0xFFFFFFFFu}) {
    ReportText text;
    appendPaddedHex(text, value, 8);
    EXPECT_EQ(text.view(), printed("%*X", 8, value));
  }
}

TEST(FormatText, FixedPointIsWhatPrintfPrints) {
  std::vector<double> values = {0.0,    -0.0,     0.005,     0.015,        0.125,     2.675, 1.005,
                                9999.0, 70.12875, 70.1285,   150.12345,    -273.1,    -0.05, 1e11,
                                -1.0,   INFINITY, -INFINITY, std::nan(""), 123456.789};
  std::mt19937_64 random(42);
  for (int i = 0; i < 20000; ++i) {
    values.push_back(static_cast<double>(
        static_cast<float>((static_cast<double>(random() % 2000000) - 1000000) / 1000.0)));
    values.push_back((static_cast<double>(random() % 36000001) - 18000000) / 100000.0);
    values.push_back(static_cast<double>(random() % 4000) / 8.0);  // binary ties round to even
  }
  for (double value : values) {
    for (const auto& [width, decimals, zeroPadded] :
         {std::tuple{5, 2, false}, std::tuple{5, 1, false}, std::tuple{7, 3, true}}) {
      ReportText text;
      appendFixed(text, value, width, decimals, zeroPadded);
      const std::string format = zeroPadded ? "%0*.*f" : "%*.*f";
      char expected[128];
      std::snprintf(expected, sizeof expected, format.c_str(), width, decimals, value);
      ASSERT_EQ(text.view(), expected)
          << format << " " << width << "." << decimals << " of " << value;
    }
  }
}

TEST(FormatText, TemperatureColumnTruncatesHundredths) {
  EXPECT_EQ(temperatureColumn(0.28999999f), 28);
  EXPECT_EQ(temperatureColumn(-3.8699999f), -386);
  EXPECT_EQ(temperatureColumn(24.1f), 2410);  // 24.1f is 24.1000004
  EXPECT_EQ(temperatureColumn(15.9f), 1589);  // 15.9f is 15.8999996
  EXPECT_EQ(temperatureColumn(36.94f), 3693);
  // Past the 32-bit range (only a never-set first sample gets there): the
  // listing that reports have always shown.
  EXPECT_EQ(temperatureColumn(42949668.0f), INT_MIN);
  EXPECT_EQ(temperatureColumn(21474836.0f), 2147483600);
}

}  // namespace
}  // namespace xbtconv
