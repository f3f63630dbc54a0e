#include "formats/incompleteness.h"

#include <algorithm>

#include "xbtconv/formats.h"
#include "xbtconv/qc.h"

namespace xbtconv {

std::string incompleteness(const Observation& o, bool forGts) {
  std::string reasons;
  const auto lacks = [&reasons](const char* reason) {
    reasons += (reasons.empty() ? "" : "; ") + std::string(reason);
  };
  const Observation::Time& t = o.time;
  if (!t.year || !t.month || !t.day || !t.hour || !t.minute) {
    lacks("no time");
  } else if (!t.utcSeconds || (o.qc && o.qc->timeFlag == kQcBad)) {
    lacks("impossible time");
  }
  if (!o.latitude || !o.longitude) {
    lacks("no position");
  } else if (positionOffTheGlobe(o)) {
    lacks("impossible position");
  } else if (forGts && o.qc && o.qc->positionFlag == kQcBad) {
    // On land: an archive keeps it flagged (a hemisphere slip is found by
    // its position), the GTS gets no such drop.
    lacks("position on land");
  }
  const std::vector<Sample>& samples = o.profile.samples;
  if (samples.empty()) {
    if (forGts) lacks("no profile");
  } else if (std::none_of(samples.begin(), samples.end(),
                          [](const Sample& s) { return s.depthHundredths.has_value(); })) {
    lacks(o.profile.layout == ProfileLayout::kFullResolution && !o.probe.fallRateA
              ? "no depths: the probe has no fall rate"
              : "no depths");
  }
  return reasons;
}

bool positionOffTheGlobe(const Observation& o) {
  return o.qc && o.qc->positionFlag == kQcBad && (o.qc->testsFailed & qctest::kPositionOnLand) == 0;
}

Status netcdfUsability(const Observation& observation) {
  std::string lacking = incompleteness(observation, false);
  if (lacking.empty()) return {};
  return {Status::Code::kIncomplete, std::move(lacking)};
}

}  // namespace xbtconv
