#include "profile/utc_time.h"

#include <chrono>

namespace xbtconv {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
  constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 to the given date of the proleptic Gregorian
// calendar, by Howard Hinnant's days_from_civil.
std::int64_t daysFromCivil(std::int64_t year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

}  // namespace

std::optional<std::int64_t> utcSeconds(int year, int month, int day, int hour, int minute) {
  if (year < 0 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) ||
      hour < 0 || hour > 23 || minute < 0 || minute > 59) {
    return std::nullopt;
  }
  return daysFromCivil(year, month, day) * kSecondsPerDay + std::int64_t{hour} * 3600 +
         std::int64_t{minute} * 60;
}

std::string isoTime(std::int64_t seconds) {
  // civil_from_days, the inverse of daysFromCivil.
  const std::int64_t days =
      (seconds >= 0 ? seconds : seconds - kSecondsPerDay + 1) / kSecondsPerDay;
  const std::int64_t ofDay = seconds - days * kSecondsPerDay;
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t dayOfEra = z - era * 146097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
  const auto day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
  const auto month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
  const auto year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
  // Digit by digit: formatting through the C library took longer than the
  // rest of a JSON document's header.
  std::string text = "0000-00-00T00:00:00Z";
  const auto put = [&text](std::size_t at, std::int64_t value, std::size_t digits) {
    for (std::size_t i = digits; i-- > 0; value /= 10) {
      text[at + i] = static_cast<char>('0' + value % 10);
    }
  };
  put(0, year, 4);
  put(5, month, 2);
  put(8, day, 2);
  put(11, ofDay / 3600, 2);
  put(14, ofDay / 60 % 60, 2);
  put(17, ofDay % 60, 2);
  return text;
}

std::optional<std::int64_t> parseIsoTime(std::string_view text) {
  // The zone after a time of day: "Z", or an offset "+hh:mm", "+hhmm",
  // "+hh" (or "-"), which local time is ahead of UTC by.
  std::int64_t offset = 0;
  const std::size_t time = text.find('T');
  const std::size_t sign =
      time == std::string_view::npos ? std::string_view::npos : text.find_first_of("+-", time);
  if (!text.empty() && text.back() == 'Z') {
    text.remove_suffix(1);
  } else if (sign != std::string_view::npos) {
    const bool behind = text[sign] == '-';
    const std::string_view zone = text.substr(sign + 1);
    text = text.substr(0, sign);
    int digits[4] = {};
    int count = 0;
    for (std::size_t i = 0; i < zone.size(); ++i) {
      if (zone[i] == ':' && i == 2 && zone.size() == 5) continue;
      if (zone[i] < '0' || zone[i] > '9' || count == 4) return std::nullopt;
      digits[count++] = zone[i] - '0';
    }
    const int hours = 10 * digits[0] + digits[1];
    const int minutes = 10 * digits[2] + digits[3];
    if ((count != 2 && count != 4) || hours > 23 || minutes > 59) return std::nullopt;
    offset = (behind ? -1 : 1) * (3600 * std::int64_t{hours} + std::int64_t{60} * minutes);
  }
  // Year, month, day, hour, minute, second: fixed widths, each after its
  // separator.
  int fields[6] = {0, 0, 1, 0, 0, 0};
  constexpr int kWidths[6] = {4, 2, 2, 2, 2, 2};
  constexpr char kSeparators[6] = {'-', '-', 'T', ':', ':', '\0'};
  std::size_t at = 0;
  int field = 0;
  for (; field < 6 && at < text.size(); ++field) {
    if (field > 0) {
      if (text[at] != kSeparators[field - 1]) return std::nullopt;
      ++at;
    }
    int value = 0;
    for (int k = 0; k < kWidths[field]; ++k, ++at) {
      if (at >= text.size() || text[at] < '0' || text[at] > '9') return std::nullopt;
      value = 10 * value + (text[at] - '0');
    }
    fields[field] = value;
  }
  // A date alone, a time to the minute or to the second; nothing after.
  if (at != text.size() || (field != 3 && field != 5 && field != 6)) return std::nullopt;
  const std::optional<std::int64_t> minutes =
      utcSeconds(fields[0], fields[1], fields[2], fields[3], fields[4]);
  if (!minutes || fields[5] > 59) return std::nullopt;
  return *minutes + fields[5] - offset;
}

std::int64_t currentUtcSeconds() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace xbtconv
