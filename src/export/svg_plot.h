// A quick-look plot of one observation as a self-contained SVG image (no
// scripts, fonts or other files): temperature along the top, depth
// increasing downwards, as oceanographers draw profiles. The title names the
// ship, the time and the position; a caption gives the profile's layout,
// where its depths come from and what is missing. Samples without a value
// are gaps in the curve, never points at zero; a message without samples
// gets a plot that says so. Readable at 600 px wide, which is its size.
#ifndef XBTCONV_EXPORT_SVG_PLOT_H_
#define XBTCONV_EXPORT_SVG_PLOT_H_

#include <string>

#include "profile/observation.h"

namespace xbtconv {

/// The plot of `observation`.
std::string profileSvg(const Observation& observation);

}  // namespace xbtconv

#endif  // XBTCONV_EXPORT_SVG_PLOT_H_
