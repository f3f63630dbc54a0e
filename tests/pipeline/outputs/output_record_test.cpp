// The record of what each output was made from, in process: what it keeps
// and reads back, what it takes from a record a kill cut short, and that it
// never writes through what someone planted under its name.
#include "pipeline/outputs/output_record.h"

#include <gtest/gtest.h>

#include <filesystem>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "support/temp_directory.h"

namespace xbtconv {
namespace {

using testing::TempDirectory;

RecordEntry entry(std::string input, std::uint64_t size, bool failed = false, std::string note = "",
                  std::optional<std::int64_t> until = std::nullopt) {
  return {std::move(input), {size, 1765000000123456789}, {10, 20}, 0xABCDEFu, failed, until, note};
}

TEST(OutputRecord, KeepsTheLastEntryOfEachOutputWhateverItsTextHolds) {
  TempDirectory directory;
  const Folder folder = Folder::open(directory.path());
  {
    OutputRecord record;
    std::string error;
    ASSERT_TRUE(record.open(folder, false, error)) << error;
    ASSERT_TRUE(record.append(
        OutputRecord::line("a.json", entry("/in/a.bin", 1)) +
            OutputRecord::line("tab\tand\nline.json", entry("/in/\\x", 2)) +
            OutputRecord::line("a.json",
                               entry("/in/a.bin", 3, true, "decode stopped\tat\\n", 1765000000)),
        error));
    // A kill in the middle of an append leaves a last line without its end.
    ASSERT_TRUE(record.append("b.json\t/in/b.bin\t4", error));
  }
  OutputRecord record;
  std::string error;
  ASSERT_TRUE(record.open(folder, true, error)) << error;
  ASSERT_NE(record.find("a.json"), nullptr);
  EXPECT_EQ(*record.find("a.json"),
            entry("/in/a.bin", 3, true, "decode stopped\tat\\n", 1765000000));
  ASSERT_NE(record.find("tab\tand\nline.json"), nullptr);
  EXPECT_EQ(record.find("tab\tand\nline.json")->input, "/in/\\x");
  EXPECT_EQ(record.find("b.json"), nullptr);
  EXPECT_EQ(record.find("c.json"), nullptr);
  // Without --update the record is only appended to.
  OutputRecord appending;
  ASSERT_TRUE(appending.open(folder, false, error));
  EXPECT_EQ(appending.find("a.json"), nullptr);
}

TEST(OutputRecord, GrownRecordIsRewrittenWithItsLastEntries) {
  TempDirectory directory;
  const Folder folder = Folder::open(directory.path());
  std::string error;
  {
    OutputRecord record;
    ASSERT_TRUE(record.open(folder, false, error));
    std::string lines;
    for (int i = 0; i < 500; ++i) lines += OutputRecord::line("a.json", entry("/a", i));
    ASSERT_TRUE(record.append(lines, error));
  }
  const std::string path = directory.file(".xbt-record");
  const auto grown = std::filesystem::file_size(path);
  {
    // Without --update a record is read only once it has grown by
    // megabytes since it was last written anew.
    OutputRecord appending;
    ASSERT_TRUE(appending.open(folder, false, error));
    EXPECT_EQ(std::filesystem::file_size(path), grown);
  }
  {
    OutputRecord record;
    ASSERT_TRUE(record.open(folder, true, error));
    EXPECT_LT(std::filesystem::file_size(path), grown / 100);
    EXPECT_EQ(record.find("a.json")->inputFile.size, 499u);
  }
  {
    OutputRecord record;
    ASSERT_TRUE(record.open(folder, false, error));
    std::string lines;
    while (lines.size() < (std::size_t{4} << 20)) {
      lines += OutputRecord::line("b.json", entry("/b", lines.size()));
    }
    ASSERT_TRUE(record.append(lines, error));
  }
  OutputRecord appending;
  ASSERT_TRUE(appending.open(folder, false, error));
  EXPECT_LT(std::filesystem::file_size(path), 1000u);
  OutputRecord record;
  ASSERT_TRUE(record.open(folder, true, error));
  EXPECT_EQ(record.find("a.json")->inputFile.size, 499u);
  EXPECT_GT(record.find("b.json")->inputFile.size, 4000000u);
}

// A folder of many outputs adds megabytes to its record on every run: the
// record is rewritten once it has doubled, not read and rewritten each time.
TEST(OutputRecord, ALargeRecordIsRewrittenOnlyOnceItHasDoubled) {
  TempDirectory directory;
  const Folder folder = Folder::open(directory.path());
  const std::string path = directory.file(".xbt-record");
  const std::string input = "/in/" + std::string(250, 'x');
  std::string lines;
  for (int i = 0; i < 20000; ++i) {
    lines += OutputRecord::line(std::to_string(i) + ".json", entry(input, 1));
  }
  std::string error;
  for (int run = 0; run < 2; ++run) {
    OutputRecord record;
    ASSERT_TRUE(record.open(folder, false, error));
    ASSERT_TRUE(record.append(lines, error));
  }
  // The first run's lines were rewritten when the second opened it; the
  // second run's have not doubled the record since.
  const auto size = std::filesystem::file_size(path);
  ASSERT_GT(size, 2 * lines.size());
  OutputRecord record;
  ASSERT_TRUE(record.open(folder, false, error));
  EXPECT_EQ(std::filesystem::file_size(path), size);
}

// A run that ended says so in the record; the next run takes the mark away
// as it opens the record, so that only a run that ends after it puts it
// back. The mark is no entry.
TEST(OutputRecord, TheMarkOfARunThatEndedLastsUntilTheNextRunOpens) {
  TempDirectory directory;
  const Folder folder = Folder::open(directory.path());
  std::string error;
  {
    OutputRecord record;
    ASSERT_TRUE(record.open(folder, false, error)) << error;
    EXPECT_FALSE(record.lastRunEnded()) << "a new record";
    ASSERT_TRUE(record.append(OutputRecord::line("a.json", entry("/a", 1)), error));
    record.markRunEnded();
  }
  for (const bool ended : {true, false}) {
    OutputRecord record;
    ASSERT_TRUE(record.open(folder, true, error)) << error;
    EXPECT_EQ(record.lastRunEnded(), ended);
    ASSERT_NE(record.find("a.json"), nullptr);
    EXPECT_EQ(*record.find("a.json"), entry("/a", 1));
  }
  // An entry appended after the mark (by a run that does not mark) hides it.
  {
    OutputRecord record;
    ASSERT_TRUE(record.open(folder, false, error));
    record.markRunEnded();
    ASSERT_TRUE(record.append(OutputRecord::line("b.json", entry("/b", 1)), error));
  }
  OutputRecord record;
  ASSERT_TRUE(record.open(folder, true, error));
  EXPECT_FALSE(record.lastRunEnded());
  EXPECT_NE(record.find("b.json"), nullptr);
}

// A record that lies is set aside, not trusted or feared: one larger than
// its folder's outputs can need (a sparse 64 GiB one, one whose first line
// is valid) is replaced, never read (runs aborted, or read 1 GiB each); a
// folder under its name leaves the folder without a record (every output
// was refused).
TEST(OutputRecord, ARecordThatLiesIsSetAside) {
  TempDirectory directory;
  const Folder folder = Folder::open(directory.path());
  const std::string record = directory.file(".xbt-record");
  std::string error;
  directory.write(".xbt-record", std::string("xbt-record 2 0\n"));
  // Sparse, and far past the bound: read, it would cost a gigabyte.
  std::filesystem::resize_file(record, std::uint64_t{1} << 30);
  std::string lines = "xbt-record 2 99999999999\n";
  const std::string line = OutputRecord::line("a.json", entry("x.bin", 1));
  while (lines.size() <= (std::size_t{16} << 20) + 16384) lines += line;
  for (const std::string& size : {std::string("1073741824"), std::to_string(lines.size())}) {
    OutputRecord opened;
    ASSERT_TRUE(opened.open(folder, true, error)) << error;
    EXPECT_EQ(opened.problem(), "larger than the folder's outputs can need (" + size +
                                    " bytes); set aside for a new one (--update makes every "
                                    "output again)");
    EXPECT_EQ(opened.find("a.json"), nullptr);
    EXPECT_EQ(directory.read(".xbt-record"), "xbt-record 2 0\n");
    directory.write(".xbt-record", lines);
  }
  std::filesystem::remove(record);
  std::filesystem::create_directories(record + "/x");
  OutputRecord none;
  ASSERT_TRUE(none.open(folder, true, error)) << error;
  EXPECT_EQ(none.problem(),
            "not a file; no record is kept in this folder (--update makes its outputs again)");
}

#ifndef _WIN32
// A link, a FIFO or a second name of someone's file planted as the record
// is replaced, never written through.
TEST(OutputRecord, NeverWritesThroughWhatIsPlantedUnderItsName) {
  TempDirectory directory;
  const Folder folder = Folder::open(directory.path());
  directory.write("victim", std::string("mine"));
  const std::string record = directory.file(".xbt-record");
  for (int planted = 0; planted < 3; ++planted) {
    std::filesystem::remove(record);
    if (planted == 0) std::filesystem::create_symlink(directory.file("victim"), record);
    if (planted == 1) {
      ASSERT_EQ(::mkfifo(record.c_str(), 0600), 0);
    }
    if (planted == 2) std::filesystem::create_hard_link(directory.file("victim"), record);
    OutputRecord opened;
    std::string error;
    ASSERT_TRUE(opened.open(folder, false, error)) << error;
    ASSERT_TRUE(opened.append(OutputRecord::line("a.json", entry("/a", 1)), error));
    EXPECT_EQ(directory.read("victim"), "mine") << planted;
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(record)));
  }
}
#endif

}  // namespace
}  // namespace xbtconv
