// Texts for the data files and pages (ship name, call sign, SOOP line, file
// names) as UTF-8. A text that is valid UTF-8 (plain ASCII, as messages are meant to
// carry, included) stays as it is. Anything else, which only a corrupt
// transmission carries, is read byte by byte as Latin-1, so that every byte
// survives into the data files and can be told apart: nothing is dropped.
#ifndef XBTCONV_PROFILE_TEXT_ENCODING_H_
#define XBTCONV_PROFILE_TEXT_ENCODING_H_

#include <string>
#include <string_view>

namespace xbtconv {

/// `text` as valid UTF-8, by the rule above.
std::string utf8Text(std::string_view text);

}  // namespace xbtconv

#endif  // XBTCONV_PROFILE_TEXT_ENCODING_H_
