#include "pipeline/inputs/directory_listing.h"

#include <gtest/gtest.h>

#include <algorithm>

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
  std::vector<std::string> names = {"b.bin",  "B.bin",    "a2.bin",    "A10.bin",  "\xC3\xA9.bin",
                                    "_x.bin", "a.bin",    "Z.bin",     "[.bin",    "z.bin.bin",
                                    "Z.BIN",  "\x7F.bin", "a.bin.bin", "A.BIN.BIN"};
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return messageFileNameLess(a, b); });
  // As strcasecmp orders them: letters fold to lower case, so '[' and '_'
  // come before every letter; a name comes before the longer names it
  // begins; bytes above 0x7F (UTF-8 letters) come after all of ASCII.
  const std::vector<std::string> expected = {
      "[.bin", "_x.bin", "a.bin", "A.BIN.BIN", "a.bin.bin", "A10.bin",  "a2.bin",
      "B.bin", "b.bin",  "Z.BIN", "Z.bin",     "z.bin.bin", "\x7F.bin", "\xC3\xA9.bin"};
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
  const Folder folder = Folder::open(directory);
  if (!folder.isOpen()) return false;
  MessageFileLister lister(folder, batchSize);
  std::vector<FolderEntry> batch;
  all.clear();
  while (lister.next(batch, error)) {
    if (batch.empty()) return true;
    EXPECT_LE(batch.size(), batchSize);
    for (const FolderEntry& entry : batch) all.push_back(entry.name);
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
  EXPECT_FALSE(listAll(directory.file("z.bin"), 10, names, error));
}

}  // namespace
}  // namespace xbtconv
