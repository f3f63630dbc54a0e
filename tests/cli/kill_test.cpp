// xbt killed (SIGKILL, which nothing can catch) at random moments of a run
// over a batch of generated messages, in every command and format: every
// file under its final name is byte for byte what an uninterrupted run
// writes, and a rerun with --update finishes the batch exactly, redoing no
// output that was complete and leaving out none.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <thread>

#include "support/random_fields.h"
#include "support/temp_directory.h"

extern char** environ;

namespace xbtconv {
namespace {

namespace fs = std::filesystem;
using testing::TempDirectory;

// Starts xbt with `arguments`, its output discarded; returns its process.
pid_t start(const std::vector<std::string>& arguments) {
  std::vector<std::string> words = {XBT_EXECUTABLE};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

int finish(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

// Every file of `folder` (temporaries aside) with its content and, for
// telling a rewritten one, its inode.
struct Snapshot {
  std::map<std::string, std::string> contents;
  std::map<std::string, ino_t> inodes;
  int temporaries = 0;
};

Snapshot snapshot(const std::string& folder) {
  Snapshot s;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    const std::string name = fs::relative(entry.path(), folder).string();
    // The record of what each output was made from is no output.
    if (entry.path().filename() == ".xbt-record") continue;
    if (name.ends_with(".partial")) {
      ++s.temporaries;
      continue;
    }
    std::ifstream in(entry.path(), std::ios::binary);
    s.contents[name] = std::string(std::istreambuf_iterator<char>(in), {});
    struct stat info {};
    stat(entry.path().c_str(), &info);
    s.inodes[name] = info.st_ino;
  }
  return s;
}

TEST(Kill, AnyMomentLeavesWholeOutputsAndUpdateFinishesExactly) {
  TempDirectory directory;
  const std::string inputs = directory.file("in");
  fs::create_directory(inputs);
  std::mt19937_64 random(18122026);
  for (int i = 0; i < 200; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "m%03d.bin", i);
    directory.write("in/" + std::string(name), testing::randomBatchMessage(random, i));
  }
  const std::vector<std::vector<std::string>> commands = {
      {"convert", "-q"},
      {"export", "-q", "--format", "json"},
      {"export", "-q", "--format", "csv"},
      {"export", "-q", "--format", "bufr", "--keep-incomplete"},
      {"export", "-q", "--format", "netcdf", "--keep-incomplete"},
      {"plot", "-q"},
  };
  for (const std::vector<std::string>& command : commands) {
    const auto run = [&](const std::string& out, bool update) {
      std::vector<std::string> arguments = command;
      arguments.insert(arguments.end(), {"--now", "2026-12-01", "-o", out, inputs});
      if (command[0] == "convert") arguments.erase(arguments.begin() + 2, arguments.begin() + 4);
      if (update) arguments.push_back("--update");
      return arguments;
    };
    const std::string reference = directory.file("reference");
    fs::remove_all(reference);
    const auto began = std::chrono::steady_clock::now();
    finish(start(run(reference, false)));
    const auto took = std::chrono::steady_clock::now() - began;
    const Snapshot whole = snapshot(reference);
    ASSERT_GT(whole.contents.size(), 100u) << command[0];
    for (int kill = 0; kill < 20; ++kill) {
      const std::string out = directory.file("killed");
      fs::remove_all(out);
      const pid_t pid = start(run(out, false));
      std::this_thread::sleep_for(took * std::uniform_real_distribution<double>(0, 1)(random));
      ::kill(pid, SIGKILL);
      finish(pid);
      if (!fs::exists(out)) continue;
      const Snapshot killed = snapshot(out);
      for (const auto& [name, content] : killed.contents) {
        ASSERT_EQ(content, whole.contents.at(name))
            << command[1] << " " << name << " kill " << kill;
      }
      finish(start(run(out, true)));
      const Snapshot updated = snapshot(out);
      EXPECT_EQ(updated.contents, whole.contents) << command[1] << " kill " << kill;
      EXPECT_EQ(updated.temporaries, 0) << command[1] << " kill " << kill;
      for (const auto& [name, inode] : killed.inodes) {
        // The gallery page is the run's, made anew by every run.
        if (name == "index.html") continue;
        EXPECT_EQ(updated.inodes.at(name), inode) << name << " was redone after kill " << kill;
      }
      if (HasFailure()) return;
    }
  }
}

}  // namespace
}  // namespace xbtconv
#endif
