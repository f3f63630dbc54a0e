// iofloor: the unavoidable part of a batch run and nothing else. It lists
// the directory, keeps and sorts the .bin names, loads each message file the
// way the converter does, prints the same name lines, and writes beside
// each message a report of the size the converter's has, without decoding
// or formatting anything. The converter's batch time is measured against
// it.
//
//   iofloor DIR SIZES
//     SIZES: lines "NAME BYTES", the size of each report the converter
//     writes (files not listed get no report).
#include <cstdio>
#include <fstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "driver/directory_listing.h"
#include "driver/message_file.h"
#include "driver/report_file.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: iofloor DIR SIZES\n");
    return 2;
  }
  const std::string directory = argv[1];
  std::unordered_map<std::string, std::size_t> sizes;
  {
    std::ifstream in(argv[2]);
    std::string name;
    std::size_t size = 0;
    while (in >> name >> size) sizes[name] = size;
  }
  static char consoleBuffer[1 << 16];
  std::setvbuf(stdout, consoleBuffer, _IOFBF, sizeof consoleBuffer);

  xbtconv::MessageFileLister lister(directory);
  std::vector<std::string> names;
  std::string error;
  std::string report;
  while (lister.next(names, error) && !names.empty()) {
    for (const std::string& name : names) {
      std::fputc('\n', stdout);
      std::fputs(name.c_str(), stdout);
      const std::string path = xbtconv::joinPath(directory, name);
      xbtconv::LoadedFile file = xbtconv::loadMessageFile(path);
      const auto size = sizes.find(name);
      if (file.kind < 0 || size == sizes.end()) continue;
      std::vector<std::uint8_t>().swap(file.bytes);
      report.assign(size->second, ' ');
      xbtconv::writeReportFile(path + ".srp", report, stdout);
    }
  }
  return 0;
}
