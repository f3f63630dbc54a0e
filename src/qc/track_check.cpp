#include "qc/track_check.h"

#include <algorithm>
#include <cmath>
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

// Great-circle distance (haversine).
double metresBetween(const TrackDrop& a, const TrackDrop& b) {
  constexpr double kRadians = std::numbers::pi / 180;
  const double halfLatitude = std::sin((b.latitude - a.latitude) * kRadians / 2);
  const double halfLongitude = std::sin((b.longitude - a.longitude) * kRadians / 2);
  const double h = halfLatitude * halfLatitude + std::cos(a.latitude * kRadians) *
                                                     std::cos(b.latitude * kRadians) *
                                                     halfLongitude * halfLongitude;
  return 2 * kEarthRadiusM * std::asin(std::sqrt(std::min(1.0, h)));
}

// Whether a ship could have sailed from `a` to `b`.
bool withinReach(const TrackDrop& a, const TrackDrop& b) {
  const double seconds = std::fabs(static_cast<double>(b.seconds - a.seconds)) + kTimeResolutionS;
  return metresBetween(a, b) <= kFastestShipSpeed * seconds;
}

}  // namespace

bool onTrack(const Observation& observation, const QcSummary& summary) {
  return observation.time.utcSeconds && observation.latitude && observation.longitude &&
         usable(summary.timeFlag) && usable(summary.positionFlag) &&
         !platformOf(observation).empty();
}

std::vector<bool> unexplainedDrops(std::span<const TrackDrop> track) {
  const std::size_t n = track.size();
  // The longest chain ending at each drop, and starting at each.
  std::vector<std::size_t> ending(n, 1);
  std::vector<std::size_t> starting(n, 1);
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = i > kReach ? i - kReach : 0; j < i; ++j) {
      if (withinReach(track[j], track[i])) ending[i] = std::max(ending[i], ending[j] + 1);
    }
  }
  for (std::size_t i = n; i-- > 0;) {
    for (std::size_t j = i + 1; j < n && j <= i + kReach; ++j) {
      if (withinReach(track[i], track[j])) starting[i] = std::max(starting[i], starting[j] + 1);
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
