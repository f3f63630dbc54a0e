#include "profile/drop_identity.h"

#include <cstdio>
#include <optional>

namespace xbtconv {
namespace {

// A time field zero-padded to `width`, or dashes where it is absent, so
// that an absent field never reads as a value.
void appendField(std::string& text, const std::optional<int>& value, int width) {
  if (!value) {
    text.append(static_cast<std::size_t>(width), '-');
    return;
  }
  char digits[16];
  std::snprintf(digits, sizeof digits, "%0*d", width, *value);
  text += digits;
}

// Degrees to the message's 0.00001, or a dash where absent.
void appendDegrees(std::string& text, const std::optional<double>& value) {
  if (!value) {
    text += '-';
    return;
  }
  char digits[32];
  std::snprintf(digits, sizeof digits, "%.5f", *value);
  text += digits;
}

}  // namespace

std::string platformOf(const Observation& observation) {
  if (observation.ship.callSign) return *observation.ship.callSign;
  if (observation.ship.imoNumber) return "IMO " + std::to_string(*observation.ship.imoNumber);
  return "";
}

std::string dropIdentity(const Observation& observation) {
  const Observation::Time& t = observation.time;
  if (!t.year && !t.month && !t.day && !t.hour && !t.minute && !observation.latitude &&
      !observation.longitude) {
    return "";
  }
  // Fields apart by a character no real call sign holds.
  std::string text = platformOf(observation);
  text += '|';
  appendField(text, t.year, 4);
  text += '-';
  appendField(text, t.month, 2);
  text += '-';
  appendField(text, t.day, 2);
  text += ' ';
  appendField(text, t.hour, 2);
  text += ':';
  appendField(text, t.minute, 2);
  text += '|';
  appendDegrees(text, observation.latitude);
  text += ' ';
  appendDegrees(text, observation.longitude);
  return text;
}

}  // namespace xbtconv
