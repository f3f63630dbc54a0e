#include "cli/info_command.h"

#include "cli/input_files.h"
#include "cli/observation_file.h"
#include "profile/utc_time.h"

namespace xbtconv {
namespace {

std::string infoLine(const InputFile& input, const ObservationFile& file) {
  std::string line = input.name;
  if (!file.observation) return line + "\t-\t-\t-\t-\t-\t-\t" + file.failure + "\n";
  const Observation& o = *file.observation;
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
  line += o.decoded ? "ok" : "failed at bit " + std::to_string(*o.stopBit);
  return line + "\n";
}

}  // namespace

int runInfo(const std::vector<std::string>& paths, std::FILE* out, std::FILE* err) {
  int status = 0;
  forEachInputFile(
      paths, false,
      [&](const InputFile& input) {
        const ObservationFile file = observeFile(input, kDefaultSampleRateHz);
        std::fputs(infoLine(input, file).c_str(), out);
        if (!file.observation && !file.skipped) status = 1;
      },
      [&](const std::string& path, const std::string& reason) {
        sayAbout(err, path, reason);
        status = 1;
      });
  return status;
}

}  // namespace xbtconv
