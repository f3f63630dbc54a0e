#include "pipeline/printable_text.h"

#include <algorithm>

namespace xbtconv {

std::string printableText(std::string_view text) {
  const auto control = [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f;
  };
  if (std::none_of(text.begin(), text.end(), control)) return std::string(text);
  std::string out;
  for (const char c : text) {
    if (!control(c)) {
      out += c;
      continue;
    }
    switch (c) {
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default: {
        static constexpr char kHex[] = "0123456789abcdef";
        const auto byte = static_cast<unsigned char>(c);
        out += {'\\', 'x', kHex[byte >> 4], kHex[byte & 15]};
      }
    }
  }
  return out;
}

}  // namespace xbtconv
