#include "xbtconv/observation.h"

#include "profile/utc_time.h"

namespace xbtconv {

const char* layoutName(ProfileLayout layout) {
  switch (layout) {
    case ProfileLayout::kFullResolution:
      return "full_resolution";
    case ProfileLayout::kTwoMeter:
      return "two_meter";
    case ProfileLayout::kInflectionPoints:
      return "inflection_points";
  }
  return "";
}

const char* depthSourceName(DepthSource source) {
  return source == DepthSource::kMessage ? "message" : "fall_rate";
}

std::string timeText(const Observation& observation) {
  return observation.time.utcSeconds ? isoTime(*observation.time.utcSeconds) : std::string();
}

}  // namespace xbtconv
