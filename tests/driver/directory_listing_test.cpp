#include "driver/directory_listing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "driver/report_file.h"
#include "support/temp_directory.h"

namespace xbtconv {
namespace {

TEST(DirectoryListing, NamesThatCount) {
  for (const char* name : {"a.bin", "A1.BIN", "x.Bin", ".bin", ".hidden.bin", "two.dots.bin"}) {
    EXPECT_TRUE(isMessageFileName(name)) << name;
  }
  for (const char* name : {"a.bin.srp", "a.bi", "bin", "a.binx", "a_bin", "", ".", ".."}) {
    EXPECT_FALSE(isMessageFileName(name)) << name;
  }
}

TEST(DirectoryListing, OrderFoldsCaseAndBreaksTiesBytewise) {
  std::vector<std::string> names = {"b.bin",  "B.bin", "a2.bin", "A10.bin",
                                    "_x.bin", "a.bin", "Z.bin",  "[.bin"};
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return messageFileNameLess(a, b); });
  // As strcasecmp orders them: letters fold to lower case, so '[' and '_'
  // come before every letter.
  const std::vector<std::string> expected = {"[.bin",  "_x.bin", "a.bin", "A10.bin",
                                             "a2.bin", "B.bin",  "b.bin", "Z.bin"};
  EXPECT_EQ(names, expected);
}

TEST(DirectoryListing, JoinInsertsExactlyOneSeparator) {
  const std::string separator(1, kPathSeparator);
  EXPECT_EQ(joinPath("data", "x.bin"), "data" + separator + "x.bin");
  EXPECT_EQ(joinPath("data/", "x.bin"), "data/" + separator + "x.bin");
  EXPECT_EQ(joinPath(".", "x.bin"), "." + separator + "x.bin");
}

// Every name handed out by the lister, batch after batch.
bool listAll(const std::string& directory, std::size_t batchSize, std::vector<std::string>& all,
             std::string& error) {
  MessageFileLister lister(directory, batchSize);
  std::vector<std::string> batch;
  all.clear();
  while (lister.next(batch, error)) {
    if (batch.empty()) return true;
    EXPECT_LE(batch.size(), batchSize);
    all.insert(all.end(), batch.begin(), batch.end());
  }
  return false;
}

TEST(DirectoryListing, ListsMessageFilesInOrderBatchAfterBatch) {
  testing::TempDirectory directory;
  std::vector<std::string> sorted = {"[.bin", "_x.bin", "a.bin", "A10.bin", "a2.bin",
                                     "B.bin", "b.bin",  "c.BIN", "z.bin"};
#ifdef _WIN32
  sorted.erase(sorted.begin() + 5);  // names differing in case alone are one file there
#endif
  for (auto it = sorted.rbegin(); it != sorted.rend(); ++it) directory.write(*it, "x");
  for (const char* other : {"c.txt", "a.bin.srp", "bin"}) directory.write(other, "x");
  for (std::size_t batchSize : {1u, 2u, 3u, 4u, 8u, 9u, 10u, 4096u}) {
    std::vector<std::string> names;
    std::string error;
    ASSERT_TRUE(listAll(directory.path(), batchSize, names, error)) << error;
    EXPECT_EQ(names, sorted) << "batches of " << batchSize;
  }

  std::vector<std::string> names;
  std::string error;
  EXPECT_FALSE(listAll(directory.file("absent"), 10, names, error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(listAll(directory.file("z.bin"), 10, names, error));
}

TEST(ReportFile, WritesBytesUnchangedAndReplacesWhole) {
  testing::TempDirectory directory;
  std::FILE* console = std::tmpfile();
  ASSERT_NE(console, nullptr);
  directory.write("x.bin.srp", std::string(500, 'z'));
  const std::string text = " line\r\n\n\nTWO\r\n";
  writeReportFile(directory.file("x.bin.srp"), text, console);
  EXPECT_EQ(directory.read("x.bin.srp"), text);
  EXPECT_EQ(std::ftell(console), 0) << "nothing printed on success";
  std::fclose(console);
}

TEST(ReportFile, FailuresToCreateOrWriteArePrinted) {
  testing::TempDirectory directory;
  std::FILE* console = std::tmpfile();
  ASSERT_NE(console, nullptr);
  std::filesystem::create_directory(directory.file("dir.bin.srp"));
  writeReportFile(directory.file("dir.bin.srp"), "text", console);
  std::string expected = "Can not write file " + directory.file("dir.bin.srp") + "\r\n";
#ifndef _WIN32
  // A write that fails after the open (a full device) must not pass for a
  // good report.
  std::filesystem::create_symlink("/dev/full", directory.file("full.bin.srp"));
  writeReportFile(directory.file("full.bin.srp"), std::string(100000, 'x'), console);
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
