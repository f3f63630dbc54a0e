// The library's reading calls as another program uses them: a rate the
// command line refuses is refused with its words, times are taken with
// their zone, and a huge corrupt message is read as far as its samples can
// go.
#include "xbtconv/reading.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/message_builder.h"

namespace xbtconv {
namespace {

TEST(Reading, RefusesWhatTheCommandLineRefuses) {
  const std::vector<std::uint8_t> bytes = testing::standardMessage(testing::StandardFields{});
  for (const auto& [rate, text] : std::vector<std::pair<double, std::string>>{
           {NAN, "nan"}, {-5, "-5"}, {0, "0"}, {INFINITY, "inf"}}) {
    ReadOptions options;
    options.sampleRateHz = rate;
    const ReadResult read = readMessage(bytes.data(), bytes.size(), "x.bin", options);
    EXPECT_EQ(read.status.code(), Status::Code::kInvalidArgument) << text;
    EXPECT_EQ(read.status.message(),
              "a sampling rate is a number of samples per second above 0, not '" + text + "'");
    EXPECT_FALSE(read.observation);
    EXPECT_EQ(readMessageFile("x.bin", options).status.code(), Status::Code::kInvalidArgument);
  }
  double rate = 0;
  EXPECT_TRUE(parseSampleRate("2.5e1", rate).ok());
  EXPECT_EQ(rate, 25);
  for (const char* text : {"10Hz", "", "1O", " 10", "0x10", "-0"}) {
    EXPECT_EQ(parseSampleRate(text, rate).code(), Status::Code::kInvalidArgument) << text;
  }
}

TEST(Reading, TimesWithTheirZone) {
  const std::optional<std::int64_t> utc = parseTime("2026-12-01T00:30:00Z");
  ASSERT_TRUE(utc);
  EXPECT_EQ(parseTime("2026-12-01T02:30+02:00"), utc);
  EXPECT_EQ(parseTime("2026-12-01T02:30+0200"), utc);
  EXPECT_EQ(parseTime("2026-11-30T19:30-05"), utc);
  EXPECT_EQ(parseTime("2026-12-01T00:30"), utc) << "UTC without a zone";
  EXPECT_EQ(timeText(*utc), "2026-12-01T00:30:00Z");
  for (const char* text : {"2026-12-01T00:30+2:00", "2026-12-01T00:30+24:00", "2026-12-01+02:00",
                           "2026-12-01T00:30Z+01", "2026-12-01T00:30+01:60"}) {
    EXPECT_FALSE(parseTime(text)) << text;
  }
}

TEST(Reading, AnUncountedProfileKeepsWhatAMessageCanCount) {
  testing::StandardFields fields;
  fields.groupCount = testing::kAllOnes;
  fields.temperatures.assign(70000, 2400);
  const std::vector<std::uint8_t> bytes = testing::standardMessage(fields);
  const ReadResult read = readMessage(bytes.data(), bytes.size(), "x.bin");
  EXPECT_EQ(read.status.code(), Status::Code::kCutShort);
  ASSERT_TRUE(read.observation);
  EXPECT_EQ(read.observation->profile.samples.size(), 65534u);
  EXPECT_EQ(read.observation->stopBit, 621 + 12 * std::int64_t{70000});
  EXPECT_NE(read.status.message().find("samples past 65534 not exported"), std::string::npos);
}

}  // namespace
}  // namespace xbtconv
