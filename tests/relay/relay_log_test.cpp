#include "relay/relay_log.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include "support/temp_directory.h"

namespace xbtconv {
namespace {

LogEntry sent(int n) {
  LogEntry e;
  e.timeMs = 1796731512345;  // 2026-12-08T12:05:12.345Z
  e.input = "msg-" + std::to_string(n) + ".bin";
  e.outcome = "sent";
  e.heading = "IOSA01 KWBC 081205";
  return e;
}

// Every line of `text` whole: ended, and as many fields as a line has.
void expectWholeLines(const std::string& text, std::size_t lines) {
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\n');
  std::size_t count = 0;
  for (std::size_t at = 0, end = 0; at < text.size(); at = end + 1, ++count) {
    end = text.find('\n', at);
    const std::string line = text.substr(at, end - at);
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 10) << line;
  }
  EXPECT_EQ(count, lines);
}

TEST(RelayLog, ALineTornByAStopIsEndedBeforeTheNextOne) {
  testing::TempDirectory folder;
  const std::string torn = logTime(0) + "\tmsg-1.bin\tse";
  folder.write("relay.log", torn);
  RelayLog log(folder.file("relay.log"), LogFormat::kText);
  std::string error;
  ASSERT_TRUE(log.open(error)) << error;
  ASSERT_TRUE(log.entries({sent(1)}));
  const std::string text = folder.read("relay.log");
  ASSERT_EQ(text.substr(0, torn.size() + 1), torn + "\n");
  expectWholeLines(text.substr(torn.size() + 1), 1);
  // A whole log is left as it is.
  RelayLog again(folder.file("relay.log"), LogFormat::kText);
  ASSERT_TRUE(again.open(error)) << error;
  EXPECT_EQ(folder.read("relay.log"), text);
}

// A log that takes only part of a write (a file size limit stands in for a
// full disk) keeps none of it: the lines are written again whole later.
TEST(RelayLog, WhatAFullDiskTookOfTheLinesIsTakenBack) {
  testing::TempDirectory folder;
  RelayLog log(folder.file("relay.log"), LogFormat::kText);
  std::string error;
  ASSERT_TRUE(log.open(error)) << error;
  ASSERT_TRUE(log.entries({sent(1)}));
  const std::string before = folder.read("relay.log");
  std::vector<LogEntry> many;
  for (int n = 2; n < 40; ++n) many.push_back(sent(n));

  rlimit limit{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
  const rlimit small{before.size() + 100, limit.rlim_max};
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = log.entries(many);
  ::setrlimit(RLIMIT_FSIZE, &limit);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(written);
  EXPECT_EQ(folder.read("relay.log"), before);

  ASSERT_TRUE(log.entries(many));
  expectWholeLines(folder.read("relay.log"), 39);
}

}  // namespace
}  // namespace xbtconv

namespace xbtconv {
namespace {

// Two names that differ only in bytes that are no UTF-8 read apart in the
// JSON log, and a line separator or direction mark in a name acts on no
// reader: each is shown escaped, in both formats.
TEST(RelayLog, NamesThatAreNoUtf8OrActOnAScreenAreShownApartAndEscaped) {
  testing::TempDirectory folder;
  std::string error;
  LogEntry a = sent(1), b = sent(2), c = sent(3);
  a.input = "a\xFF.bin";
  b.input = "a\xFE.bin";
  c.input = "x\xE2\x80\xA8y\xE2\x80\x8F.bin";  // U+2028, U+200F
  c.reason = "the same drop as a\xFF.bin";
  RelayLog json(folder.file("json.log"), LogFormat::kJson);
  ASSERT_TRUE(json.open(error)) << error;
  ASSERT_TRUE(json.entries({a, b, c}));
  const std::string lines = folder.read("json.log");
  EXPECT_NE(lines.find(R"("input":"a\\xff.bin")"), std::string::npos) << lines;
  EXPECT_NE(lines.find(R"("input":"a\\xfe.bin")"), std::string::npos) << lines;
  EXPECT_NE(lines.find(R"("input":"x\\u2028y\\u200f.bin")"), std::string::npos) << lines;
  EXPECT_NE(lines.find(R"("reason":"the same drop as a\\xff.bin")"), std::string::npos) << lines;
  RelayLog text(folder.file("text.log"), LogFormat::kText);
  ASSERT_TRUE(text.open(error)) << error;
  ASSERT_TRUE(text.entries({c}));
  EXPECT_NE(folder.read("text.log").find("\tx\\u2028y\\u200f.bin\tsent\t"), std::string::npos);
}

}  // namespace
}  // namespace xbtconv
