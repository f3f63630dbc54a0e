#include "profile/drop_identity.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>

namespace xbtconv {
namespace {

// A time field zero-padded to `width`, or dashes where it is absent, so
// that an absent field never reads as a value. (A run makes one identity
// for each input: no formatting through the C library.)
void appendField(std::string& text, const std::optional<int>& value, int width) {
  if (!value) {
    text.append(static_cast<std::size_t>(width), '-');
    return;
  }
  char digits[16];
  const auto [end, error] = std::to_chars(digits, digits + sizeof digits, *value);
  const auto length = static_cast<int>(end - digits);
  if (length < width) text.append(static_cast<std::size_t>(width - length), '0');
  text.append(digits, end);
}

// Degrees to the message's 0.00001, or a dash where absent.
void appendDegrees(std::string& text, const std::optional<double>& value) {
  if (!value) {
    text += '-';
    return;
  }
  const auto steps = static_cast<std::int64_t>(std::llround(*value * 100000));
  const std::uint64_t magnitude = steps < 0 ? 0 - static_cast<std::uint64_t>(steps) : steps;
  if (steps < 0) text += '-';
  char digits[24];
  const auto [end, error] = std::to_chars(digits, digits + sizeof digits, magnitude / 100000);
  text.append(digits, end);
  text += '.';
  const auto [fraction, unused] =
      std::to_chars(digits, digits + sizeof digits, magnitude % 100000 + 100000);
  text.append(digits + 1, fraction);  // past the leading 1: five digits
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
