#include "presentation/markup_text.h"

#include "profile/text_encoding.h"

namespace xbtconv {

std::string xmlText(const std::string& text) {
  const std::string utf8 = utf8Text(text);
  std::string escaped;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    // U+FFFE and U+FFFF are no characters to XML either.
    if (c == '\xEF' && utf8.compare(i + 1, 1, "\xBF") == 0 && i + 2 < utf8.size() &&
        (utf8[i + 2] == '\xBE' || utf8[i + 2] == '\xBF')) {
      escaped += '?';
      i += 2;
      continue;
    }
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&#39;";
        break;
      default:
        escaped += static_cast<unsigned char>(c) < 0x20 ? '?' : c;
    }
  }
  return escaped;
}

}  // namespace xbtconv
