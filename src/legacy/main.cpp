// xbtconv [DIRECTORY]: converts every *.bin message of DIRECTORY (default
// the current directory) into a .srp report beside it.
#include <cstdio>

#include "legacy/batch_driver.h"

int main(int argc, char** argv) {
  // Console lines are many and short; one large buffer keeps a run of
  // thousands of files from paying a write per line.
  static char consoleBuffer[1 << 16];
  std::setvbuf(stdout, consoleBuffer, _IOFBF, sizeof consoleBuffer);
  return xbtconv::runBatch(xbtconv::directoryArgument(argc, argv), stdout, stderr);
}
