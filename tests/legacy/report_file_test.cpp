#include "legacy/report_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_directory.h"

namespace xbtconv {
namespace {

// xbtconv's report writer says each report it could not write whole.
TEST(ReportFile, FailuresToCreateOrWriteArePrinted) {
  testing::TempDirectory directory;
  std::FILE* console = std::tmpfile();
  ASSERT_NE(console, nullptr);
  std::filesystem::create_directory(directory.file("dir.bin.srp"));
  const auto text = [](std::string content) {
    return [content](const TextSink& sink) { sink(content); };
  };
  writeReportFile(directory.file("dir.bin.srp"), text("text"), console);
  std::string expected = "Can not write file " + directory.file("dir.bin.srp") + "\r\n";
#ifndef _WIN32
  // A write that fails after the open (a full device) must not pass for a
  // good report.
  std::filesystem::create_symlink("/dev/full", directory.file("full.bin.srp"));
  writeReportFile(directory.file("full.bin.srp"), text(std::string(100000, 'x')), console);
  expected += "Can not write file " + directory.file("full.bin.srp") + "\r\n";
#endif

  std::rewind(console);
  char printed[4096] = {};
  const std::size_t length = std::fread(printed, 1, sizeof printed - 1, console);
  std::fclose(console);
  EXPECT_EQ(std::string(printed, length), expected);
}

}  // namespace
}  // namespace xbtconv
