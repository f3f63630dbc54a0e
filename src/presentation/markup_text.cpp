#include "presentation/markup_text.h"

#include "profile/text_encoding.h"

namespace xbtconv {

std::string xmlText(const std::string& text) {
  std::string escaped;
  for (const char c : utf8Text(text)) {
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
