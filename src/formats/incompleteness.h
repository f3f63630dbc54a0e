// What an observation lacks for the formats that exchange and archive
// profiles: a BUFR message without a real time, a position or depths is of
// no use on the GTS, and a CF profile without them has fill values in its
// coordinates. A time that quality control found impossible (flag 4), and
// a position off the globe, count as none; a position on land is kept in
// an archive's formats (flagged 4, so that an analyst finds the slip) and
// left out of the GTS's.
#ifndef XBTCONV_FORMATS_INCOMPLETENESS_H_
#define XBTCONV_FORMATS_INCOMPLETENESS_H_

#include <string>

#include "xbtconv/observation.h"

namespace xbtconv {

/// The reasons, joined by "; " ("no position; no depths: the probe has no
/// fall rate"); empty when nothing lacks. `forGts` also asks for a
/// profile.
std::string incompleteness(const Observation& observation, bool forGts);

/// Whether quality control found the position impossible (off the globe:
/// no coordinate can hold it), rather than on land.
bool positionOffTheGlobe(const Observation& observation);

}  // namespace xbtconv

#endif  // XBTCONV_FORMATS_INCOMPLETENESS_H_
