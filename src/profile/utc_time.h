// Observation times as UTC instants: a date and time of day checked against
// the real calendar (leap years included), and its ISO 8601 text.
#ifndef XBTCONV_PROFILE_UTC_TIME_H_
#define XBTCONV_PROFILE_UTC_TIME_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace xbtconv {

/// Seconds since 1970-01-01T00:00Z of the given date and time, or none when
/// they are no real date and time (a 30 February, an hour of 24 ...).
std::optional<std::int64_t> utcSeconds(int year, int month, int day, int hour, int minute);

/// "YYYY-MM-DDThh:mm:ssZ" of `seconds` since 1970-01-01T00:00Z.
/// REQUIRES: a year from 0 to 9999.
std::string isoTime(std::int64_t seconds);

/// Seconds since 1970-01-01T00:00Z of an ISO 8601 time: "2026-03-14",
/// "2026-03-14T06:05", "2026-03-14T06:05:30", a time of day in UTC or with
/// its zone ("Z", "+02:00", "+0200", "-05"); none for anything else.
std::optional<std::int64_t> parseIsoTime(std::string_view text);

/// The system clock's time, in seconds since 1970-01-01T00:00Z.
std::int64_t currentUtcSeconds();

}  // namespace xbtconv

#endif  // XBTCONV_PROFILE_UTC_TIME_H_
