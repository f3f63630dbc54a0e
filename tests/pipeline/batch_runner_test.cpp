// The runner of a command's inputs, in process: on any number of threads,
// every input is taken up once, in input order, those settled at once
// beside those worked; a short run starts no thread.
#include "pipeline/batch_runner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <set>
#include <thread>

#include "support/temp_directory.h"

namespace xbtconv {
namespace {

struct Worked {
  std::string name;
  bool settled = false;
  std::thread::id thread;
};

// Runs the files of `folder` on `jobs` threads, every third settled at
// once; what was taken up, in the order it was.
std::vector<Worked> run(const std::string& folder, int jobs) {
  std::vector<Worked> taken;
  std::mt19937 random(7);
  std::vector<int> delays(1000);
  for (int& delay : delays) delay = static_cast<int>(random() % 400);
  int index = 0;
  BatchRunner<Worked>({{folder}, false, jobs},
                      {[&](BatchItem& item) -> std::optional<Worked> {
                         const bool settle = index++ % 3 == 0;
                         if (!settle) return std::nullopt;
                         return Worked{item.input.name, true, std::this_thread::get_id()};
                       },
                       [&](const BatchItem& item, MessageReader&) {
                         const int delay = delays[std::stoul(item.input.name.substr(1, 3))];
                         std::this_thread::sleep_for(std::chrono::microseconds(delay));
                         return Worked{item.input.name, false, std::this_thread::get_id()};
                       },
                       [](std::vector<BatchItem>&, std::vector<std::optional<Worked>>&) {},
                       [&](const BatchItem&, Worked&& worked) { taken.push_back(worked); }})
      .run();
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
  for (const Worked& worked : run(small.path(), 4)) {
    EXPECT_EQ(worked.thread, std::this_thread::get_id());
  }
}

}  // namespace
}  // namespace xbtconv
