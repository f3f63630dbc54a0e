// The runner of a command's inputs: the listing, then each input through
// the command's work, on as many threads as asked, and what the work found
// taken up in input order. So a run on many threads prints what a run on
// one does, line for line, and a collection receives its profiles in order.
//
// Inputs travel in chunks: the calling thread lists and prepares them in
// order, hands out whole chunks, and takes up whole chunks, so that a thread
// wakes once a chunk rather than once a file. The calling thread works on
// chunks itself while it would otherwise wait, and helpers start only once a
// run has more than one chunk: a short run never starts a thread. Each
// thread reads with a MessageReader of its own.
//
// An interrupt stops a run between chunks: the chunks under way are finished
// and taken up, nothing new is started (inputs listed but not yet worked on
// are let go), and runInputs says so. A run's memory
// stays bounded: a few chunks per thread are under way or waiting.
#ifndef XBTCONV_PIPELINE_BATCH_RUNNER_H_
#define XBTCONV_PIPELINE_BATCH_RUNNER_H_

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "pipeline/input_files.h"
#include "pipeline/interrupts.h"
#include "pipeline/message_reader.h"

namespace xbtconv {

struct OutputFolder;

/// One entry of a run: an input, or a folder that could not be listed
/// (`listingFailure` says why; `input.path` is the folder).
struct BatchItem {
  InputFile input;
  std::string listingFailure;
  /// Where the input's output goes, and its folder, as the command's
  /// preparation decides.
  std::string output;
  OutputFolder* folder = nullptr;
};

struct BatchInputs {
  std::vector<std::string> paths;
  bool recursive = false;
  int jobs = 1;
};

/// The number of threads a run takes when not told: one per core.
int defaultJobs();

/// Inputs handed out together.
inline constexpr std::size_t kChunkSize = 64;

/// Runs the inputs of `inputs`. For each entry, in order, on the calling
/// thread: `prepare(item)`, which may fill in `item.output` and may settle
/// the entry at once by returning a Result (a listing failure, an output
/// another input has claimed); else `work(item, reader)` gives it, on any
/// thread. `finish(items, results)` then sees a whole chunk on the thread
/// that worked it (to put its outputs in place together), and
/// `commit(item, result)` takes each result up on the calling thread, in
/// order. Returns false when an interrupt stopped the run.
template <typename Result, typename Prepare, typename Work, typename Finish, typename Commit>
bool runInputs(const BatchInputs& inputs, Prepare&& prepare, Work&& work, Finish&& finish,
               Commit&& commit) {
  struct Chunk {
    std::vector<BatchItem> items;
    std::vector<std::optional<Result>> results;
    bool taken = false;
    bool done = false;
  };
  const std::size_t jobs = inputs.jobs < 1 ? 1 : static_cast<std::size_t>(inputs.jobs);
  std::deque<std::unique_ptr<Chunk>> queue;  // in input order
  std::mutex lock;
  std::condition_variable workArrived;
  std::condition_variable chunkDone;
  bool listed = false;
  std::vector<std::thread> helpers;
  MessageReader ownReader;

  // Works the chunk's inputs not yet settled; after an interrupt, the rest
  // of the chunk is let go.
  const auto process = [&](Chunk& chunk, MessageReader& reader) {
    for (std::size_t i = 0; i < chunk.items.size(); ++i) {
      if (chunk.results[i]) continue;
      if (interruptRequested()) {
        chunk.items.resize(i);
        chunk.results.resize(i);
        break;
      }
      chunk.results[i].emplace(work(chunk.items[i], reader));
    }
    finish(chunk.items, chunk.results);
  };
  // The first chunk no thread has taken; after an interrupt, none: the
  // chunks no one has taken are let go.
  const auto untaken = [&]() -> Chunk* {
    if (interruptRequested()) {
      while (!queue.empty() && !queue.back()->taken) queue.pop_back();
      return nullptr;
    }
    for (const std::unique_ptr<Chunk>& chunk : queue) {
      if (!chunk->taken) return chunk.get();
    }
    return nullptr;
  };
  const auto helper = [&] {
    MessageReader reader;
    std::unique_lock<std::mutex> guard(lock);
    while (true) {
      Chunk* next = untaken();
      if (next == nullptr) {
        if (listed || interruptRequested()) return;
        workArrived.wait(guard);
        continue;
      }
      next->taken = true;
      guard.unlock();
      process(*next, reader);
      guard.lock();
      next->done = true;
      chunkDone.notify_one();
    }
  };
  const auto commitAll = [&](Chunk& chunk) {
    for (std::size_t i = 0; i < chunk.items.size(); ++i) {
      commit(chunk.items[i], std::move(*chunk.results[i]));
    }
  };
  // Takes up the finished chunks at the front of the queue; with `wait`,
  // first sees the front one finished, working on a chunk of its own
  // rather than waiting where one is left.
  const auto takeUp = [&](bool wait) {
    std::unique_lock<std::mutex> guard(lock);
    while (!queue.empty()) {
      if (!queue.front()->done) {
        if (!wait) return;
        Chunk* mine = untaken();
        if (mine == nullptr) {
          if (!queue.empty()) chunkDone.wait(guard);
          continue;
        }
        mine->taken = true;
        guard.unlock();
        process(*mine, ownReader);
        guard.lock();
        mine->done = true;
        continue;
      }
      std::unique_ptr<Chunk> chunk = std::move(queue.front());
      queue.pop_front();
      guard.unlock();
      commitAll(*chunk);
      guard.lock();
      wait = false;
    }
  };
  const std::size_t window = 2 * jobs;
  const auto submit = [&](std::unique_ptr<Chunk> chunk) {
    if (jobs == 1) {
      process(*chunk, ownReader);
      commitAll(*chunk);
      return;
    }
    {
      const std::lock_guard<std::mutex> guard(lock);
      queue.push_back(std::move(chunk));
      // One chunk the calling thread works itself; from the second on, a
      // run is long enough to be shared.
      if (helpers.empty() && queue.size() > 1) {
        for (std::size_t i = 1; i < jobs; ++i) helpers.emplace_back(helper);
      }
    }
    workArrived.notify_one();
    takeUp(false);
    while (true) {
      {
        const std::lock_guard<std::mutex> guard(lock);
        if (queue.size() < window) return;
      }
      takeUp(true);
    }
  };
  auto filling = std::make_unique<Chunk>();
  const auto add = [&](BatchItem&& item) {
    if (interruptRequested()) return false;
    filling->results.push_back(prepare(item));
    filling->items.push_back(std::move(item));
    if (filling->items.size() == kChunkSize) {
      submit(std::move(filling));
      filling = std::make_unique<Chunk>();
    }
    return true;
  };
  forEachInputFile(
      inputs.paths, inputs.recursive,
      [&](const InputFile& input) {
        return add({input, "", "", nullptr});
      },
      [&](const std::string& path, const std::string& reason) {
        InputFile folder;
        folder.path = path;
        add({folder, reason, "", nullptr});
      });
  if (!filling->items.empty() && !interruptRequested()) submit(std::move(filling));
  {
    const std::lock_guard<std::mutex> guard(lock);
    listed = true;
  }
  workArrived.notify_all();
  while (true) {
    {
      const std::lock_guard<std::mutex> guard(lock);
      if (queue.empty()) break;
    }
    takeUp(true);
  }
  for (std::thread& thread : helpers) thread.join();
  return !interruptRequested();
}

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_BATCH_RUNNER_H_
