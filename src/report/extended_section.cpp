#include "report/extended_section.h"

#include "decoding/jjvv2_message.h"
#include "report/format_text.h"

namespace xbtconv {

std::string extendedText(const Jjvv2Message& message) {
  ReportText text;
  appendExtended(message, text);
  return text.str();
}

void appendExtended(const Jjvv2Message& message, ReportText& text) {
  appendFixedLine(text, " Ship Speed at Launch (knots): ", double{message.shipSpeedKnots()}, 5, 2);
  appendIntegerLine(text, " Ship Direction at Launch (Degrees): ", message.shipDirection(), 4);
  appendIntegerLine(text, " Sequence Number: ", message.sequenceNumber(), 5);
  appendIntegerLine(text, " Transect Number: ", message.transectNumber(), 4);
  appendFixedLine(text, " Launch Height (Meters): ", double{message.launchHeight()}, 5, 2);
  appendTextLine(text, " SOOP Line: ", message.soopLine());
}

}  // namespace xbtconv
