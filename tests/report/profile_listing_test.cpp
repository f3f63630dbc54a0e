#include "report/profile_listing.h"

#include <gtest/gtest.h>

#include "support/message_checks.h"

namespace xbtconv {
namespace {

using testing::kAllOnes;
using testing::StandardFields;

std::string listingOf(const StandardFields& fields) {
  return profileText(*testing::decoded(testing::standardMessage(fields)));
}

StandardFields fullResolution(std::vector<std::uint64_t> temperatures) {
  StandardFields fields;
  fields.temperatures = std::move(temperatures);
  return fields;
}

StandardFields points(std::vector<std::pair<std::uint64_t, std::uint64_t>> depthAndTemperature) {
  StandardFields fields;
  fields.typeOfData = 3;
  fields.points = std::move(depthAndTemperature);
  return fields;
}

TEST(ProfileListing, FullResolutionLines) {
  EXPECT_EQ(listingOf(fullResolution({})), "\r\n\r\nXBT:    0\r\n");
  // 10.00 degrees and above fill all four characters: values touch.
  const std::string line20 = [] {
    std::string line;
    for (int i = 0; i < 20; ++i) line += "1400";
    return line + "\r\n";
  }();
  EXPECT_EQ(listingOf(fullResolution(std::vector<std::uint64_t>(20, 1800))),
            "\r\n\r\nXBT:   20\r\n" + line20);
  std::vector<std::uint64_t> samples(21, 1800);
  samples[20] = 13;  // -3.87, held as -3.8699999
  EXPECT_EQ(listingOf(fullResolution(samples)), "\r\n\r\nXBT:   21\r\n" + line20 + "-386\r\n");
  EXPECT_EQ(listingOf(fullResolution({429, 400, 0, 3344})),  // 0.29 is 0.28999999
            "\r\n\r\nXBT:    4\r\n  28   0-4002944\r\n");
  // A first sample that never got a value lists as the smallest integer.
  EXPECT_EQ(listingOf(fullResolution({kAllOnes, 2400})),
            "\r\n\r\nXBT:    2\r\n-21474836482000\r\n");
}

TEST(ProfileListing, TwoMeterPairs) {
  StandardFields fields;
  fields.typeOfData = 2;
  fields.temperatures = {2800, 2810, 2820};
  // The examples' golden reports hold whole lines of eight pairs.
  EXPECT_EQ(listingOf(fields), "\r\n\r\nTWOMETER:    3\r\n   20 2400   40 2410   60 2420\r\n");
  // Past 9,998 m the depth outgrows its five columns.
  fields.temperatures.assign(5001, 2800);
  const std::string listing = listingOf(fields);
  EXPECT_TRUE(listing.ends_with("99980 2400100000 2400\r\n100020 2400\r\n"))
      << listing.substr(listing.size() - 60);
}

TEST(ProfileListing, InflectionPointsTitledByTheTwoMeterGrid) {
  EXPECT_EQ(listingOf(points({{2, 2000}, {4, 1990}, {6, 1980}})),
            "\n\nTWOMETER:    3\r\n   20 1600   40 1589   60 1580\r\n");
  EXPECT_EQ(listingOf(points({{2, 2000}, {4, 1990}, {7, 1980}})),
            "\n\nINFPTS:  3\r\n   20 1600   40 1589   70 1580\r\n");
  EXPECT_EQ(listingOf(points({{0, 2000}, {2, 1990}})),
            "\n\nINFPTS:  2\r\n    0 1600   20 1589\r\n");
  EXPECT_EQ(listingOf(points({})), "\n\nTWOMETER:    0\r\n");
  // 0.01 to 0.09 degrees: in single precision several fall just short of
  // their hundredth (0.01 is 0.0099999998) and list one lower.
  std::vector<std::pair<std::uint64_t, std::uint64_t>> nine;
  for (std::uint64_t i = 1; i <= 9; ++i) nine.emplace_back(5 * i, 400 + i);
  EXPECT_EQ(listingOf(points(nine)),
            "\n\nINFPTS:  9\r\n"
            "   50    0  100    1  150    2  200    3  250    5  300    5  350    7  400    7\r\n"
            "  450    9\r\n");
}

}  // namespace
}  // namespace xbtconv
