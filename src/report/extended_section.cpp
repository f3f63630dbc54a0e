#include "report/extended_section.h"

#include "decoding/jjvv2_message.h"
#include "report/format_text.h"

namespace xbtconv {

std::string extendedText(const Jjvv2Message& message) {
  std::string text;
  appendExtended(message, text);
  return text;
}

void appendExtended(const Jjvv2Message& message, std::string& text) {
  // " Ship Speed at Launch (knots): %5.2f\r\n"
  text += " Ship Speed at Launch (knots): ";
  appendFixed(text, double{message.shipSpeedKnots()}, 5, 2, false);
  // " Ship Direction at Launch (Degrees): %4d\r\n"
  text += "\r\n Ship Direction at Launch (Degrees): ";
  appendPaddedInteger(text, message.shipDirection(), 4);
  // " Sequence Number: %5d\r\n Transect Number: %4d\r\n"
  text += "\r\n Sequence Number: ";
  appendPaddedInteger(text, message.sequenceNumber(), 5);
  text += "\r\n Transect Number: ";
  appendPaddedInteger(text, message.transectNumber(), 4);
  // " Launch Height (Meters): %5.2f\r\n SOOP Line: %s\r\n"
  text += "\r\n Launch Height (Meters): ";
  appendFixed(text, double{message.launchHeight()}, 5, 2, false);
  text += "\r\n SOOP Line: ";
  text += message.soopLine();
  text += "\r\n";
}

}  // namespace xbtconv
