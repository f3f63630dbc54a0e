#include "pipeline/run/printable_text.h"

#include <algorithm>
#include <cstdint>

namespace xbtconv {
namespace {

constexpr char kHex[] = "0123456789abcdef";

// The length of the UTF-8 character that starts `text`, and its code point;
// 0 when the bytes there are no UTF-8 (a stray or missing continuation, an
// overlong form, a surrogate, past U+10FFFF).
std::size_t decode(std::string_view text, std::uint32_t& point) {
  const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  std::uint32_t least = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    point = lead & 0x1Fu;
    least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    point = lead & 0x0Fu;
    least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    point = lead & 0x07u;
    least = 0x10000;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    point = (point << 6) | (byte(i) & 0x3Fu);
  }
  if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return 0;
  return length;
}

bool shownEscaped(std::uint32_t point) {
  return (point >= 0x80 && point <= 0x9F) || point == 0x061C ||
         (point >= 0x200B && point <= 0x200F) || (point >= 0x2028 && point <= 0x202E) ||
         (point >= 0x2066 && point <= 0x2069) || point == 0xFEFF;
}

void appendByte(std::string& out, unsigned char byte) {
  out += {'\\', 'x', kHex[byte >> 4], kHex[byte & 15]};
}

// On Windows the backslash separates folders in every path and is never
// part of a name: escaping it would only double every separator.
#ifdef _WIN32
constexpr bool kEscapeBackslash = false;
#else
constexpr bool kEscapeBackslash = true;
#endif

}  // namespace

std::string printableText(std::string_view text) {
  // Most names are plain ASCII: one pass to tell, then one copy.
  if (std::none_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte >= 0x7F || (kEscapeBackslash && c == '\\');
      })) {
    return std::string(text);
  }
  std::string out;
  out.reserve(text.size() + 8);
  while (!text.empty()) {
    const auto byte = static_cast<unsigned char>(text.front());
    std::size_t taken = 1;
    if (byte == '\\' && kEscapeBackslash) {
      out += "\\\\";
    } else if (byte == '\t') {
      out += "\\t";
    } else if (byte == '\n') {
      out += "\\n";
    } else if (byte == '\r') {
      out += "\\r";
    } else if (byte < 0x20 || byte == 0x7F) {
      appendByte(out, byte);
    } else if (byte < 0x80) {
      out += text.front();
    } else {
      std::uint32_t point = 0;
      taken = decode(text, point);
      if (taken == 0) {
        appendByte(out, byte);
        taken = 1;
      } else if (shownEscaped(point)) {
        out += {'\\',
                'u',
                kHex[(point >> 12) & 15],
                kHex[(point >> 8) & 15],
                kHex[(point >> 4) & 15],
                kHex[point & 15]};
      } else {
        out += text.substr(0, taken);
      }
    }
    text.remove_prefix(taken);
  }
  return out;
}

}  // namespace xbtconv
