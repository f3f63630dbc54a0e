#include "pipeline/flows/qc_flow.h"

#include <algorithm>

#include "pipeline/inputs/drop_survey.h"
#include "pipeline/inputs/observation_reading.h"
#include "pipeline/run/batch_runner.h"
#include "pipeline/run/input_result.h"
#include "pipeline/run/printable_text.h"
#include "profile/utc_time.h"
#include "xbtconv/qc.h"

namespace xbtconv {
namespace {

struct Checked : InputResult {
  std::string line;  // of the table
  int profileFlag = -1;
};

// The name a line begins with: a file's name, or the path given when it
// names none ("missing_dir/").
std::string nameOf(const InputFile& input) {
  return printableText(input.name.empty() ? input.path : input.name);
}

Checked check(const BatchItem& item, MessageReader& reader, const ObservationOptions& reading,
              const DropSurvey& survey) {
  const InputFile& input = item.input;
  Checked checked;
  ObservationRead read = readObservation(reader, input.location(), input.name, reading);
  if (read.status == ReadStatus::kNotLoaded) {
    checked.line = nameOf(input) + "\t-\t-\t-\t" + printableText(read.reason) + "\n";
    checked.skipOrFail(passedOver(input, reader.loadFailure()), input.path, read.reason);
    return checked;
  }
  Observation& o = *read.observation;
  survey.judgeTrack(input.path, o);
  int probablyBad = 0;
  int bad = 0;
  for (const Sample& sample : o.profile.samples) {
    const auto value = [](std::uint8_t flag) { return flag == kQcMissing ? 0 : int{flag}; };
    const int worst = std::max(value(sample.depthQc), value(sample.temperatureQc));
    probablyBad += worst == kQcProbablyBad ? 1 : 0;
    bad += worst == kQcBad ? 1 : 0;
  }
  std::string tests;
  for (const std::string& name : qcTestNames(o.qc->testsFailed)) {
    tests += (tests.empty() ? "" : ",") + name;
  }
  checked.profileFlag = o.qc->profileFlag;
  checked.line = nameOf(input) + "\t" + std::to_string(o.qc->profileFlag) + "\t" +
                 std::to_string(probablyBad) + "\t" + std::to_string(bad) + "\t" +
                 (tests.empty() ? "-" : tests) + "\n";
  if (!o.decoded) checked.fail(input.path, read.reason);
  if (!read.trailing.empty()) checked.remarks.push_back({input.path, "warning: " + read.trailing});
  if (!read.impossibleValues.empty()) {
    checked.remarks.push_back(
        {input.path, "warning: out of range, taken as no value: " + read.impossibleValues});
  }
  return checked;
}

}  // namespace

int runQc(const QcOptions& options, const RunReport& report) {
  catchInterrupts();
  const RunOptions& run = options.run;
  const ObservationOptions reading{options.sampleRateHz, true,
                                   options.now.value_or(currentUtcSeconds())};
  const int jobs = jobsFor(run.jobs, true);
  DropSurvey survey(run, reading, jobs);
  Tally tally;
  int byFlag[10] = {};
  const RunEnd end = runInputs<Checked>(
      {run.paths, run.recursive, jobs, survey.held()},
      [&](BatchItem& item) -> std::optional<Checked> {
        if (std::optional<InputResult> settled = settleEntry(item, run)) {
          return Checked{std::move(*settled), "", -1};
        }
        return std::nullopt;
      },
      [&](const BatchItem& item, MessageReader& reader) {
        return check(item, reader, reading, survey);
      },
      [](std::vector<BatchItem>&, std::vector<std::optional<Checked>>&) {},
      [&](const BatchItem& item, Checked&& checked) {
        survey.noteSameDrop(item, checked);
        takeUp(item, checked, run, report, tally);
        if (checked.profileFlag >= 0) ++byFlag[checked.profileFlag];
        report.data(checked.line);
      });
  std::string flags;
  for (int flag = 0; flag < 10; ++flag) {
    if (byFlag[flag] == 0) continue;
    flags += (flags.empty() ? "" : ", ") + std::string("flag ") + std::to_string(flag) + ": " +
             std::to_string(byFlag[flag]);
  }
  std::string summary = tally.summary("checked");
  if (!flags.empty()) summary += " (profiles by flag: " + flags + ")";
  return endRun(run, end, tally, summary, report);
}

}  // namespace xbtconv
