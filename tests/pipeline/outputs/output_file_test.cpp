// The one writer of xbt's outputs, in process: whole files under their
// final names, through private temporary files, and nothing left behind by
// a write that fails.
#include "pipeline/outputs/output_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <new>

#include "support/temp_directory.h"

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
  const Folder folder = Folder::open(directory.path());
  std::string error;
  std::optional<PendingOutput> pending = writeTemporary(
      folder, "x.json", [](const TextSink& sink) { sink("{\"a\":"), sink("1}"); }, false, error);
  ASSERT_TRUE(pending) << error;
  EXPECT_FALSE(directory.exists("x.json")) << "not in place before it is placed";
  EXPECT_TRUE(isTemporaryName(pending->temporary));
  EXPECT_EQ(pending->temporary.rfind("x.json.xbt-", 0), 0u);
  EXPECT_EQ(pending->identity.size, 7u);
  ASSERT_TRUE(placeOutput(*pending, false, error)) << error;
  EXPECT_EQ(directory.read("x.json"), "{\"a\":1}");
  EXPECT_EQ(folder.fileIdentity("x.json"), pending->identity) << "a rename keeps the identity";
  {
    // Two writes of one output never share a temporary file, and one that
    // is never put in place is removed as it goes.
    const auto first = writeTemporary(
        folder, "x.json", [](const TextSink& sink) { sink("1"); }, false, error);
    const auto second = writeTemporary(
        folder, "x.json", [](const TextSink& sink) { sink("2"); }, false, error);
    ASSERT_TRUE(first && second);
    EXPECT_NE(first->temporary, second->temporary);
    EXPECT_EQ(temporaries(directory.path()), 2);
  }
  // A library that writes the file itself is handed this very file.
  auto written = writeTemporaryBy(
      folder, "y.nc",
      [](const std::string& at, std::string&) {
        std::FILE* file = std::fopen(at.c_str(), "w");
        std::fputs("netCDF", file);
        return std::fclose(file) == 0;
      },
      false, error);
  ASSERT_TRUE(written && placeOutput(*written, false, error)) << error;
  EXPECT_EQ(directory.read("y.nc"), "netCDF");
  EXPECT_EQ(temporaries(directory.path()), 0);
  EXPECT_FALSE(isTemporaryName("x.json.partial"));
  EXPECT_FALSE(isTemporaryName("x.json.xbt-0123456789AB.partial"));
}

TEST(OutputFile, AWriteThatFailsSaysWhyAndLeavesNothing) {
  TempDirectory directory;
  std::string error;
  EXPECT_FALSE(writeOutputFile(directory.file("missing/x.json"), "{}", error));
  EXPECT_EQ(error, "No such file or directory");
  const Folder folder = Folder::open(directory.path());
  std::filesystem::create_directory(directory.file("x.json"));
  EXPECT_FALSE(writeOutputFile(folder, "x.json", "{}", false, error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(std::filesystem::is_directory(directory.file("x.json")));
  // A library that writes the file itself, and fails.
  EXPECT_FALSE(writeTemporaryBy(
      folder, "y.nc",
      [](const std::string&, std::string& reason) {
        reason = "the library says no";
        return false;
      },
      false, error));
  EXPECT_EQ(error, "the library says no");
  // Memory that runs out while the content is made.
  EXPECT_THROW(writeOutputFile(
                   folder, "z.json", [](const TextSink&) { throw std::bad_alloc(); }, false, error),
               std::bad_alloc);
  EXPECT_EQ(temporaries(directory.path()), 0);
}

}  // namespace
}  // namespace xbtconv
