#include "pipeline/run/batch_runner.h"

namespace xbtconv {

int jobsFor(int asked, bool heavyWork) {
  if (asked > 0) return asked;
  const unsigned cores = heavyWork ? std::thread::hardware_concurrency() : 1;
  return cores == 0 ? 1 : static_cast<int>(cores);
}

}  // namespace xbtconv
