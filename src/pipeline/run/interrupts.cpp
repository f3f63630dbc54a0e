#include "pipeline/run/interrupts.h"

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

void catchInterrupts() {
  std::signal(SIGINT, askToStop);
  std::signal(SIGTERM, askToStop);
}

bool interruptRequested() { return interrupted != 0; }

int interruptSignal() { return interrupted; }

}  // namespace xbtconv
