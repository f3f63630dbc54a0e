// Numbers as the data files write them: the shortest text that reads back
// as the same double, with ".0" after a whole number, as JSON libraries
// write doubles (20.0, 0.67, -0.00225). Profiles hold thousands of numbers
// in whole hundredths, which are written from the integers: the hot path of
// an export.
#ifndef XBTCONV_FORMATS_NUMBER_TEXT_H_
#define XBTCONV_FORMATS_NUMBER_TEXT_H_

#include <cstdint>
#include <optional>
#include <string>

namespace xbtconv {

/// Room a number's text needs at most.
inline constexpr std::size_t kNumberRoom = 32;

/// Writes `hundredths` / 100 as described above at `out`, which has room
/// for kNumberRoom characters; returns the end of the text. Exact: no
/// double is involved.
char* writeHundredths(char* out, std::int64_t hundredths);

/// Appends `value` (finite), or `absent` when there is none.
void appendNumber(std::string& text, const std::optional<double>& value, const char* absent);
/// Appends `hundredths` / 100, or `absent` when there is none.
void appendHundredths(std::string& text, const std::optional<std::int32_t>& hundredths,
                      const char* absent);

}  // namespace xbtconv

#endif  // XBTCONV_FORMATS_NUMBER_TEXT_H_
