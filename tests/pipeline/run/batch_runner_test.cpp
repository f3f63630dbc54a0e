// The runner of a command's inputs, in process: on any number of threads,
// every input is taken up once, in input order, those settled at once
// beside those worked; a short run starts no thread; memory that runs out
// fails an input, or stops the run, never crashes it.
#include "pipeline/run/batch_runner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <set>
#include <thread>

#include "support/temp_directory.h"

namespace xbtconv {
namespace {

struct Worked : InputResult {
  std::string name;
  bool settled = false;
  std::thread::id thread;
};

Worked worked(const BatchItem& item, bool settled) {
  Worked result;
  result.name = item.input.name;
  result.settled = settled;
  result.thread = std::this_thread::get_id();
  return result;
}

// Runs the files of `folder` on `jobs` threads, every third settled at
// once; what was taken up, in the order it was. The work of input
// `starved`, and the taking up of `stopping`, find no memory.
std::vector<Worked> run(const std::string& folder, int jobs, const std::string& starved = "",
                        const std::string& stopping = "", RunEnd* end = nullptr) {
  std::vector<Worked> taken;
  std::mt19937 random(7);
  std::vector<int> delays(1000);
  for (int& delay : delays) delay = static_cast<int>(random() % 400);
  int index = 0;
  const RunEnd ended =
      BatchRunner<Worked>({{folder}, false, jobs},
                          {[&](BatchItem& item) -> std::optional<Worked> {
                             const bool settle = index++ % 3 == 0;
                             if (!settle) return std::nullopt;
                             return worked(item, true);
                           },
                           [&](const BatchItem& item, MessageReader&) {
                             if (item.input.name == starved) throw std::bad_alloc();
                             const int delay = delays[std::stoul(item.input.name.substr(1, 3))];
                             std::this_thread::sleep_for(std::chrono::microseconds(delay));
                             return worked(item, false);
                           },
                           [](std::vector<BatchItem>&, std::vector<std::optional<Worked>>&) {},
                           [&](const BatchItem& item, Worked&& result) {
                             if (item.input.name == stopping) throw std::bad_alloc();
                             result.name = item.input.name;
                             taken.push_back(std::move(result));
                           }})
          .run();
  if (end != nullptr) *end = ended;
  return taken;
}

TEST(BatchRunner, EveryInputOnceInOrderOnAnyNumberOfThreads) {
  testing::TempDirectory directory;
  for (int i = 0; i < 300; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "m%03d.bin", i);
    directory.write(name, std::string("x"));
  }
  const std::vector<Worked> one = run(directory.path(), 1);
  ASSERT_EQ(one.size(), 300u);
  for (int jobs : {2, 3, 8}) {
    const std::vector<Worked> many = run(directory.path(), jobs);
    ASSERT_EQ(many.size(), one.size()) << jobs;
    std::set<std::thread::id> threads;
    for (std::size_t i = 0; i < many.size(); ++i) {
      EXPECT_EQ(many[i].name, one[i].name) << jobs;
      EXPECT_EQ(many[i].settled, i % 3 == 0);
      threads.insert(many[i].thread);
    }
#ifndef _WIN32
    // (Wine starts threads too slowly for these short chunks to be shared.)
    EXPECT_GT(threads.size(), 1u) << "the work was shared";
#endif
  }
  // A run of one chunk or less is worked where it was started.
  testing::TempDirectory small;
  for (int i = 0; i < 10; ++i) small.write("m00" + std::to_string(i) + ".bin", std::string("x"));
  for (const Worked& result : run(small.path(), 4)) {
    EXPECT_EQ(result.thread, std::this_thread::get_id());
  }
}

TEST(BatchRunner, MemoryThatRunsOutFailsAnInputOrStopsTheRun) {
  testing::TempDirectory directory;
  for (int i = 100; i < 400; ++i) directory.write("m" + std::to_string(i) + ".bin", "x");
  for (int jobs : {1, 3}) {
    RunEnd end = RunEnd::kOutOfMemory;
    std::vector<Worked> taken = run(directory.path(), jobs, "m200.bin", "", &end);
    EXPECT_EQ(end, RunEnd::kFinished);
    ASSERT_EQ(taken.size(), 300u);
    EXPECT_EQ(taken[100].outcome, Outcome::kFailed);
    EXPECT_EQ(taken[100].failures.at(0).reason, "out of memory");
    EXPECT_EQ(taken[101].outcome, Outcome::kDone);
    // The calling thread's own steps: the run stops, as an interrupt would.
    taken = run(directory.path(), jobs, "", "m150.bin", &end);
    EXPECT_EQ(end, RunEnd::kOutOfMemory);
    EXPECT_EQ(taken.size(), 50u) << jobs;
  }
}

}  // namespace
}  // namespace xbtconv
