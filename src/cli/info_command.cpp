#include "cli/info_command.h"

#include "profile/utc_time.h"

namespace xbtconv {
namespace {

struct Described {
  Outcome outcome = Outcome::kDone;
  std::string line;   // for standard output
  std::string notes;  // for standard error
};

// The name a line begins with: a file's name, or the path given when it
// names none ("missing_dir/").
std::string nameOf(const InputFile& input) { return input.name.empty() ? input.path : input.name; }

Described describe(const BatchItem& item, MessageReader& reader) {
  const InputFile& input = item.input;
  if (reader.readFile(input.path) == ReadStatus::kNotLoaded) {
    const bool skipped = passedOver(input, reader.loadFailure());
    return {skipped ? Outcome::kSkipped : Outcome::kFailed,
            nameOf(input) + "\t-\t-\t-\t-\t-\t-\t" + reader.reason() + "\n",
            skipped ? "" : noteAbout(input.path, reader.reason())};
  }
  const Observation o = reader.observation(input.name, kDefaultSampleRateHz);
  std::string line = nameOf(input);
  line += "\tkind " + std::to_string(o.kind) + "\t";
  line += o.time.utcSeconds ? isoTime(*o.time.utcSeconds) : "-";
  char position[64] = "-";
  if (o.latitude && o.longitude) {
    std::snprintf(position, sizeof position, "%.5f %.5f", *o.latitude, *o.longitude);
  }
  line += std::string("\t") + position + "\t";
  line += o.probe.code ? std::to_string(*o.probe.code) + (o.probe.name ? " " + *o.probe.name : "")
                       : "-";
  line += std::string("\t") + (o.profile.layout ? layoutName(*o.profile.layout) : "-");
  line += "\t" + std::to_string(o.profile.samples.size()) + " samples\t";
  if (o.decoded) return {Outcome::kDone, line + "ok\n", ""};
  return {Outcome::kFailed, line + "failed at bit " + std::to_string(*o.stopBit) + "\n",
          noteAbout(input.path, reader.reason())};
}

}  // namespace

int runInfo(const RunOptions& options, std::FILE* out, std::FILE* err) {
  catchInterrupts();
  Tally tally;
  const bool finished = runBatch<Described>(
      batchInputs(options),
      [](BatchItem& item) -> std::optional<Described> {
        if (item.listingFailure.empty()) return std::nullopt;
        return Described{Outcome::kFailed, "", noteAbout(item.input.path, item.listingFailure)};
      },
      describe,
      [&](const BatchItem& /*item*/, Described&& described) {
        tally.count(described.outcome);
        std::fputs(described.line.c_str(), out);
        std::fputs(described.notes.c_str(), err);
      });
  // The lines are the output; a summary would only repeat them.
  RunOptions quiet = options;
  quiet.quiet = true;
  return endRun(quiet, finished, tally, tally.summary("described"), err);
}

}  // namespace xbtconv
