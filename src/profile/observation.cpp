#include "xbtconv/observation.h"

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

}  // namespace xbtconv
