#include "qc/track_check.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "profile/drop_identity.h"
#include "xbtconv/qc.h"

namespace xbtconv {
namespace {

constexpr double kEarthRadiusM = 6371008.8;  // the mean radius
// Times are given to the minute: two drops may be up to this much further
// apart than their times say.
constexpr double kTimeResolutionS = 60;
// How far back a chain may reach: past up to seven drops in a row.
constexpr std::size_t kReach = 8;

bool usable(std::uint8_t flag) {
  return flag == kQcGood || flag == kQcProbablyGood || flag == kQcProbablyBad;
}

// A drop with what the distance to others needs of it, worked out once.
struct Placed {
  const TrackDrop* drop;
  double latitude;  // radians
  double longitude;
  double cosLatitude;
};

// Whether a ship could have sailed from `a` to `b`: the great-circle
// distance (haversine) against the reach, compared as the haversine
// itself, so that no arc sine is taken.
bool withinReach(const Placed& a, const Placed& b) {
  const double seconds =
      std::fabs(static_cast<double>(b.drop->seconds - a.drop->seconds)) + kTimeResolutionS;
  // Half the angle the reach spans at the earth's centre; past half the
  // globe, anywhere is within reach.
  const double halfReach = kFastestShipSpeed * seconds / (2 * kEarthRadiusM);
  if (halfReach >= std::numbers::pi / 2) return true;
  const double halfLatitude = std::sin((b.latitude - a.latitude) / 2);
  const double halfLongitude = std::sin((b.longitude - a.longitude) / 2);
  const double h =
      halfLatitude * halfLatitude + a.cosLatitude * b.cosLatitude * halfLongitude * halfLongitude;
  const double limit = std::sin(halfReach);
  return h <= limit * limit;
}

}  // namespace

bool onTrack(const Observation& observation, const QcSummary& summary) {
  return observation.time.utcSeconds && observation.latitude && observation.longitude &&
         usable(summary.timeFlag) && usable(summary.positionFlag) &&
         !platformOf(observation).empty();
}

std::vector<bool> unexplainedDrops(std::span<const TrackDrop> track) {
  const std::size_t n = track.size();
  constexpr double kRadians = std::numbers::pi / 180;
  std::vector<Placed> placed(n);
  for (std::size_t i = 0; i < n; ++i) {
    const double latitude = track[i].latitude * kRadians;
    placed[i] = {&track[i], latitude, track[i].longitude * kRadians, std::cos(latitude)};
  }
  // Which of the drops up to kReach before each it can be reached from, a
  // bit each (bit k: k + 1 drops before), for both passes.
  std::vector<std::uint32_t> reachedFrom(n, 0);
  static_assert(kReach <= 32);
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t k = 1; k <= kReach && k <= i; ++k) {
      if (withinReach(placed[i - k], placed[i])) reachedFrom[i] |= 1u << (k - 1);
    }
  }
  // The longest chain ending at each drop, and starting at each.
  std::vector<std::size_t> ending(n, 1);
  std::vector<std::size_t> starting(n, 1);
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t k = 1; k <= kReach && k <= i; ++k) {
      if ((reachedFrom[i] >> (k - 1) & 1u) != 0) {
        ending[i] = std::max(ending[i], ending[i - k] + 1);
      }
    }
  }
  for (std::size_t i = n; i-- > 0;) {
    for (std::size_t k = 1; k <= kReach && i + k < n; ++k) {
      if ((reachedFrom[i + k] >> (k - 1) & 1u) != 0) {
        starting[i] = std::max(starting[i], starting[i + k] + 1);
      }
    }
  }
  std::size_t longest = 0;
  for (std::size_t i = 0; i < n; ++i) longest = std::max(longest, ending[i]);
  // The k-th drop of a longest chain ends a chain of k drops: a drop is on
  // every longest chain when no other drop on one stands in its place.
  std::vector<std::size_t> standing(longest + 1, 0);
  const auto onLongest = [&](std::size_t i) { return ending[i] + starting[i] - 1 == longest; };
  for (std::size_t i = 0; i < n; ++i) {
    if (onLongest(i)) ++standing[ending[i]];
  }
  std::vector<bool> unexplained(n);
  for (std::size_t i = 0; i < n; ++i) unexplained[i] = !onLongest(i) || standing[ending[i]] > 1;
  return unexplained;
}

void flagImpossibleSpeed(Observation& observation) {
  QcSummary& qc = *observation.qc;
  qc.testsFailed |= qctest::kImpossibleSpeed;
  qc.positionFlag = std::max(qc.positionFlag, kQcProbablyBad);
  qc.profileFlag = std::max(qc.profileFlag, kQcProbablyBad);
}

}  // namespace xbtconv
