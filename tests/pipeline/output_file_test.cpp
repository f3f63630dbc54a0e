// The one writer of xbt's outputs, in process: whole files under their
// final names, temporary files that are new, private and never followed
// through a link, and nothing left behind by a write that fails.
#include "pipeline/output_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "formats/private_file.h"
#include "support/temp_directory.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace xbtconv {
namespace {

using testing::TempDirectory;

int temporaries(const std::string& folder) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    count += isTemporaryName(entry.path().filename().string()) ? 1 : 0;
  }
  return count;
}

TEST(OutputFile, WritesWholeThroughAPrivateTemporaryFile) {
  TempDirectory directory;
  const std::string path = directory.file("x.json");
  std::string error;
  const std::optional<PendingOutput> pending = writeTemporary(
      path, [](const TextSink& sink) { sink("{\"a\":"), sink("1}"); }, false, error);
  ASSERT_TRUE(pending) << error;
  EXPECT_FALSE(directory.exists("x.json")) << "not in place before it is placed";
  EXPECT_TRUE(isTemporaryName(std::filesystem::path(pending->temporary).filename().string()));
  EXPECT_EQ(pending->temporary.rfind(path + ".xbt-", 0), 0u);
  EXPECT_EQ(pending->identity.size, 7u);
  ASSERT_TRUE(placeOutput(*pending, false, error)) << error;
  EXPECT_EQ(directory.read("x.json"), "{\"a\":1}");
  EXPECT_EQ(identityOf(path), pending->identity) << "a rename keeps what identifies the file";
  // Two writes of one output never share a temporary file.
  const auto first = writeTemporary(
      path, [](const TextSink& sink) { sink("1"); }, false, error);
  const auto second = writeTemporary(
      path, [](const TextSink& sink) { sink("2"); }, false, error);
  ASSERT_TRUE(first && second);
  EXPECT_NE(first->temporary, second->temporary);
  discardOutput(*first);
  discardOutput(*second);
  EXPECT_EQ(temporaries(directory.path()), 0);
  EXPECT_FALSE(isTemporaryName("x.json.partial"));
  EXPECT_FALSE(isTemporaryName("x.json.xbt-0123456789AB.partial"));
}

TEST(OutputFile, AWriteThatFailsSaysWhyAndLeavesNothing) {
  TempDirectory directory;
  std::string error;
  EXPECT_FALSE(writeOutputFile(directory.file("missing/x.json"), "{}", false, error));
  EXPECT_EQ(error, "No such file or directory");
  std::filesystem::create_directory(directory.file("x.json"));
  EXPECT_FALSE(writeOutputFile(directory.file("x.json"), "{}", false, error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(std::filesystem::is_directory(directory.file("x.json")));
  // A library that writes the file itself, and fails.
  EXPECT_FALSE(writeTemporaryBy(
      directory.file("y.nc"),
      [](const std::string&, std::string& reason) {
        reason = "the library says no";
        return false;
      },
      false, error));
  EXPECT_EQ(error, "the library says no");
  EXPECT_EQ(temporaries(directory.path()), 0);
}

#ifndef _WIN32
// Links planted at the names a temporary file once had, and a library
// handed the new file: nothing written through a link.
TEST(OutputFile, NeverWritesThroughAPlantedLink) {
  TempDirectory directory;
  directory.write("victim", std::string("mine"));
  std::filesystem::create_symlink(directory.file("victim"), directory.file("x.json.partial"));
  std::string error;
  ASSERT_TRUE(writeOutputFile(directory.file("x.json"), "{}", false, error)) << error;
  const auto written = writeTemporaryBy(
      directory.file("y.nc"),
      [](const std::string& at, std::string&) {
        std::FILE* file = std::fopen(at.c_str(), "w");
        std::fputs("netCDF", file);
        return std::fclose(file) == 0;
      },
      false, error);
  ASSERT_TRUE(written) << error;
  ASSERT_TRUE(placeOutput(*written, false, error));
  EXPECT_EQ(directory.read("y.nc"), "netCDF");
  EXPECT_EQ(directory.read("victim"), "mine");
  EXPECT_EQ(directory.read("x.json"), "{}");
  // Were the random name guessed, a file is still made only where nothing
  // is: neither through a link nor over a file.
  for (const char* name : {"x.json.partial", "x.json"}) {
    errno = 0;
    EXPECT_EQ(createNewFile(directory.file(name)), -1) << name;
    EXPECT_EQ(errno, EEXIST) << name;
  }
  const int fd = createNewFile(directory.file("new"));
  EXPECT_GE(fd, 0);
  ::close(fd);
  EXPECT_EQ(directory.read("victim"), "mine");
}
#endif

}  // namespace
}  // namespace xbtconv
