// The profile listing, the last section of a report: a count line, then the
// values, 20 temperatures or 8 depth/temperature pairs to a line.
// Temperatures are in hundredths of a degree, truncated toward zero; depths
// in tenths of a metre. A type of data other than 1, 2 or 3 gives no
// section at all; after a failed decode the listing shows the samples that
// were read.
#ifndef XBTCONV_REPORT_PROFILE_LISTING_H_
#define XBTCONV_REPORT_PROFILE_LISTING_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "report/report_text.h"
#include "report/text_sink.h"

namespace xbtconv {

class JjvvMessage;

/// The profile section of `message`, or "" when it has no profile layout.
std::string profileText(const JjvvMessage& message);

/// Appends the profile section to `text`, handing `text` to `sink` and
/// emptying it whenever it reaches kTextPieceSize (never, without a sink).
void appendProfile(const JjvvMessage& message, ReportText& text, const TextSink& sink);

/// About how long the profile section of `message` is (at most a piece of
/// kTextPieceSize), so that a report can be given its room at once.
std::size_t profileSizeHint(const JjvvMessage& message);

/// A temperature in hundredths of a degree as the listing shows it.
std::int32_t temperatureColumn(float celsius);

}  // namespace xbtconv

#endif  // XBTCONV_REPORT_PROFILE_LISTING_H_
