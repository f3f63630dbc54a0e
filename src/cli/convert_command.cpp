#include "cli/convert_command.h"

#include <chrono>
#include <filesystem>
#include <system_error>

#include "cli/input_files.h"
#include "cli/observation_file.h"
#include "cli/output_file.h"
#include "cli/progress_bar.h"
#include "decoding/jjvv2_message.h"
#include "decoding/jjvv_message.h"
#include "driver/conversion_workspace.h"
#include "driver/directory_listing.h"
#include "driver/message_file.h"
#include "report/report_assembly.h"

namespace xbtconv {
namespace {

enum class Outcome { kConverted, kFailed, kSkipped };

struct Conversion {
  Outcome outcome = Outcome::kConverted;
  std::string reason;
};

// Decodes `file` into `message` and writes its report, made from whatever
// was decoded, to `reportPath`. The message is left cleared.
template <typename Message>
Conversion convertAs(Message& message, ReportText& report, LoadedFile& file,
                     const std::string& reportPath) {
  const std::size_t byteCount = file.bytes.size();
  Conversion conversion;
  if (!message.decode(MessageBuffer{static_cast<std::int32_t>(byteCount), file.bytes.data()})) {
    conversion = {Outcome::kFailed, decodeStopped(message.stopBit(), byteCount)};
  }
  // The bytes go before the report is made, as in xbtconv, so that a large
  // file and its report are never held at once.
  std::vector<std::uint8_t>().swap(file.bytes);
  std::string error;
  if (!writeOutputFile(
          reportPath, [&](const TextSink& sink) { streamReport(message, sink, report); },
          Replace::kByRename, error)) {
    conversion = {Outcome::kFailed, "cannot write " + reportPath + ": " + error};
  }
  message.clear();
  return conversion;
}

Conversion convert(ConversionWorkspace& workspace, const InputFile& input,
                   const std::string& reportPath) {
  LoadedFile file = loadMessageFile(input.path);
  if (file.failure != LoadFailure::kNone) {
    return {passedOver(input, file.failure) ? Outcome::kSkipped : Outcome::kFailed,
            loadFailureReason(file)};
  }
  return file.kind == kExtendedKind
             ? convertAs(workspace.extended, workspace.report, file, reportPath)
             : convertAs(workspace.standard, workspace.report, file, reportPath);
}

}  // namespace

int runConvert(const ConvertOptions& options, std::FILE* out, std::FILE* err) {
  const auto start = std::chrono::steady_clock::now();
  const bool progress =
      options.progress == "always" || (options.progress == "auto" && isTerminal(err));
  // The bar needs the total; listing the folders twice costs little next
  // to converting what is in them.
  std::size_t total = 0;
  if (progress) {
    forEachInputFile(
        options.paths, options.recursive, [&total](const InputFile&) { ++total; },
        [](const std::string&, const std::string&) {});
  }
  ProgressBar bar(err, total, progress);

  int converted = 0;
  int failed = 0;
  int skipped = 0;
  std::string madeFolder;
  ConversionWorkspace workspace;
  const auto say = [&](const std::string& path, const std::string& reason) {
    bar.clear();
    sayAbout(err, path, reason);
  };
  const auto visit = [&](const InputFile& input) {
    std::string folder = input.directory;
    if (!options.outputDirectory.empty()) {
      folder = input.subfolder.empty() ? options.outputDirectory
                                       : joinPath(options.outputDirectory, input.subfolder);
      if (folder != madeFolder) {
        std::error_code code;
        std::filesystem::create_directories(folder, code);
        madeFolder = folder;
      }
    }
    const std::string reportPath = outputPath(folder, input.name + ".srp");
    const Conversion conversion = convert(workspace, input, reportPath);
    switch (conversion.outcome) {
      case Outcome::kConverted:
        ++converted;
        if (options.verbose) std::fprintf(out, "%s\n", reportPath.c_str());
        break;
      case Outcome::kFailed:
        ++failed;
        say(input.path, conversion.reason);
        break;
      case Outcome::kSkipped:
        ++skipped;
        if (!options.quiet) say(input.path, conversion.reason);
        break;
    }
    bar.advance();
  };
  forEachInputFile(options.paths, options.recursive, visit,
                   [&](const std::string& path, const std::string& reason) {
                     ++failed;
                     say(path, reason);
                   });
  bar.clear();
  if (!options.quiet) {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(err, "xbt: converted %d, failed %d, skipped %d, in %.2f s\n", converted, failed,
                 skipped, seconds);
  }
  return failed == 0 ? 0 : 1;
}

}  // namespace xbtconv
