#include "pipeline/batch_run.h"

#include <csignal>

namespace xbtconv {
namespace {

volatile std::sig_atomic_t interrupted = 0;

// Every interrupt asks the same: the files under way are few and soon done
// (a tool such as timeout may send two at once).
extern "C" void askToStop(int signal) {
  interrupted = signal;
#ifdef _WIN32
  std::signal(signal, askToStop);  // Windows resets the handler at each signal
#endif
}

}  // namespace

std::string Tally::summary(const char* done, const char* written) const {
  std::string text = std::string(done) + " " + std::to_string(counts_[0]) + ", failed " +
                     std::to_string(counts_[1]);
  if (writtenFailures_ != 0) {
    text += writtenFailures_ == counts_[1] ? std::string(" (")
                                           : " (" + std::to_string(writtenFailures_) + " ";
    text += std::string(written) + ")";
  }
  text += ", skipped " + std::to_string(counts_[2]);
  if (counts_[3] != 0) text += ", up to date " + std::to_string(counts_[3]);
  return text;
}

void catchInterrupts() {
  std::signal(SIGINT, askToStop);
  std::signal(SIGTERM, askToStop);
}

bool interruptRequested() { return interrupted != 0; }

int interruptSignal() { return interrupted; }

int defaultJobs() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(cores);
}

}  // namespace xbtconv
