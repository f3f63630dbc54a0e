// The six launch lines of an extended (kind-2) report, always all six, with
// fixed renderings for missing values (-1.00, -1, "Missing").
#ifndef XBTCONV_REPORT_EXTENDED_SECTION_H_
#define XBTCONV_REPORT_EXTENDED_SECTION_H_

#include <string>

#include "report/report_text.h"

namespace xbtconv {

class Jjvv2Message;

/// Ship speed and heading at launch, sequence and transect numbers, launch
/// height and SOOP line, each line ending in "\r\n".
std::string extendedText(const Jjvv2Message& message);

/// Appends extendedText(message) to `text`.
void appendExtended(const Jjvv2Message& message, ReportText& text);

}  // namespace xbtconv

#endif  // XBTCONV_REPORT_EXTENDED_SECTION_H_
