#include "report/extended_section.h"

#include "decoding/jjvv2_message.h"
#include "report/format_text.h"

namespace xbtconv {

std::string extendedText(const Jjvv2Message& message) {
  std::string text =
      formatText(" Ship Speed at Launch (knots): %5.2f\r\n", double{message.shipSpeedKnots()});
  text += formatText(" Ship Direction at Launch (Degrees): %4d\r\n", message.shipDirection());
  text += formatText(" Sequence Number: %5d\r\n", message.sequenceNumber());
  text += formatText(" Transect Number: %4d\r\n", message.transectNumber());
  text += formatText(" Launch Height (Meters): %5.2f\r\n", double{message.launchHeight()});
  text += formatText(" SOOP Line: %s\r\n", message.soopLine().c_str());
  return text;
}

}  // namespace xbtconv
