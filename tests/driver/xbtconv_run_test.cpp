// Runs the real executable on temporary directories and compares what it
// prints byte for byte.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "support/message_builder.h"
#include "support/temp_directory.h"

namespace xbtconv {
namespace {

using testing::runXbtconv;
using testing::TempDirectory;

// Eleven bytes whose kind bytes (9 and 10) are b9 and b10.
std::vector<std::uint8_t> kindBytes(std::uint8_t b9, std::uint8_t b10) {
  std::vector<std::uint8_t> bytes(40, 0x41);
  bytes[9] = b9;
  bytes[10] = b10;
  return bytes;
}

TEST(XbtconvRun, NameLinesStartWithALineFeedAndTheOutputEndsWithoutOne) {
  TempDirectory directory;
  directory.write("b.bin", kindBytes(0x00, 0x00));
  directory.write("A.BIN", kindBytes(0xFC, 0x07));
  directory.write("notes.txt", "not a message");
  const testing::RunResult run = runXbtconv({directory.path()}, "/");
  EXPECT_EQ(run.out, "\nA.BIN\nb.bin");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.status, 0);
  EXPECT_FALSE(directory.exists("A.BIN.srp"));
}

TEST(XbtconvRun, ArgumentsChooseTheDirectory) {
  TempDirectory directory;
  directory.write("here.bin", kindBytes(0, 0));
  TempDirectory other;
  other.write("there.bin", kindBytes(0, 0));
  EXPECT_EQ(runXbtconv({}, directory.path()).out, "\nhere.bin");
  // Two or more arguments: the current directory, all arguments ignored.
  EXPECT_EQ(runXbtconv({other.path(), other.path()}, directory.path()).out, "\nhere.bin");
  EXPECT_EQ(runXbtconv({other.path()}, directory.path()).out, "\nthere.bin");
  // A trailing separator changes nothing that is printed.
  EXPECT_EQ(runXbtconv({other.path() + "/"}, directory.path()).out, "\nthere.bin");
}

TEST(XbtconvRun, EmptyOrMissingDirectories) {
  TempDirectory directory;
  directory.write("readme.txt", "no messages here");
  testing::RunResult run = runXbtconv({directory.path()}, "/");
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.status, 0);

  const std::string absent = directory.file("absent");
  run = runXbtconv({absent}, "/");
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err.rfind("xbtconv: cannot read directory '" + absent + "': ", 0), 0u) << run.err;
  EXPECT_EQ(run.err.back(), '\n');
  EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line";
  EXPECT_EQ(run.status, 0);
}

// Every entry that cannot be a message gets its name line only, and the
// run goes on: none of these may stop, hang or spoil the run.
TEST(XbtconvRun, EntriesThatAreNotMessagesGetTheirNameLineOnly) {
  TempDirectory directory;
  std::filesystem::create_directory(directory.file("a-directory.bin"));
  ASSERT_EQ(mkfifo(directory.file("b-fifo.bin").c_str(), 0600), 0);
  std::filesystem::create_symlink(directory.file("nowhere"), directory.file("c-dangling.bin"));
  directory.write("d-empty.bin", std::string());
  directory.write("e-ten-bytes.bin", std::string(10, '\xFF'));
  directory.write("f-byte9-251.bin", kindBytes(251, 1));
  directory.write("g-kind-258.bin", kindBytes(253, 2));
  directory.write("h-kind-0.bin", kindBytes(252, 0));
  const testing::RunResult run = runXbtconv({directory.path()}, "/", 20);
  EXPECT_EQ(run.out,
            "\na-directory.bin\nb-fifo.bin\nc-dangling.bin\nd-empty.bin\ne-ten-bytes.bin"
            "\nf-byte9-251.bin\ng-kind-258.bin\nh-kind-0.bin");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  for (const char* name : {"d-empty.bin", "e-ten-bytes.bin", "f-byte9-251.bin"}) {
    EXPECT_FALSE(directory.exists(std::string(name) + ".srp")) << name;
  }
}

}  // namespace
}  // namespace xbtconv
