#include "relay/inbox.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "support/temp_directory.h"

namespace xbtconv {
namespace {

struct Look {
  std::vector<std::string> names;
  std::size_t waiting = 0;
  std::int64_t nextMs = 0;
};

Look lookAt(Inbox& inbox, std::int64_t nowMs) {
  Look look;
  EXPECT_TRUE(inbox.ready(nowMs, look.names, look.waiting, look.nextMs));
  return look;
}

using Names = std::vector<std::string>;

TEST(Inbox, TakesAFileWrittenInPlaceOnceItHasStoodStillForTheSettleTime) {
  testing::TempDirectory folder;
  const Folder opened = Folder::make(folder.path(), false);
  Inbox inbox(opened, 5000);
  folder.write("a.bin", "first");
  folder.write("b.bin.tmp", "being uploaded");
  folder.write(".c.bin", "hidden");
  const std::int64_t written = opened.fileIdentity("a.bin")->modified / 1000000;
  Look look = lookAt(inbox, written + 4999);
  EXPECT_EQ(look.names, Names{});
  EXPECT_EQ(look.waiting, 1U);
  EXPECT_EQ(look.nextMs, written + 5000);
  // Written again: its time to stand still starts over.
  folder.write("a.bin", "first, and more");
  EXPECT_EQ(lookAt(inbox, written + 5000).names, Names{});
  EXPECT_EQ(lookAt(inbox, written + 9999).names, Names{});
  look = lookAt(inbox, written + 10000);
  EXPECT_EQ(look.names, Names{"a.bin"});
  EXPECT_EQ(look.waiting, 0U);
  // An upload under way and a hidden file, never.
  EXPECT_EQ(lookAt(inbox, written + 86400000).names, Names{"a.bin"});
}

TEST(Inbox, TakesAFileRenamedInAtOnceAndEveryFileWithoutASettleTime) {
  testing::TempDirectory folder;
  const Folder opened = Folder::make(folder.path(), false);
  const Folder navy = opened.subfolder("navy", true);
  Inbox inbox(opened, 3600000);
  inbox.addSender("navy", navy);
  const bool watched = inbox.watch();
  folder.write("d.bin.tmp", "uploaded");
  folder.write("e.bin", "written in place");
  ASSERT_EQ(std::rename(folder.file("d.bin.tmp").c_str(), folder.file("d.bin").c_str()), 0);
  const std::int64_t written = opened.fileIdentity("e.bin")->modified / 1000000;
  if (watched) {
    EXPECT_EQ(lookAt(inbox, written).names, Names{"d.bin"});
    // Taken; then the same name written in place by a sender: not renamed
    // in, so it waits for its settle time (a rename seen late changes
    // nothing).
    ASSERT_EQ(std::rename(folder.file("d.bin").c_str(), folder.file(".taken").c_str()), 0);
    inbox.taken("d.bin");
    folder.write("d.bin", "half written");
    EXPECT_EQ(lookAt(inbox, written + 1).names, Names{});
    // Renamed in, then written in place before the relay looked: it waits
    // as any file written in place does.
    folder.write("f.bin.tmp", "uploaded");
    ASSERT_EQ(std::rename(folder.file("f.bin.tmp").c_str(), folder.file("f.bin").c_str()), 0);
    folder.write("f.bin", "and written again in place");
    EXPECT_EQ(lookAt(inbox, written + 2).names, Names{});
    ASSERT_EQ(std::remove(folder.file("f.bin").c_str()), 0);
    // A sender's folder is watched as the inbox is, its entries named
    // with the folder.
    folder.write("navy/g.bin.tmp", "uploaded");
    ASSERT_EQ(std::rename(folder.file("navy/g.bin.tmp").c_str(), folder.file("navy/g.bin").c_str()),
              0);
    EXPECT_EQ(lookAt(inbox, written + 3).names, Names{"navy/g.bin"});
    ASSERT_EQ(std::remove(folder.file("navy/g.bin").c_str()), 0);
  }
  Inbox unsettled(opened, 0);
  EXPECT_EQ(lookAt(unsettled, written).names, (Names{"d.bin", "e.bin"}));
}

}  // namespace
}  // namespace xbtconv
