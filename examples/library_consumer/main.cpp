// xbt_summary FILE...: reads XBT messages of either kind with the xbtconv
// library and prints each as one line of JSON, the way another project
// would use the library. A file that holds no message, cannot be read or
// is cut short is named on standard error with the reason, and makes the
// exit status 1.
#include <xbtconv/xbtconv.h>

#include <iostream>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: xbt_summary FILE...\n";
    return 2;
  }
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    const xbtconv::ReadResult read = xbtconv::readMessageFile(argv[i]);
    if (!read.ok()) {
      std::cerr << argv[i] << ": " << read.status.message() << "\n";
      status = 1;
    }
    // A message cut short still gives what arrived.
    if (read.observation) std::cout << xbtconv::toJson(*read.observation) << "\n";
  }
  return status;
}
