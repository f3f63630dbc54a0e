#include "legacy/batch_driver.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "legacy/report_file.h"
#include "pipeline/inputs/directory_listing.h"
#include "pipeline/inputs/message_reader.h"

namespace xbtconv {
namespace {

// One file: its name line, then, for a message, its failure line when the
// decode stops early and its report, made from whatever was decoded.
void convertFile(MessageReader& reader, const Folder& folder, const std::string& directory,
                 const std::string& name, EntryType listed, std::FILE* console) {
  std::fputc('\n', console);
  std::fputs(name.c_str(), console);
  const std::string path = joinPath(directory, name);
  const ReadStatus status = reader.readFile(FileToLoad{&folder, name, path, listed});
  if (status == ReadStatus::kNotLoaded) return;
  if (status == ReadStatus::kCutShort) {
    std::fputs(reader.kind() == kExtendedKind ? "\n JJVV_2 File Failed" : "\n File Failed",
               console);
  }
  writeReportFile(
      folder, name + ".srp", path + ".srp",
      [&reader](const TextSink& sink) { reader.streamReport(sink); }, console);
}

}  // namespace

std::string directoryArgument(int argc, const char* const* argv) {
  return argc == 2 ? std::string(argv[1]) : std::string(".");
}

int runBatch(const std::string& directory, std::FILE* console, std::FILE* errors) {
  // Opened once: its files are read and its reports written through it,
  // whatever becomes of its name meanwhile.
  const Folder folder = Folder::open(directory);
  MessageFileLister lister(folder);
  std::vector<FolderEntry> names;
  std::string error;
  MessageReader reader;
  while (true) {
    if (!folder.isOpen()) error = std::strerror(errno);
    if (!folder.isOpen() || !lister.next(names, error)) {
      std::fprintf(errors, "xbtconv: cannot read directory '%s': %s\n", directory.c_str(),
                   error.c_str());
      return 0;
    }
    if (names.empty()) return 0;
    for (const FolderEntry& entry : names) {
      convertFile(reader, folder, directory, entry.name, entry.type, console);
    }
  }
}

}  // namespace xbtconv
