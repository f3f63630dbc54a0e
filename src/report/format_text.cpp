#include "report/format_text.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace xbtconv {

std::string formatText(const char* format, ...) {
  if (format == nullptr) return {};
  // Room for every report line but a header with very long texts, so that
  // nearly every call formats once.
  char small[1024];
  va_list arguments;
  va_start(arguments, format);
  va_list again;
  va_copy(again, arguments);
  const int length = std::vsnprintf(small, sizeof small, format, arguments);
  va_end(arguments);
  std::string text;
  if (length < 0) {
    va_end(again);
    return text;
  }
  if (static_cast<std::size_t>(length) < sizeof small) {
    text.assign(small, static_cast<std::size_t>(length));
  } else {
    // Too long for the first try: format again into a string of the exact
    // size, so that nothing is ever cut.
    text.resize(static_cast<std::size_t>(length));
    std::vsnprintf(text.data(), text.size() + 1, format, again);
  }
  va_end(again);
  return text;
}

int formatPaddedInteger(char* out, long long value, int width) {
  // The common case of the listings and the header, a value of no more
  // digits than the width (at most five): written in place, right-aligned,
  // two digits at a time.
  static constexpr std::uint32_t kLimits[] = {1, 10, 100, 1000, 10000, 100000};
  if (value >= 0 && width >= 1 && width <= 5 && value < kLimits[width]) {
    static constexpr char kPairs[] =
        "0001020304050607080910111213141516171819202122232425262728293031323334353637383940414243"
        "4445464748495051525354555657585960616263646566676869707172737475767778798081828384858687"
        "888990919293949596979899";
    const auto whole = static_cast<std::uint32_t>(value);
    const std::uint32_t hundreds = whole / 100;
    const std::uint32_t tenThousands = hundreds / 100;
    char digits[5];
    digits[0] = static_cast<char>('0' + tenThousands);
    std::memcpy(digits + 1, &kPairs[2 * std::size_t{hundreds - 100 * tenThousands}], 2);
    std::memcpy(digits + 3, &kPairs[2 * std::size_t{whole - 100 * hundreds}], 2);
    const int length = 1 + static_cast<int>(whole >= 10) + static_cast<int>(whole >= 100) +
                       static_cast<int>(whole >= 1000) + static_cast<int>(whole >= 10000);
    for (int i = 0; i < width; ++i) {
      out[i] = i < width - length ? ' ' : digits[5 - width + i];
    }
    return width;
  }
  char digits[24];
  char* const end = digits + sizeof digits;
  char* first = end;
  // The magnitude in unsigned arithmetic, so that the most negative value
  // has one too; in 32 bits when it fits, which is faster.
  const unsigned long long magnitude = value < 0 ? 0ull - static_cast<unsigned long long>(value)
                                                 : static_cast<unsigned long long>(value);
  if (magnitude <= 0xFFFFFFFFull) {
    auto small = static_cast<std::uint32_t>(magnitude);
    do {
      *--first = static_cast<char>('0' + small % 10);
      small /= 10;
    } while (small != 0);
  } else {
    unsigned long long large = magnitude;
    do {
      *--first = static_cast<char>('0' + large % 10);
      large /= 10;
    } while (large != 0);
  }
  if (value < 0) *--first = '-';
  const auto length = static_cast<int>(end - first);
  const int padding = width > length ? width - length : 0;
  std::memset(out, ' ', static_cast<std::size_t>(padding));
  std::memcpy(out + padding, first, static_cast<std::size_t>(length));
  return padding + length;
}

void appendPaddedInteger(ReportText& text, long long value, int width) {
  char* const out = text.room(static_cast<std::size_t>(std::max(width, 20)));
  text.extendTo(out + formatPaddedInteger(out, value, width));
}

void appendZeroPaddedInteger(ReportText& text, long long value, int width) {
  char* const out = text.room(static_cast<std::size_t>(std::max(width, 20)));
  const int length = formatPaddedInteger(out, value, width);
  // "%<width>d" pads with spaces before the sign, "%0<width>d" with zeros
  // after it.
  int padding = 0;
  while (out[padding] == ' ') ++padding;
  if (padding > 0) {
    const bool negative = value < 0;
    if (negative) out[0] = '-';
    for (int i = negative ? 1 : 0; i < padding + (negative ? 1 : 0); ++i) out[i] = '0';
  }
  text.extendTo(out + length);
}

void appendPaddedHex(ReportText& text, unsigned value, int width) {
  char digits[16];
  int length = 0;
  do {
    digits[length++] = "0123456789ABCDEF"[value & 15u];
    value >>= 4;
  } while (value != 0);
  if (width > length) text.append(static_cast<std::size_t>(width - length), ' ');
  while (length > 0) text.push_back(digits[--length]);
}

void appendFixed(ReportText& text, double value, int width, int decimals, bool zeroPadded) {
  static constexpr double kScales[] = {1.0, 10.0, 100.0, 1000.0};
  if (decimals >= 0 && decimals <= 3 && std::isfinite(value) && std::fabs(value) < 1e12) {
    const double scaled = std::fabs(value) * kScales[decimals];
    const double nearest = std::nearbyint(scaled);
    // printf rounds the exact binary value; `scaled` is within one rounding
    // of it (a relative 1.2e-16), so unless it lies within that of a tie
    // the digits are those of the nearest integer.
    if (std::fabs(scaled - nearest) < 0.5 - scaled * 1e-15 - 1e-12) {
      const auto units = static_cast<long long>(nearest);
      char digits[40];
      char* p = digits + sizeof digits;
      long long rest = units;
      for (int i = 0; i < decimals; ++i) {
        *--p = static_cast<char>('0' + rest % 10);
        rest /= 10;
      }
      if (decimals > 0) *--p = '.';
      do {
        *--p = static_cast<char>('0' + rest % 10);
        rest /= 10;
      } while (rest != 0);
      const bool negative = std::signbit(value);
      const auto length = static_cast<int>(digits + sizeof digits - p) + (negative ? 1 : 0);
      const int padding = width > length ? width - length : 0;
      if (!zeroPadded) text.append(static_cast<std::size_t>(padding), ' ');
      if (negative) text.push_back('-');
      if (zeroPadded) text.append(static_cast<std::size_t>(padding), '0');
      text.append(p, static_cast<std::size_t>(digits + sizeof digits - p));
      return;
    }
  }
  char format[16];
  std::snprintf(format, sizeof format, zeroPadded ? "%%0%d.%df" : "%%%d.%df", width, decimals);
  text += formatText(format, value);
}

void appendTextLine(ReportText& text, std::string_view label, std::string_view value) {
  text += label;
  text += value;
  text += "\r\n";
}

void appendIntegerLine(ReportText& text, std::string_view label, long long value, int width) {
  text += label;
  appendPaddedInteger(text, value, width);
  text += "\r\n";
}

void appendFixedLine(ReportText& text, std::string_view label, double value, int width,
                     int decimals) {
  text += label;
  appendFixed(text, value, width, decimals, false);
  text += "\r\n";
}

}  // namespace xbtconv
