#include "relay/bulletin.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace xbtconv {
namespace {

constexpr char kStartOfHeading = '\x01';
constexpr char kEndOfText = '\x03';
constexpr std::string_view kLineEnd = "\r\r\n";

std::tm utcParts(std::int64_t seconds) {
  const auto time = static_cast<std::time_t>(seconds);
  std::tm parts{};
#ifdef _WIN32
  gmtime_s(&parts, &time);
#else
  gmtime_r(&time, &parts);
#endif
  return parts;
}

}  // namespace

char areaDesignator(std::optional<double> latitude, std::optional<double> longitude) {
  if (!latitude || !longitude) return 'X';
  const double lon = *longitude;
  int quarter = 0;  // A: 90W-0
  if (lon >= 180 || lon < -90) {
    quarter = 1;  // B: 180-90W
  } else if (lon >= 90) {
    quarter = 2;  // C: 90E-180
  } else if (lon >= 0) {
    quarter = 3;  // D: 0-90E
  }
  const char first = *latitude >= 0 ? 'A' : 'I';
  return static_cast<char>(first + quarter);
}

std::string AbbreviatedHeading::text() const {
  const std::tm parts = utcParts(compiled);
  char time[16];
  std::snprintf(time, sizeof time, "%02d%02d%02d", parts.tm_mday, parts.tm_hour, parts.tm_min);
  std::string text = designators + " " + centre + " " + time;
  if (!bbb.empty()) text += " " + bbb;
  return text;
}

std::optional<char> bbbLetter(int index, bool late) {
  if (late) return index == 0 ? std::optional<char>('Z') : std::nullopt;
  // A to X: 24 letters; Y is kept for a centre that lost its sequence.
  if (index < 0 || index >= 24) return std::nullopt;
  return static_cast<char>('A' + index);
}

int channelNumbers(int digits) { return digits == 5 ? 100000 : 1000; }

std::string envelope(int channel, const AbbreviatedHeading& heading, std::string_view bufr,
                     int digits) {
  char number[16];
  std::snprintf(number, sizeof number, "%0*d", digits == 5 ? 5 : 3,
                std::abs(channel) % channelNumbers(digits));
  std::string message;
  message.reserve(bufr.size() + 48);
  message += kStartOfHeading;
  message += kLineEnd;
  message += number;
  message += kLineEnd;
  message += heading.text();
  message += kLineEnd;
  message += bufr;
  message += kLineEnd;
  message += kEndOfText;
  return message;
}

std::string ftpFramed(std::string_view envelopedMessage) {
  char length[16];
  std::snprintf(length, sizeof length, "%08zu", envelopedMessage.size());
  std::string framed = length;
  framed += "00";
  framed += envelopedMessage;
  return framed;
}

std::string bulletinFileName(const AbbreviatedHeading& heading, std::int64_t created) {
  std::string name = "A_";
  for (const char c : heading.text()) {
    if (c != ' ') name += c;
  }
  const std::tm parts = utcParts(created);
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d%02d", parts.tm_year + 1900,
                parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
  return name + "_C_" + heading.centre + "_" + stamp + ".bin";
}

std::string batchFileName(std::string_view centre, std::int64_t sequence) {
  char number[16];
  std::snprintf(number, sizeof number, "%08lld", static_cast<long long>(sequence));
  return std::string(centre) + number + ".b";
}

bool isLocationIndicator(std::string_view text) {
  return text.size() == 4 && std::ranges::all_of(text, [](char c) { return c >= 'A' && c <= 'Z'; });
}

}  // namespace xbtconv
