#include "pipeline/batch_runner.h"

namespace xbtconv {

int defaultJobs() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(cores);
}

}  // namespace xbtconv
