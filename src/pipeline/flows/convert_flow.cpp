#include "pipeline/flows/convert_flow.h"

#include <chrono>
#include <cstdio>

#include "pipeline/inputs/input_files.h"
#include "pipeline/outputs/output_plan.h"
#include "pipeline/run/batch_runner.h"
#include "pipeline/run/input_result.h"
#include "xbtconv/version.h"

namespace xbtconv {
namespace {

struct Converted : InputResult {
  std::string output;  // the report written
};

// Reads `item`'s message and writes its report, made from whatever was
// decoded.
Converted convert(const BatchItem& item, MessageReader& reader, const OutputPlan& plan, bool sync) {
  Converted result;
  const std::string& path = item.input.path;
  if (const RecordEntry* current = plan.current(item)) {
    result.outcome = current->failed ? Outcome::kFailed : Outcome::kUpToDate;
    if (current->failed) result.failures.push_back({path, current->note});
    return result;
  }
  const ReadStatus status = reader.readFile(item.input.location());
  if (status == ReadStatus::kNotLoaded) {
    result.skipOrFail(passedOver(item.input, reader.loadFailure()), path, reader.reason());
    return result;
  }
  const bool cutShort = status == ReadStatus::kCutShort;
  if (cutShort) result.fail(path, reader.reason());
  std::string error;
  result.pending = writeTemporary(
      item.folder->folder, item.outputName,
      [&reader](const TextSink& sink) { reader.streamReport(sink); }, sync, error);
  if (!result.pending) {
    result.fail(path, "cannot write " + item.output + ": " + error);
    return result;
  }
  result.entry =
      plan.entryFor(item, reader.fileIdentity(), *result.pending, cutShort, reader.reason());
  result.output = item.output;
  return result;
}

}  // namespace

int runConvert(const ConvertOptions& options, const RunReport& report) {
  const auto start = std::chrono::steady_clock::now();
  catchInterrupts();
  const RunOptions& run = options.run;
  OutputPlan plan(run, {".srp", true, false}, "xbt " XBTCONV_VERSION_TEXT " convert");
  if (std::optional<std::string> refused = plan.prepareOutputFolder()) {
    report.note(run.outputDirectory, "cannot write: " + *refused);
    return 1;
  }
  Tally tally;
  const RunEnd end = runInputs<Converted>(
      {run.paths, run.recursive, jobsFor(run.jobs, false)},
      [&](BatchItem& item) -> std::optional<Converted> {
        if (std::optional<InputResult> settled = settleEntry(item, run)) {
          return Converted{std::move(*settled), ""};
        }
        if (std::optional<InputResult> refused = plan.place(item)) {
          return Converted{std::move(*refused), ""};
        }
        return std::nullopt;
      },
      [&](const BatchItem& item, MessageReader& reader) {
        return convert(item, reader, plan, run.sync);
      },
      [&](std::vector<BatchItem>& items, std::vector<std::optional<Converted>>& results) {
        plan.put(items, results);
      },
      [&](const BatchItem& item, Converted&& converted) {
        takeUp(item, converted, run, report, tally);
        if (options.verbose && converted.outcome == Outcome::kDone && !converted.output.empty()) {
          report.data(converted.output + "\n");
        }
      });
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  char elapsed[32];
  std::snprintf(elapsed, sizeof elapsed, ", in %.2f s", seconds);
  plan.sayLostInputs(end == RunEnd::kFinished, report);
  return endRun(run, end, tally, tally.summary("converted") + elapsed, report);
}

}  // namespace xbtconv
