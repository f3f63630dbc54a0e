// Runs the real executable on temporary directories and compares what it
// prints byte for byte.
#include <gtest/gtest.h>

#include <filesystem>

#include "pipeline/inputs/directory_listing.h"
#include "support/message_checks.h"
#include "support/process_runner.h"
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

TEST(XbtconvRun, ConvertsGoodAndFailingMessagesAndSkipsForeignFiles) {
  TempDirectory directory;
  testing::StandardFields good;
  good.temperatures = {2400, 2300, 2200};
  const std::vector<std::uint8_t> goodBytes = testing::standardMessage(good);
  testing::StandardFields failing;
  failing.typeOfData = 3;
  failing.points = {{2, 2000}, {4, 1990}};
  failing.groupCount = 3;  // one point more than the file holds
  const std::vector<std::uint8_t> failingBytes = testing::standardMessage(failing);

  directory.write("a-good.bin", goodBytes);
  directory.write("b-failing.bin", failingBytes);
  // Eleven bytes are enough to be recognised, not to be decoded.
  const std::vector<std::uint8_t> eleven = testing::cutAt(goodBytes, 11);
  directory.write("b2-eleven.bin", eleven);
  directory.write("c-foreign.bin", kindBytes(0x12, 0x34));
  directory.write("d-good.BIN", goodBytes);
  directory.write("d-good.BIN.srp", std::string(50000, '#'));  // replaced whole
  const testing::RunResult run = runXbtconv({directory.path()}, "/");
  EXPECT_EQ(run.out,
            "\na-good.bin\nb-failing.bin\n File Failed\nb2-eleven.bin\n File Failed\nc-foreign.bin"
            "\nd-good.BIN");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(directory.read("a-good.bin.srp"), testing::reportOf(goodBytes));
  EXPECT_EQ(directory.read("d-good.BIN.srp"), testing::reportOf(goodBytes));
  const std::string failed = directory.read("b-failing.bin.srp");
  EXPECT_EQ(failed, testing::reportOf(failingBytes));
  EXPECT_NE(failed.find("\n\nTWOMETER:    2\r\n   20 1600   40 1589\r\n"), std::string::npos);
  EXPECT_EQ(directory.read("b2-eleven.bin.srp"), testing::reportOf(eleven));
  EXPECT_FALSE(directory.exists("c-foreign.bin.srp"));

#ifndef _WIN32
  // A link farm: a message reached through a link is converted as the file
  // itself; a link to no file (a FIFO, a device) is listed and left alone,
  // never opened.
  TempDirectory farm;
  namespace fs = std::filesystem;
  fs::create_symlink(directory.file("a-good.bin"), farm.file("a-good.bin"));
  fs::create_symlink(directory.file("b-failing.bin"), farm.file("b-failing.bin"));
  fs::create_symlink("/dev/ptmx", farm.file("c-device.bin"));
  const testing::RunResult linked = runXbtconv({farm.path()}, "/");
  EXPECT_EQ(linked.out, "\na-good.bin\nb-failing.bin\n File Failed\nc-device.bin");
  EXPECT_EQ(farm.read("a-good.bin.srp"), testing::reportOf(goodBytes));
  EXPECT_EQ(farm.read("b-failing.bin.srp"), testing::reportOf(failingBytes));
  EXPECT_FALSE(farm.exists("c-device.bin.srp"));
#endif
}

TEST(XbtconvRun, ReportThatCannotBeWrittenIsPrintedAndTheRunGoesOn) {
  TempDirectory directory;
  const std::vector<std::uint8_t> bytes = testing::standardMessage(testing::StandardFields{});
  directory.write("x.bin", bytes);
  directory.write("y.bin", bytes);
  std::filesystem::create_directory(directory.file("x.bin.srp"));
  testing::RunResult run = runXbtconv({}, directory.path());
  const std::string here = std::string(".") + kPathSeparator;
  EXPECT_EQ(run.out, "\nx.binCan not write file " + here + "x.bin.srp\r\n\ny.bin");
#ifdef _WIN32
  EXPECT_EQ(run.rawOut, "\r\nx.binCan not write file .\\x.bin.srp\r\r\n\r\ny.bin");
#endif
  EXPECT_TRUE(directory.exists("y.bin.srp"));

  // The failure line follows the decode failure line; the output then ends
  // with the carriage return and line feed.
  std::filesystem::remove(directory.file("y.bin"));
  directory.write("x.bin", std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 40));
  run = runXbtconv({"."}, directory.path());
  EXPECT_EQ(run.out, "\nx.bin\n File FailedCan not write file " + here + "x.bin.srp\r\n");
}

}  // namespace
}  // namespace xbtconv
