#include "pipeline/flows/info_flow.h"

#include <cstdio>

#include "pipeline/inputs/drop_survey.h"
#include "pipeline/inputs/observation_reading.h"
#include "pipeline/run/batch_runner.h"
#include "pipeline/run/input_result.h"
#include "pipeline/run/printable_text.h"
#include "profile/utc_time.h"

namespace xbtconv {
namespace {

struct Described : InputResult {
  std::string line;  // of the table
};

std::string nameOf(const InputFile& input) {
  return printableText(input.name.empty() ? input.path : input.name);
}

Described describe(const BatchItem& item, MessageReader& reader) {
  const InputFile& input = item.input;
  Described described;
  const ObservationRead read =
      readObservation(reader, input.location(), input.name, {kDefaultSampleRateHz, false, 0});
  if (read.status == ReadStatus::kNotLoaded) {
    described.line = nameOf(input) + "\t-\t-\t-\t-\t-\t-\t" + printableText(read.reason) + "\n";
    if (passedOver(input, reader.loadFailure())) {
      described.outcome = Outcome::kSkipped;
    } else {
      described.fail(input.path, read.reason);
    }
    return described;
  }
  const Observation& o = *read.observation;
  std::string& line = described.line;
  line = nameOf(input);
  line += "\tkind " + std::to_string(o.kind) + "\t";
  line += o.time.utcSeconds ? isoTime(*o.time.utcSeconds) : "-";
  char position[64] = "-";
  if (o.latitude && o.longitude) {
    std::snprintf(position, sizeof position, "%.5f %.5f", *o.latitude, *o.longitude);
  }
  line.append("\t").append(position).append("\t");
  if (o.probe.code) {
    line += std::to_string(*o.probe.code);
    if (o.probe.name) line.append(" ").append(printableText(*o.probe.name));
  } else {
    line += '-';
  }
  line.append("\t").append(o.profile.layout ? layoutName(*o.profile.layout) : "-");
  line.append("\t").append(std::to_string(o.profile.samples.size())).append(" samples\t");
  if (!read.trailing.empty())
    described.remarks.push_back({input.path, "warning: " + read.trailing});
  if (o.decoded) {
    line += "ok\n";
  } else {
    line += "failed at bit " + std::to_string(*o.stopBit) + "\n";
    described.fail(input.path, read.reason);
  }
  return described;
}

}  // namespace

int runInfo(const RunOptions& options, const RunReport& report) {
  catchInterrupts();
  const int jobs = jobsFor(options.jobs, false);
  DropSurvey survey(options, {kDefaultSampleRateHz, false, 0}, jobs);
  Tally tally;
  const RunEnd end = runInputs<Described>(
      {options.paths, options.recursive, jobs, survey.held()},
      [&](BatchItem& item) -> std::optional<Described> {
        if (std::optional<InputResult> settled = settleEntry(item, options)) {
          return Described{std::move(*settled), ""};
        }
        return std::nullopt;
      },
      describe, [](std::vector<BatchItem>&, std::vector<std::optional<Described>>&) {},
      [&](const BatchItem& item, Described&& described) {
        survey.noteSameDrop(item, described);
        takeUp(item, described, options, report, tally);
        report.data(described.line);
      });
  // The lines are the output; a summary would only repeat them.
  RunOptions quiet = options;
  quiet.quiet = true;
  return endRun(quiet, end, tally, tally.summary("described"), report);
}

}  // namespace xbtconv
