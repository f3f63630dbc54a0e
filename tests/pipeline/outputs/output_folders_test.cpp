// The folders a run writes in, in process: made where missing, locked
// against another run, and cleared of what a killed run left.
#include "pipeline/outputs/output_folders.h"

#include <gtest/gtest.h>

#include <filesystem>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "pipeline/outputs/output_file.h"
#include "support/temp_directory.h"

namespace xbtconv {
namespace {

using testing::TempDirectory;

TEST(OutputFolders, MadeLockedAndClearedOfLeftovers) {
  TempDirectory directory;
  const std::string folder = directory.file("out/sub");
  std::filesystem::create_directories(folder);
  // What a killed run left, beside a file of the user's that only looks
  // alike.
  const std::string leftover = folder + "/x.json.xbt-0123456789ab.partial";
  const std::string users = folder + "/x.json.partial";
  for (const std::string& path : {leftover, users}) {
    std::FILE* file = std::fopen(path.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
  }
  OutputFolders first(false, false);
  std::string error;
  OutputFolder* ready = first.prepare(folder, error);
  ASSERT_NE(ready, nullptr) << error;
  EXPECT_EQ(first.prepare(folder + "/.", error), ready) << "one folder however it is spelt";
  EXPECT_FALSE(std::filesystem::exists(leftover));
  EXPECT_TRUE(std::filesystem::exists(users));
  EXPECT_TRUE(std::filesystem::is_regular_file(folder + "/.xbt-record"));
#ifndef _WIN32
  // A second run into the folder refuses it, with the reason, until the
  // first is done.
  {
    OutputFolders second(false, false);
    EXPECT_EQ(second.prepare(folder, error), nullptr);
    EXPECT_EQ(error, "another xbt run is writing in this folder; try again when it has finished");
  }
#endif
  // A folder that cannot be made says why, each time it is asked for.
  directory.write("file", std::string("a file"));
  EXPECT_EQ(first.prepare(directory.file("file/sub"), error), nullptr);
#ifndef _WIN32
  EXPECT_EQ(error, "Not a directory");
#else
  EXPECT_FALSE(error.empty());  // the system's own words
#endif
  std::string again;
  EXPECT_EQ(first.prepare(directory.file("file/sub"), again), nullptr);
  EXPECT_EQ(again, error);
}

#ifndef _WIN32
// A run killed (here: a process that ends without a word) after one that
// ended leaves temporary files, which the next run removes.
TEST(OutputFolders, WhatARunKilledAfterOneThatEndedLeftIsRemoved) {
  TempDirectory directory;
  const std::string folder = directory.path();
  const std::string leftover = directory.file("x.json.xbt-0123456789ab.partial");
  std::string error;
  {
    OutputFolders ended(false, false);
    ASSERT_NE(ended.prepare(folder, error), nullptr) << error;
  }
  const pid_t killed = ::fork();
  if (killed == 0) {
    OutputFolders run(false, false);
    std::string reason;
    if (run.prepare(folder, reason) == nullptr) ::_exit(1);
    std::FILE* file = std::fopen(leftover.c_str(), "w");
    ::_exit(file == nullptr ? 1 : 0);
  }
  int status = -1;
  ::waitpid(killed, &status, 0);
  ASSERT_EQ(status, 0);
  ASSERT_TRUE(std::filesystem::exists(leftover));
  OutputFolders next(false, false);
  ASSERT_NE(next.prepare(folder, error), nullptr) << error;
  EXPECT_FALSE(std::filesystem::exists(leftover));
}
#endif

}  // namespace
}  // namespace xbtconv
