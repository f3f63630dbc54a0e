// xbt convert run as a user or a script would: the reports are xbtconv's,
// byte for byte; what is not converted is named with its reason.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "support/message_checks.h"
#include "support/process_runner.h"
#include "support/random_fields.h"
#include "support/temp_directory.h"

namespace xbtconv {
namespace {

using testing::TempDirectory;

testing::RunResult runXbt(const std::vector<std::string>& arguments) {
  return testing::runProgram(XBT_EXECUTABLE, arguments, "/");
}

// Random messages of both kinds and all layouts, a fifth of them cut short.
void writeRandomMessages(const TempDirectory& directory, int count, std::uint64_t seed) {
  std::mt19937_64 random(seed);
  for (int i = 0; i < count; ++i) {
    directory.write("m" + std::to_string(i) + ".bin", testing::randomBatchMessage(random, i));
  }
}

TEST(XbtConvert, ReportsAreXbtconvsByteForByte) {
  TempDirectory legacy;
  TempDirectory modern;
  writeRandomMessages(legacy, 300, 11122026);
  writeRandomMessages(modern, 300, 11122026);
  testing::runXbtconv({legacy.path()}, "/");
  EXPECT_EQ(runXbt({"convert", "-q", modern.path()}).status, 1) << "some are cut short";
  for (int i = 0; i < 300; ++i) {
    const std::string report = "m" + std::to_string(i) + ".bin.srp";
    ASSERT_EQ(modern.read(report), legacy.read(report)) << report;
  }
}

TEST(XbtConvert, ReasonsSummaryAndExitStatus) {
  TempDirectory directory;
  testing::StandardFields fields;
  fields.temperatures = {2400};
  directory.write("a.bin", testing::standardMessage(fields));
  directory.write("b.bin", testing::cutAt(testing::standardMessage(fields), 60));
  directory.write("c.bin", testing::standardMessage(fields));
  std::filesystem::create_directory(directory.file("c.bin.srp"));  // cannot be replaced
  directory.write("d.bin", std::string("a text file"));
  directory.write("e.bin", std::string(10, '\xFF'));
  testing::RunResult run = runXbt({"convert", directory.path()});
  EXPECT_EQ(run.status, 1);
  const std::string failures =
      "xbt: " + directory.file("b.bin") + ": decode stopped at bit 478 of 480 (cut short)\n" +
      "xbt: " + directory.file("c.bin") + ": cannot write " + directory.file("c.bin.srp") + ": ";
  EXPECT_EQ(run.err.find(failures), 0u) << run.err;
  EXPECT_NE(run.err.find("\nxbt: " + directory.file("d.bin") + ": not a message\nxbt: " +
                         directory.file("e.bin") + ": shorter than 11 bytes\n" +
                         "xbt: converted 1, failed 2, skipped 2, in "),
            std::string::npos)
      << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(directory.read("b.bin.srp"),
            testing::reportOf(testing::cutAt(testing::standardMessage(fields), 60)));

  run = runXbt({"convert", "-q", directory.path()});
  EXPECT_EQ(run.err.find("skipped"), std::string::npos) << "-q names failures only";
  EXPECT_EQ(runXbt({"convert", "-q", directory.file("a.bin")}).status, 0);
}

TEST(XbtConvert, SubfoldersMirroredUnderTheOutputFolder) {
  TempDirectory directory;
  std::filesystem::create_directories(directory.file("in/deep/er"));
  directory.write("in/deep/er/x.bin", testing::standardMessage({}));
  // A name whose report's name fits: its temporary file's name fits too.
  const std::string longName = std::string(246, 'n') + ".bin";
  directory.write("in/deep/er/" + longName, testing::standardMessage({}));
  const testing::RunResult run =
      runXbt({"convert", "-r", "-o", directory.file("out"), directory.file("in")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(directory.read("out/deep/er/x.bin.srp"),
            testing::reportOf(testing::standardMessage({})));
  EXPECT_EQ(directory.read("out/deep/er/" + longName + ".srp"),
            testing::reportOf(testing::standardMessage({})));
  EXPECT_FALSE(directory.exists("in/deep/er/x.bin.srp"));
}

#ifndef _WIN32
// The bar shows on a terminal (script gives the run one) and never in a
// pipe or a file, unless asked for; the names -v prints stand on lines of
// their own, escaped as every name on the console is.
TEST(XbtConvert, ProgressBarOnATerminalOnly) {
  TempDirectory directory;
  directory.write("a.bin", testing::standardMessage({}));
  const std::string command = "script -qec \"'" XBT_EXECUTABLE "' convert -q -v '" +
                              directory.path() + "'\" /dev/null > " + directory.file("tty");
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string tty = directory.read("tty");
  EXPECT_NE(tty.find("1/1 files"), std::string::npos) << tty;
  const std::size_t name = tty.find(directory.file("a.bin.srp") + "\r\n");
  ASSERT_NE(name, std::string::npos) << tty;
  // What a terminal shows of the name's line: what follows the last return.
  const std::size_t line = tty.find_last_of("\r\n", name - 1) + 1;
  EXPECT_EQ(tty.substr(line, name - line), "\x1b[K") << tty;
  EXPECT_EQ(runXbt({"convert", directory.path()}).err.find("files"), std::string::npos);
  directory.write("e\x1b[2J.bin", testing::standardMessage({}));
  const testing::RunResult run = runXbt({"convert", "-v", "--progress=Always", directory.path()});
  EXPECT_NE(run.err.find("2/2 files"), std::string::npos);
  EXPECT_NE(run.out.find("/e\\x1b[2J.bin.srp\n"), std::string::npos) << run.out;
}
#endif

}  // namespace
}  // namespace xbtconv
