#include "profile/surface_ranges.h"

#include <gtest/gtest.h>

namespace xbtconv {
namespace {

// Every bound from both sides, in the steps the message's fields take
// (degrees, 0.1 m/s of wind, 0.01 m/s of current and ship, air temperature
// from tenths of a kelvin).
TEST(SurfaceRanges, EachBoundFromBothSides) {
  Observation o;
  o.surface.windDirectionDeg = 360;
  o.surface.windSpeedMPerS = 113.0;
  o.surface.airTemperatureC = 59.95;  // 333.1 K
  o.surface.currentDirectionDeg = 0;
  o.surface.currentSpeedMPerS = 12.0;
  o.ship.headingDeg = 360;
  o.ship.speedMPerS = 30.0;
  EXPECT_EQ(leaveOutImpossibleSurfaceValues(o), "");
  o.surface.airTemperatureC = -89.95;  // 183.2 K
  EXPECT_EQ(leaveOutImpossibleSurfaceValues(o), "");
  EXPECT_EQ(o.ship.speedMPerS, 30.0);

  o.surface.windDirectionDeg = 361;
  o.surface.windSpeedMPerS = 113.1;
  o.surface.airTemperatureC = 60.05;
  o.surface.currentDirectionDeg = 510;
  o.surface.currentSpeedMPerS = 12.01;
  o.ship.headingDeg = 361;
  o.ship.speedMPerS = 30.01;
  EXPECT_EQ(leaveOutImpossibleSurfaceValues(o),
            "wind direction 361 degrees, wind speed 113.1 m/s, air temperature 60.05 C, current "
            "direction 510 degrees, current speed 12.01 m/s, ship's heading 361 degrees, ship's "
            "speed 30.01 m/s");
  EXPECT_FALSE(o.surface.windDirectionDeg || o.surface.windSpeedMPerS ||
               o.surface.airTemperatureC || o.surface.currentDirectionDeg ||
               o.surface.currentSpeedMPerS || o.ship.headingDeg || o.ship.speedMPerS);
  o.surface.airTemperatureC = -90.05;  // 183.1 K
  EXPECT_EQ(leaveOutImpossibleSurfaceValues(o), "air temperature -90.05 C");
}

}  // namespace
}  // namespace xbtconv
