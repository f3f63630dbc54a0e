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
// are let go), and runInputs says so. A run's memory stays bounded: a few
// chunks per thread are under way or waiting.
//
// Memory that runs out is a failure, never a crash: an input whose work
// cannot get its memory fails with that reason and the run goes on; where
// the run's own steps cannot (listing, taking up), it stops as an
// interrupt would, and says so. A thread that cannot be started leaves its
// share to the others. No temporary file outlives a failed output
// (PendingOutput).
#ifndef XBTCONV_PIPELINE_RUN_BATCH_RUNNER_H_
#define XBTCONV_PIPELINE_RUN_BATCH_RUNNER_H_

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "pipeline/inputs/message_reader.h"
#include "pipeline/run/batch_item.h"
#include "pipeline/run/input_result.h"
#include "pipeline/run/interrupts.h"

namespace xbtconv {

struct BatchInputs {
  std::vector<std::string> paths;
  bool recursive = false;
  int jobs = 1;
  /// Files loaded already, which each thread's reader takes rather than
  /// read them again (MessageReader::hold); nullptr for none.
  const HeldFiles* held = nullptr;
};

/// The threads a run takes: `asked` when given (above 0). Else one per core
/// where an input's own work (decoding, checking, formatting) outweighs its
/// file work, and one where it does not: threads sharing the file work of a
/// folder cost more CPU together than one thread alone (the system takes
/// a folder's changes one at a time), and light work gives them little
/// else to share, so more threads would buy little time for much CPU.
int jobsFor(int asked, bool heavyWork);

/// Inputs handed out together.
inline constexpr std::size_t kChunkSize = 64;

/// The reason an input fails when its work cannot get its memory.
inline constexpr const char* kOutOfMemory = "out of memory";

/// Runs the inputs of `inputs` through the steps of a command, a chunk at a
/// time. For each entry, in order, on the calling thread: `prepare(item)`,
/// which may fill in `item.output` and may settle the entry at once by
/// returning a Result (a listing failure, an output another input has
/// claimed); else `work(item, reader)` gives it, on any thread.
/// `finish(items, results)` then sees a whole chunk on the thread that
/// worked it (to put its outputs in place together), and `commit(item,
/// result)` takes each result up on the calling thread, in order.
/// REQUIRES: Result derives from InputResult.
template <typename Result>
class BatchRunner {
 public:
  struct Steps {
    std::function<std::optional<Result>(BatchItem&)> prepare;
    std::function<Result(const BatchItem&, MessageReader&)> work;
    std::function<void(std::vector<BatchItem>&, std::vector<std::optional<Result>>&)> finish;
    std::function<void(const BatchItem&, Result&&)> commit;
  };

  BatchRunner(const BatchInputs& inputs, Steps steps)
      : inputs_(inputs),
        steps_(std::move(steps)),
        jobs_(inputs.jobs < 1 ? 1 : static_cast<std::size_t>(inputs.jobs)) {
    ownReader_.hold(inputs.held);
  }
  BatchRunner(const BatchRunner&) = delete;
  BatchRunner& operator=(const BatchRunner&) = delete;

  /// Runs every input; how the run ended.
  RunEnd run() {
    bool takingUpFailed = false;
    try {
      forEachInputFile(
          inputs_.paths, inputs_.recursive,
          [this](const InputFile& input) {
            return add({input, "", "", nullptr, "", "", {}});
          },
          [this](const std::string& path, const std::string& reason) {
            InputFile folder;
            folder.path = path;
            add({folder, reason, "", nullptr, "", "", {}});
          });
      if (!filling_->items.empty() && !stopping()) submit(std::move(filling_));
    } catch (const std::bad_alloc&) {
      outOfMemory_ = true;
      takingUpFailed = true;
    }
    {
      const std::lock_guard<std::mutex> guard(lock_);
      listed_ = true;
    }
    workArrived_.notify_all();
    // Memory that ran out on this thread, while listing or taking up, stops
    // the taking up: the chunks under way are finished by their threads,
    // what they found is not taken up.
    if (!takingUpFailed) {
      try {
        while (true) {
          {
            const std::lock_guard<std::mutex> guard(lock_);
            if (queue_.empty()) break;
          }
          takeUp(true);
        }
      } catch (const std::bad_alloc&) {
        outOfMemory_ = true;
        workArrived_.notify_all();
      }
    }
    for (std::thread& thread : helpers_) thread.join();
    if (interruptRequested()) return RunEnd::kInterrupted;
    return outOfMemory_ ? RunEnd::kOutOfMemory : RunEnd::kFinished;
  }

 private:
  struct Chunk {
    std::vector<BatchItem> items;
    std::vector<std::optional<Result>> results;
    bool taken = false;
    bool done = false;
  };

  // Whether the run is to stop between chunks.
  bool stopping() const { return interruptRequested() || outOfMemory_; }

  // Prepares the next input into the chunk being filled, and hands the
  // chunk out when it is full; false once the run is to stop.
  bool add(BatchItem&& item) {
    if (stopping()) return false;
    filling_->results.push_back(steps_.prepare(item));
    filling_->items.push_back(std::move(item));
    if (filling_->items.size() == kChunkSize) {
      submit(std::move(filling_));
      filling_ = std::make_unique<Chunk>();
    }
    return true;
  }

