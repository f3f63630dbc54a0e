#include "profile/surface_ranges.h"

#include <cstdio>
#include <optional>

namespace xbtconv {
namespace {

// Leaves `value` out when it lies outside low..high, and says so in `said`.
template <typename Number>
void keepWithin(std::optional<Number>& value, double low, double high, const char* name,
                const char* unit, std::string& said) {
  if (!value || (*value >= low && *value <= high)) return;
  char text[96];
  std::snprintf(text, sizeof text, "%s%s %g %s", said.empty() ? "" : ", ", name,
                static_cast<double>(*value), unit);
  said += text;
  value.reset();
}

}  // namespace

std::string leaveOutImpossibleSurfaceValues(Observation& o) {
  std::string said;
  keepWithin(o.surface.windDirectionDeg, 0, kMostDegrees, "wind direction", "degrees", said);
  keepWithin(o.surface.windSpeedMPerS, 0, kFastestWind, "wind speed", "m/s", said);
  keepWithin(o.surface.airTemperatureC, kColdestAir, kHottestAir, "air temperature", "C", said);
  keepWithin(o.surface.currentDirectionDeg, 0, kMostDegrees, "current direction", "degrees", said);
  keepWithin(o.surface.currentSpeedMPerS, 0, kFastestCurrent, "current speed", "m/s", said);
  keepWithin(o.ship.headingDeg, 0, kMostDegrees, "ship's heading", "degrees", said);
  keepWithin(o.ship.speedMPerS, 0, kFastestShip, "ship's speed", "m/s", said);
  return said;
}

}  // namespace xbtconv
