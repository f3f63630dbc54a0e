#include "cli/convert_command.h"

#include <chrono>

#include "cli/progress_bar.h"
#include "pipeline/output_file.h"
#include "pipeline/output_names.h"

namespace xbtconv {
namespace {

struct Conversion {
  Outcome outcome = Outcome::kDone;
  std::string notes;  // for standard error
};

Conversion failure(Outcome outcome, const std::string& path, const std::string& reason) {
  return {outcome, noteAbout(path, reason)};
}

// Reads `item`'s message and writes its report, made from whatever was
// decoded.
Conversion convert(const BatchItem& item, MessageReader& reader, const ConvertOptions& options) {
  const std::string& path = item.input.path;
  if (options.run.update && isUpToDate(path, item.output)) {
    removeUnfinished(item.output);
    return {Outcome::kUpToDate, ""};
  }
  const ReadStatus status = reader.readFile(path);
  if (status == ReadStatus::kNotLoaded) {
    removeUnfinished(item.output);
    return failure(
        passedOver(item.input, reader.loadFailure()) ? Outcome::kSkipped : Outcome::kFailed, path,
        reader.reason());
  }
  Conversion conversion;
  if (status == ReadStatus::kCutShort)
    conversion = failure(Outcome::kFailed, path, reader.reason());
  std::string error;
  if (!writeOutputFile(
          item.output, [&reader](const TextSink& sink) { reader.streamReport(sink); },
          WriteOptions{.sync = options.run.sync}, error)) {
    conversion.outcome = Outcome::kFailed;
    conversion.notes += noteAbout(path, "cannot write " + item.output + ": " + error);
  }
  return conversion;
}

}  // namespace

int runConvert(const ConvertOptions& options, std::FILE* out, std::FILE* err) {
  const auto start = std::chrono::steady_clock::now();
  catchInterrupts();
  const bool progress =
      options.progress == "always" || (options.progress == "auto" && isTerminal(err));
  // The bar needs the total; listing the folders twice costs little next
  // to converting what is in them.
  std::size_t total = 0;
  if (progress) {
    forEachInputFile(
        options.run.paths, options.run.recursive,
        [&total](const InputFile&) {
          ++total;
          return true;
        },
        [](const std::string&, const std::string&) {});
  }
  ProgressBar bar(err, total, progress);
  OutputClaims claims;
  std::string madeFolder;
  Tally tally;
  const bool finished = runBatch<Conversion>(
      batchInputs(options.run),
      [&](BatchItem& item) -> std::optional<Conversion> {
        if (!item.listingFailure.empty()) {
          return failure(Outcome::kFailed, item.input.path, item.listingFailure);
        }
        const std::string folder = outputFolderOf(item.input, options.run.outputDirectory);
        if (!options.run.outputDirectory.empty() && folder != madeFolder) {
          std::string ignored;  // a folder that cannot be made fails each write
          makeOutputFolder(folder, ignored);
          madeFolder = folder;
        }
        item.output = outputPath(folder, item.input.name + ".srp");
        if (const auto taken = claims.claim(item.output, item.input.path)) {
          return failure(Outcome::kFailed, item.input.path, *taken);
        }
        return std::nullopt;
      },
      [&](const BatchItem& item, MessageReader& reader) { return convert(item, reader, options); },
      [&](const BatchItem& item, Conversion&& conversion) {
        tally.count(conversion.outcome);
        if (!conversion.notes.empty() &&
            !(options.run.quiet && conversion.outcome == Outcome::kSkipped)) {
          bar.clear();
          std::fputs(conversion.notes.c_str(), err);
        }
        if (options.verbose && conversion.outcome == Outcome::kDone) {
          std::fprintf(out, "%s\n", item.output.c_str());
        }
        bar.advance();
      });
  bar.clear();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  char elapsed[32];
  std::snprintf(elapsed, sizeof elapsed, ", in %.2f s", seconds);
  return endRun(options.run, finished, tally, tally.summary("converted") + elapsed, err);
}

}  // namespace xbtconv
