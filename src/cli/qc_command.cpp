#include "cli/qc_command.h"

#include "profile/utc_time.h"
#include "xbtconv/qc.h"

namespace xbtconv {
namespace {

struct Checked {
  Outcome outcome = Outcome::kDone;
  std::string line;   // for standard output
  std::string notes;  // for standard error
  int profileFlag = -1;
};

std::string nameOf(const InputFile& input) { return input.name.empty() ? input.path : input.name; }

Checked check(const BatchItem& item, MessageReader& reader, const QcOptions& options,
              std::int64_t now) {
  const InputFile& input = item.input;
  if (reader.readFile(input.path) == ReadStatus::kNotLoaded) {
    const bool skipped = passedOver(input, reader.loadFailure());
    return {skipped ? Outcome::kSkipped : Outcome::kFailed,
            nameOf(input) + "\t-\t-\t-\t" + reader.reason() + "\n",
            noteAbout(input.path, reader.reason())};
  }
  Observation o = reader.observation(input.name, options.sampleRateHz);
  runQualityControl(o, now);
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
  Checked checked;
  checked.profileFlag = o.qc->profileFlag;
  checked.line = nameOf(input) + "\t" + std::to_string(o.qc->profileFlag) + "\t" +
                 std::to_string(probablyBad) + "\t" + std::to_string(bad) + "\t" +
                 (tests.empty() ? "-" : tests) + "\n";
  if (!o.decoded) {
    checked.outcome = Outcome::kFailed;
    checked.notes = noteAbout(input.path, reader.reason());
  }
  return checked;
}

}  // namespace

int runQc(const QcOptions& options, std::FILE* out, std::FILE* err) {
  catchInterrupts();
  const std::int64_t now = options.now.value_or(currentUtcSeconds());
  Tally tally;
  int byFlag[10] = {};
  const bool finished = runBatch<Checked>(
      batchInputs(options.run),
      [](BatchItem& item) -> std::optional<Checked> {
        if (item.listingFailure.empty()) return std::nullopt;
        return Checked{Outcome::kFailed, "", noteAbout(item.input.path, item.listingFailure)};
      },
      [&](const BatchItem& item, MessageReader& reader) {
        return check(item, reader, options, now);
      },
      [&](const BatchItem& /*item*/, Checked&& checked) {
        tally.count(checked.outcome);
        if (checked.profileFlag >= 0) ++byFlag[checked.profileFlag];
        std::fputs(checked.line.c_str(), out);
        if (!(options.run.quiet && checked.outcome == Outcome::kSkipped)) {
          std::fputs(checked.notes.c_str(), err);
        }
      });
  std::string flags;
  for (int flag = 0; flag < 10; ++flag) {
    if (byFlag[flag] == 0) continue;
    flags += (flags.empty() ? "" : ", ") + std::string("flag ") + std::to_string(flag) + ": " +
             std::to_string(byFlag[flag]);
  }
  std::string summary = tally.summary("checked");
  if (!flags.empty()) summary += " (profiles by flag: " + flags + ")";
  return endRun(options.run, finished, tally, summary, err);
}

}  // namespace xbtconv
