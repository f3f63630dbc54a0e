// iofloor: the unavoidable part of a batch run and nothing else. It lists
// the directory, keeps and sorts the .bin names, loads each message file the
// way the converter does, and writes beside each message an output of the
// size the measured command's has, without decoding or formatting anything.
// The commands' batch times are measured against it.
//
//   iofloor DIR SIZES [EXTENSION | --rename]
//     SIZES: lines "NAME BYTES", the size of each output the measured
//     command writes (files not listed get none). Without EXTENSION the
//     outputs are reports NAME.srp, with the name lines xbtconv prints;
//     with it (".json") they are NAME less ".bin" plus EXTENSION, written
//     silently as xbt export does. --rename writes the reports through a
//     temporary file renamed over each, as xbt convert does.
#include <cstdio>
#include <fstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "cli/input_files.h"
#include "cli/output_file.h"
#include "driver/directory_listing.h"
#include "driver/message_file.h"
#include "driver/report_file.h"

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: iofloor DIR SIZES [EXTENSION]\n");
    return 2;
  }
  const std::string directory = argv[1];
  const bool renamed = argc == 4 && std::string(argv[3]) == "--rename";
  const bool reports = argc == 3 || renamed;
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
  std::string output;
  while (lister.next(names, error) && !names.empty()) {
    for (const std::string& name : names) {
      if (reports) {
        std::fputc('\n', stdout);
        std::fputs(name.c_str(), stdout);
      }
      const std::string path = xbtconv::joinPath(directory, name);
      xbtconv::LoadedFile file = xbtconv::loadMessageFile(path);
      const auto size = sizes.find(name);
      if (file.kind < 0 || size == sizes.end()) continue;
      std::vector<std::uint8_t>().swap(file.bytes);
      output.assign(size->second, ' ');
      if (renamed) {
        std::string reason;
        xbtconv::writeOutputFile(
            path + ".srp", [&output](const xbtconv::TextSink& sink) { sink(output); },
            xbtconv::Replace::kByRename, reason);
        continue;
      }
      xbtconv::writeReportFile(
          reports ? path + ".srp"
                  : xbtconv::joinPath(directory, xbtconv::outputName(name, argv[3])),
          output, stdout);
    }
  }
  return 0;
}