  // Works the chunk's inputs not yet settled; once the run is to stop, the
  // rest of the chunk is let go. An input whose work, or whose output's
  // placing, cannot get its memory fails for it.
  void process(Chunk& chunk, MessageReader& reader) {
    for (std::size_t i = 0; i < chunk.items.size(); ++i) {
      if (chunk.results[i]) continue;
      if (stopping()) {
        chunk.items.resize(i);
        chunk.results.resize(i);
        break;
      }
      try {
        chunk.results[i].emplace(steps_.work(chunk.items[i], reader));
      } catch (const std::bad_alloc&) {
        chunk.results[i].emplace();
        chunk.results[i]->fail(chunk.items[i].input.path, kOutOfMemory);
      }
    }
    try {
      steps_.finish(chunk.items, chunk.results);
    } catch (const std::bad_alloc&) {
      for (std::size_t i = 0; i < chunk.items.size(); ++i) {
        std::optional<Result>& result = chunk.results[i];
        if (!result || !result->pending) continue;
        result->pending.reset();
        result->failToWrite(chunk.items[i].input.path, kOutOfMemory);
      }
    }
  }

  // The first chunk no thread has taken; once the run is to stop, none:
  // the chunks no one has taken are let go. REQUIRES: lock_ held.
  Chunk* untaken() {
    if (stopping()) {
      while (!queue_.empty() && !queue_.back()->taken) queue_.pop_back();
      return nullptr;
    }
    for (const std::unique_ptr<Chunk>& chunk : queue_) {
      if (!chunk->taken) return chunk.get();
    }
    return nullptr;
  }

  // A helper thread: works chunks until the listing is done and none is
  // left. One that cannot get the memory to work leaves the work to the
  // others, the chunk in its hands cut short where its results end.
  void help() {
    std::optional<MessageReader> reader;
    try {
      reader.emplace();
      reader->hold(inputs_.held);
    } catch (const std::bad_alloc&) {
      return;
    }
    std::unique_lock<std::mutex> guard(lock_);
    while (true) {
      Chunk* next = untaken();
      if (next == nullptr) {
        if (listed_ || stopping()) return;
        workArrived_.wait(guard);
        continue;
      }
      next->taken = true;
      guard.unlock();
      try {
        process(*next, *reader);
      } catch (const std::bad_alloc&) {
        outOfMemory_ = true;
        cutAtFirstGap(*next);
      }
      guard.lock();
      next->done = true;
      chunkDone_.notify_one();
    }
  }

  // Cuts `chunk` short where its results stop, after work that could not
  // end.
  static void cutAtFirstGap(Chunk& chunk) {
    std::size_t end = 0;
    while (end < chunk.results.size() && chunk.results[end]) ++end;
    chunk.items.resize(end);
    chunk.results.resize(end);
  }

  void commitAll(Chunk& chunk) {
    for (std::size_t i = 0; i < chunk.items.size(); ++i) {
      steps_.commit(chunk.items[i], std::move(*chunk.results[i]));
    }
  }

  // Takes up the finished chunks at the front of the queue; with `wait`,
  // first sees the front one finished, working on a chunk of its own
  // rather than waiting where one is left.
  void takeUp(bool wait) {
    std::unique_lock<std::mutex> guard(lock_);
    while (!queue_.empty()) {
      if (!queue_.front()->done) {
        if (!wait) return;
        Chunk* mine = untaken();
        if (mine == nullptr) {
          if (!queue_.empty()) chunkDone_.wait(guard);
          continue;
        }
        mine->taken = true;
        guard.unlock();
        process(*mine, ownReader_);
        guard.lock();
        mine->done = true;
        continue;
      }
      std::unique_ptr<Chunk> chunk = std::move(queue_.front());
      queue_.pop_front();
      guard.unlock();
      commitAll(*chunk);
      guard.lock();
      wait = false;
    }
  }

  // Hands a full chunk out, and takes up what is finished; waits (working)
  // while as many chunks as the window holds are under way.
  void submit(std::unique_ptr<Chunk> chunk) {
    if (jobs_ == 1) {
      process(*chunk, ownReader_);
      commitAll(*chunk);
      return;
    }
    {
      const std::lock_guard<std::mutex> guard(lock_);
      queue_.push_back(std::move(chunk));
      // One chunk the calling thread works itself; from the second on, a
      // run is long enough to be shared.
      if (!helpersStarted_ && queue_.size() > 1) {
        helpersStarted_ = true;
        for (std::size_t i = 1; i < jobs_; ++i) {
          try {
            helpers_.emplace_back([this] { help(); });
          } catch (const std::system_error&) {
            break;  // no memory for its stack: the threads there are share the work
          }
        }
      }
    }
    workArrived_.notify_one();
    takeUp(false);
    while (true) {
      {
        const std::lock_guard<std::mutex> guard(lock_);
        if (queue_.size() < 2 * jobs_) return;
      }
      takeUp(true);
    }
  }

  const BatchInputs& inputs_;
  Steps steps_;
  std::size_t jobs_;
  std::unique_ptr<Chunk> filling_ = std::make_unique<Chunk>();
  std::deque<std::unique_ptr<Chunk>> queue_;  // in input order
  std::mutex lock_;
  std::condition_variable workArrived_;
  std::condition_variable chunkDone_;
  bool listed_ = false;
  std::atomic<bool> outOfMemory_ = false;
  bool helpersStarted_ = false;
  std::vector<std::thread> helpers_;
  MessageReader ownReader_;
};

/// Runs the inputs of `inputs` through `prepare`, `work`, `finish` and
/// `commit` (BatchRunner); how the run ended.
template <typename Result, typename Prepare, typename Work, typename Finish, typename Commit>
RunEnd runInputs(const BatchInputs& inputs, Prepare&& prepare, Work&& work, Finish&& finish,
                 Commit&& commit) {
  return BatchRunner<Result>(inputs, {std::forward<Prepare>(prepare), std::forward<Work>(work),
                                      std::forward<Finish>(finish), std::forward<Commit>(commit)})
      .run();
}

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_RUN_BATCH_RUNNER_H_
