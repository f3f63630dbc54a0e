// A folder by descriptor, as someone who shares it would attack it: levels
// swapped for links mid-run, links, FIFOs and folders planted under the
// names it reads and writes.
#include "pipeline/outputs/folder.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <map>

#include "formats/private_file.h"
#include "support/temp_directory.h"

namespace xbtconv {
namespace {

namespace fs = std::filesystem;
using testing::TempDirectory;

std::map<std::string, EntryType> listed(const Folder& folder) {
  std::map<std::string, EntryType> types;
  const std::optional<std::vector<FolderEntry>> entries = folder.entries();
  for (const FolderEntry& entry : entries.value()) types[entry.name] = entry.type;
  return types;
}

TEST(Folder, StaysTheFolderItWasAndFollowsNoLinkBelowIt) {
  TempDirectory directory;
  fs::create_directories(directory.file("in/sub"));
  fs::create_directories(directory.file("elsewhere"));
  const Folder in = Folder::open(directory.file("in"));
  const Folder sub = in.subfolder("sub");
  ASSERT_TRUE(sub.isOpen());
  // The subfolder swapped for a link to another folder mid-run.
  fs::rename(directory.file("in/sub"), directory.file("in/sub.real"));
  fs::create_directory_symlink(directory.file("elsewhere"), directory.file("in/sub"));
  ASSERT_TRUE(sub.writeFile("x.json", "{}"));
  EXPECT_EQ(directory.read("in/sub.real/x.json"), "{}");
  for (const bool create : {false, true}) {
    EXPECT_FALSE(in.subfolder("sub", create).isOpen());
    EXPECT_TRUE(errno == ENOTDIR || errno == ELOOP) << errno;
  }
  EXPECT_TRUE(fs::is_empty(directory.file("elsewhere")));
  EXPECT_FALSE(in.subfolder("sub.real/..").isOpen());
  EXPECT_EQ(errno, EINVAL);
  // Missing levels are made one by one; the levels a caller names are
  // resolved as named, links included.
  const Folder made = Folder::make(directory.file("in/sub/a//b/"), true);
  ASSERT_TRUE(made.isOpen());
  EXPECT_TRUE(fs::is_directory(directory.file("elsewhere/a/b")));
  EXPECT_FALSE(Folder::make(directory.file("in/sub.real/x.json/c"), false).isOpen());
  // One run at a time: a second opening of the folder cannot lock it.
  ASSERT_TRUE(in.lock());
  EXPECT_FALSE(Folder::open(directory.file("in")).lock());
  EXPECT_EQ(errno, EWOULDBLOCK);
}

TEST(Folder, ReadsOnlyRegularFilesAndNeverWaits) {
  TempDirectory directory;
  directory.write("file.bin", std::string("bytes"));
  fs::create_symlink("/dev/ptmx", directory.file("device.bin"));
  fs::create_symlink(directory.file("file.bin"), directory.file("link.bin"));
  ASSERT_EQ(::mkfifo(directory.file("fifo.bin").c_str(), 0600), 0);
  fs::create_directory(directory.file("folder.bin"));
  const Folder folder = Folder::open(directory.path());
  EntryType found = EntryType::kNone;
  const int fd = folder.openFile("file.bin", found);
  EXPECT_GE(fd, 0);
  EXPECT_EQ(found, EntryType::kFile);
  ::close(fd);
  const std::map<std::string, std::pair<EntryType, int>> refused = {
      {"device.bin", {EntryType::kLink, ELOOP}},
      {"link.bin", {EntryType::kLink, ELOOP}},
      {"fifo.bin", {EntryType::kOther, ENXIO}},
      {"folder.bin", {EntryType::kFolder, EISDIR}},
      {"missing.bin", {EntryType::kNone, ENOENT}}};
  // The same when a listing said a regular file stood there (one swapped
  // in since): what is opened is checked.
  for (const EntryType listing : {EntryType::kUnknown, EntryType::kFile}) {
    for (const auto& [name, expected] : refused) {
      EXPECT_EQ(folder.openFile(name, found, false, nullptr, listing), -1) << name;
      EXPECT_EQ(found, expected.first) << name;
      EXPECT_EQ(errno, expected.second) << name;
      EXPECT_FALSE(folder.fileIdentity(name)) << name;
    }
  }
  FileIdentity identity;
  const int linked = folder.openFile("link.bin", found, true, &identity, EntryType::kFile);
  EXPECT_GE(linked, 0);
  EXPECT_EQ(identity, *folder.fileIdentity("file.bin"));
  ::close(linked);
  EXPECT_EQ(folder.fileIdentity("file.bin")->size, 5u);
  EXPECT_EQ(listed(folder), (std::map<std::string, EntryType>{{"device.bin", EntryType::kLink},
                                                              {"fifo.bin", EntryType::kOther},
                                                              {"file.bin", EntryType::kFile},
                                                              {"folder.bin", EntryType::kFolder},
                                                              {"link.bin", EntryType::kLink}}));
}

TEST(Folder, WritesOnlyNewFilesAndReplacesWhatWasPlanted) {
  TempDirectory directory;
  directory.write("victim", std::string("mine"));
  fs::create_directory(directory.file("out"));
  fs::create_symlink(directory.file("victim"), directory.file("out/link.srp"));
  ASSERT_EQ(::mkfifo(directory.file("out/fifo.srp").c_str(), 0600), 0);
  fs::create_directory(directory.file("out/folder.srp"));
  const Folder out = Folder::open(directory.file("out"));
  EXPECT_TRUE(out.writeFile("link.srp", "report"));
  EXPECT_TRUE(out.writeFile("fifo.srp", "report"));
  EXPECT_FALSE(out.writeFile("folder.srp", "report"));
  EXPECT_EQ(directory.read("victim"), "mine");
  EXPECT_EQ(listed(out), (std::map<std::string, EntryType>{{"fifo.srp", EntryType::kFile},
                                                           {"folder.srp", EntryType::kFolder},
                                                           {"link.srp", EntryType::kFile}}));
  // A name that fits has a temporary name that fits: shortened, at the
  // start of a character.
  const std::string longName = std::string(229, 'a') + "\xC3\xA9" + std::string(20, 'b');
  std::string made;
  const int fd = out.createTemporary(longName, ".partial", made);
  ASSERT_GE(fd, 0) << errno;
  ::close(fd);
  EXPECT_EQ(made.size(), 229u + 25u);
  EXPECT_EQ(made.substr(0, 234), std::string(229, 'a') + ".xbt-");
  EXPECT_TRUE(isPrivateFileName(made, ".partial"));
  // Moved to another folder, and removed.
  fs::create_directory(directory.file("archive"));
  const Folder archive = Folder::open(directory.file("archive"));
  ASSERT_TRUE(out.renameTo(made, archive, "kept", true));
  EXPECT_EQ(archive.typeOf("kept"), EntryType::kFile);
  EXPECT_TRUE(archive.remove("kept"));
  EXPECT_EQ(archive.typeOf("kept"), EntryType::kNone);
}

}  // namespace
}  // namespace xbtconv
#endif
