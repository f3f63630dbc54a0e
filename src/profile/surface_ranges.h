// The surface values a drop can report. A message's fields hold more than
// the sea and the air ever give (a direction up to 510 degrees, a wind of
// 409 m/s, an air temperature of absolute zero): such a value is a fault
// of the sender, not a measurement, and no export may pass it on as one.
// The bounds lie past every value ever measured, so nothing real is lost:
//   directions (wind, current, ship's heading)  0 to 360 degrees
//   wind speed                                  up to 113 m/s, the strongest gust measured
//   current speed                               up to 12 m/s, past the fastest tidal race
//   ship's speed                                up to 30 m/s (58 knots), the fastest ship's
//   air temperature                             -90 to 60 C, past the coldest and hottest
//                                               air measured (-89.2, 56.7)
// The legacy report is made from the message, not from the observation,
// and keeps its text.
#ifndef XBTCONV_PROFILE_SURFACE_RANGES_H_
#define XBTCONV_PROFILE_SURFACE_RANGES_H_

#include <string>

#include "xbtconv/observation.h"

namespace xbtconv {

/// The bounds, for the data files' valid ranges.
inline constexpr int kMostDegrees = 360;
inline constexpr double kFastestWind = 113;
inline constexpr double kFastestCurrent = 12;
inline constexpr double kFastestShip = 30;
inline constexpr double kColdestAir = -90;
inline constexpr double kHottestAir = 60;

/// Takes every surface value out of its range from `observation` (no value
/// instead), and says which with what they were, for a warning: "wind
/// direction 510 degrees, air temperature -273.15 C"; "" when none was.
std::string leaveOutImpossibleSurfaceValues(Observation& observation);

}  // namespace xbtconv

#endif  // XBTCONV_PROFILE_SURFACE_RANGES_H_
