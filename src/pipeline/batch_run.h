// A command's run over its inputs: the listing, then each input through the
// command's work, on as many threads as asked, and what the work found
// taken up in input order. So a run on many threads prints what a run on
// one does, line for line, and a collection receives its profiles in
// order. Each thread reads with a MessageReader of its own.
//
// An interrupt (Ctrl-C, SIGTERM) stops a run between files: the files under
// way are finished and taken up, nothing new is started, and runBatch says
// so. A run's memory stays bounded: at most a few inputs per thread are
// under way or waiting to be taken up.
#ifndef XBTCONV_PIPELINE_BATCH_RUN_H_
#define XBTCONV_PIPELINE_BATCH_RUN_H_

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "pipeline/input_files.h"
#include "pipeline/message_reader.h"

namespace xbtconv {

/// What became of one input.
enum class Outcome { kDone, kFailed, kSkipped, kUpToDate };

/// One entry of a run: an input, or a folder that could not be listed
/// (`listingFailure` says why; `input.path` is the folder).
struct BatchItem {
  InputFile input;
  std::string listingFailure;
  /// Where the input's output goes, as the command's preparation decides.
  std::string output;
};

struct BatchInputs {
  std::vector<std::string> paths;
  bool recursive = false;
  int jobs = 1;
};

/// Counts of what became of the inputs, and the run's summary line.
class Tally {
 public:
  void count(Outcome outcome) { ++counts_[static_cast<int>(outcome)]; }
  /// A failed input whose output was written all the same, with what was
  /// decoded of it.
  void countWrittenFailure() { ++writtenFailures_; }
  /// Counts every input done so far as failed: their common output (a
  /// collection) could not be written.
  void failEveryDone() {
    counts_[1] += counts_[0];
    counts_[0] = 0;
  }
  int done() const { return counts_[0]; }
  int failed() const { return counts_[1]; }
  /// "converted 6, failed 2, skipped 1", with ", up to date N" when any
  /// input was; `done` names what befell the inputs done. `written` says
  /// how failed inputs whose output was written were written: "failed 2
  /// (1 written with ...)".
  std::string summary(const char* done, const char* written = "") const;

 private:
  int counts_[4] = {};
  int writtenFailures_ = 0;
};

/// From here on, SIGINT and SIGTERM ask the run to stop between files
/// instead of ending the process.
void catchInterrupts();
/// Whether an interrupt has asked the run to stop.
bool interruptRequested();
/// The signal that asked the run to stop; 0 for none.
int interruptSignal();

/// The number of threads a run takes when not told: one per core.
int defaultJobs();

/// Runs the inputs of `inputs`. For each entry, in order, on the calling
/// thread: `prepare(item)`, which may fill in `item.output` and may settle
/// the entry at once by returning a Result (a listing failure, an output
/// another input has claimed); else
/// `work(item, reader)` gives it, on any thread. `commit(item, result)`
/// takes each result up on the calling thread, in order. Returns false
/// when an interrupt stopped the run.
template <typename Result, typename Prepare, typename Work, typename Commit>
bool runBatch(const BatchInputs& inputs, Prepare&& prepare, Work&& work, Commit&& commit) {
  struct Entry {
    BatchItem item;
    std::optional<Result> result;
    bool taken = false;  // by a worker
  };
  const int jobs = inputs.jobs < 1 ? 1 : inputs.jobs;
  std::unique_ptr<MessageReader> ownReader;
  std::deque<Entry> pending;
  std::mutex lock;
  std::condition_variable workArrived;
  std::condition_variable resultReady;
  bool listed = false;
  std::vector<std::thread> workers;

  const auto worker = [&] {
    MessageReader reader;
    std::unique_lock<std::mutex> guard(lock);
    while (true) {
      Entry* next = nullptr;
      for (Entry& entry : pending) {
        if (!entry.taken && !entry.result) {
          next = &entry;
          break;
        }
      }
      if (next == nullptr) {
        if (listed) return;
        workArrived.wait(guard);
        continue;
      }
      next->taken = true;
      guard.unlock();
      Result result = work(next->item, reader);
      guard.lock();
      next->result = std::move(result);
      resultReady.notify_all();
    }
  };
  // Takes up the finished entries at the front; with `wait`, waits for the
  // front one first.
  const auto takeUp = [&](bool wait) {
    std::unique_lock<std::mutex> guard(lock);
    while (!pending.empty()) {
      if (!pending.front().result) {
        if (!wait) return;
        resultReady.wait(guard);
        continue;
      }
      Entry entry = std::move(pending.front());
      pending.pop_front();
      guard.unlock();
      commit(entry.item, std::move(*entry.result));
      guard.lock();
      wait = false;
    }
  };
  const std::size_t window = 4 * static_cast<std::size_t>(jobs);
  const auto add = [&](BatchItem&& item) {
    if (interruptRequested()) return false;
    std::optional<Result> settled = prepare(item);
    if (jobs == 1) {
      if (!settled) {
        if (!ownReader) ownReader = std::make_unique<MessageReader>();
        settled = work(item, *ownReader);
      }
      commit(item, std::move(*settled));
      return true;
    }
    if (workers.empty()) {
      for (int i = 0; i < jobs; ++i) workers.emplace_back(worker);
    }
    {
      const std::lock_guard<std::mutex> guard(lock);
      pending.push_back(Entry{std::move(item), std::move(settled)});
    }
    workArrived.notify_one();
    takeUp(false);
    while (true) {
      {
        const std::lock_guard<std::mutex> guard(lock);
        if (pending.size() < window) break;
      }
      takeUp(true);
    }
    return true;
  };
  forEachInputFile(
      inputs.paths, inputs.recursive,
      [&](const InputFile& input) {
        return add({input, "", ""});
      },
      [&](const std::string& path, const std::string& reason) {
        InputFile folder;
        folder.path = path;
        add({folder, reason, ""});
      });
  {
    const std::lock_guard<std::mutex> guard(lock);
    listed = true;
  }
  workArrived.notify_all();
  while (true) {
    {
      const std::lock_guard<std::mutex> guard(lock);
      if (pending.empty()) break;
    }
    takeUp(true);
  }
  for (std::thread& thread : workers) thread.join();
  return !interruptRequested();
}

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_BATCH_RUN_H_
