#include "driver/batch_driver.h"

#include <vector>

#include "decoding/jjvv2_message.h"
#include "decoding/jjvv_message.h"
#include "decoding/message_buffer.h"
#include "driver/conversion_workspace.h"
#include "driver/directory_listing.h"
#include "driver/message_file.h"
#include "driver/report_file.h"
#include "report/report_assembly.h"

namespace xbtconv {
namespace {

// Decodes `file` into `message`, prints `failureLine` when the decode
// fails, and writes the report, which is made from whatever was decoded.
// The report goes to its file in pieces as it is made. The message is
// left cleared for the next file.
template <typename Message>
void convertMessage(Message& message, ReportText& report, LoadedFile& file, const std::string& path,
                    const char* failureLine, std::FILE* console) {
  const MessageBuffer buffer{static_cast<std::int32_t>(file.bytes.size()), file.bytes.data()};
  if (!message.decode(buffer)) std::fputs(failureLine, console);
  // The bytes are released before the report is made, so that a large
  // file and its report never have to be held at once.
  std::vector<std::uint8_t>().swap(file.bytes);
  writeReportFile(
      path + ".srp", [&](const TextSink& sink) { streamReport(message, sink, report); }, console);
  message.clear();
}

void convertFile(ConversionWorkspace& workspace, const std::string& directory,
                 const std::string& name, std::FILE* console) {
  std::fputc('\n', console);
  std::fputs(name.c_str(), console);
  const std::string path = joinPath(directory, name);
  LoadedFile file = loadMessageFile(path);
  if (file.kind == kStandardKind) {
    convertMessage(workspace.standard, workspace.report, file, path, "\n File Failed", console);
  } else if (file.kind == kExtendedKind) {
    convertMessage(workspace.extended, workspace.report, file, path, "\n JJVV_2 File Failed",
                   console);
  }
}

}  // namespace

std::string directoryArgument(int argc, const char* const* argv) {
  return argc == 2 ? std::string(argv[1]) : std::string(".");
}

int runBatch(const std::string& directory, std::FILE* console, std::FILE* errors) {
  MessageFileLister lister(directory);
  std::vector<std::string> names;
  std::string error;
  ConversionWorkspace workspace;
  while (true) {
    if (!lister.next(names, error)) {
      std::fprintf(errors, "xbtconv: cannot read directory '%s': %s\n", directory.c_str(),
                   error.c_str());
      return 0;
    }
    if (names.empty()) return 0;
    for (const std::string& name : names) convertFile(workspace, directory, name, console);
  }
}

}  // namespace xbtconv
