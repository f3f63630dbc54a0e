// The header block of a report: TALU version, ship identity, date and time,
// position, probe and recorder, the surface observations the message
// carries, bottom depth and TALU ID. Every missing value has a fixed
// rendering (1899 for a missing year, "Not Available" for a missing ship
// name, 9999 M for a missing depth ...), so a message whose decode failed
// part-way still gives a whole header.
#ifndef XBTCONV_REPORT_REPORT_HEADER_H_
#define XBTCONV_REPORT_REPORT_HEADER_H_

#include <cstdint>
#include <string>

#include "report/report_text.h"

namespace xbtconv {

class JjvvMessage;

/// The header lines of `message`, each ending in "\r\n".
std::string headerText(const JjvvMessage& message);

/// Appends headerText(message) to `text`.
void appendHeader(const JjvvMessage& message, ReportText& text);

/// The raw value of the first descriptor of the message's sequence whose
/// name contains "PROBE SERIAL NUMBER"; -2 when there is none.
std::int32_t probeSerialInSequence(const JjvvMessage& message);

}  // namespace xbtconv

#endif  // XBTCONV_REPORT_REPORT_HEADER_H_
