#include "report/format_text.h"

#include <cstdarg>
#include <cstdio>

namespace xbtconv {

std::string formatText(const char* format, ...) {
  if (format == nullptr) return {};
  char small[256];
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

void appendPaddedInteger(std::string& text, long long value, int width) {
  char digits[24];
  int count = 0;
  // Work on the magnitude in unsigned arithmetic so the most negative value
  // has one too.
  unsigned long long magnitude = value < 0 ? 0ull - static_cast<unsigned long long>(value)
                                           : static_cast<unsigned long long>(value);
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  const int length = count + (value < 0 ? 1 : 0);
  if (width > length) text.append(static_cast<std::size_t>(width - length), ' ');
  if (value < 0) text.push_back('-');
  while (count > 0) text.push_back(digits[--count]);
}

}  // namespace xbtconv
