// The track check (GTSPP's impossible speed test): the drops of one
// platform in one run, in time order, make its track, and a drop the track
// cannot explain, one the ship would have had to sail faster than 15 m/s
// (about 30 knots) to reach, is probably bad: position flag 3.
//
// Which drop is wrong is told by the rest of the track: the longest chain
// of drops, in time order, each within reach of the one before (a chain
// may pass over up to seven drops in a row) is the ship's course, and a
// drop on no such chain, or on only one of several, is unexplained. So a
// single misplaced drop is flagged and its neighbours are not; with two
// drops out of reach of each other, both are. Times are given to the
// minute, so two drops may lie up to a minute further apart than their
// times say: the speed is taken over that longer time, and a probe
// relaunched within the minute a few hundred metres on is no fault.
#ifndef XBTCONV_QC_TRACK_CHECK_H_
#define XBTCONV_QC_TRACK_CHECK_H_

#include <cstdint>
#include <span>
#include <vector>

#include "xbtconv/observation.h"

namespace xbtconv {

/// A drop of a track.
struct TrackDrop {
  std::int64_t seconds;  // since 1970-01-01T00:00Z
  double latitude;
  double longitude;
};

/// The fastest a ship is taken to sail, in m/s.
inline constexpr double kFastestShipSpeed = 15.0;

/// Whether a drop whose flags are `summary` takes part in its platform's
/// track: it has a platform, and a time and a position quality control
/// found neither missing nor impossible.
bool onTrack(const Observation& observation, const QcSummary& summary);

/// For a platform's drops in time order (drops of one time in the order
/// they came), whether the track cannot explain each.
std::vector<bool> unexplainedDrops(std::span<const TrackDrop> track);

/// Marks `observation`, quality-controlled, as a drop its track cannot
/// explain: its position and its profile at least probably bad.
void flagImpossibleSpeed(Observation& observation);

}  // namespace xbtconv

#endif  // XBTCONV_QC_TRACK_CHECK_H_
