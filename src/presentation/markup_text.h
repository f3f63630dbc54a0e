// Texts in the plots and pages: the observation's texts (valid UTF-8 by
// the data files' rule) made safe as XML or HTML character data and
// attribute values, whatever a corrupt transmission put in them.
#ifndef XBTCONV_PRESENTATION_MARKUP_TEXT_H_
#define XBTCONV_PRESENTATION_MARKUP_TEXT_H_

#include <string>

namespace xbtconv {

/// `text` as XML (or HTML) character data or attribute value: valid UTF-8,
/// markup characters and both quotes escaped, the characters XML forbids
/// (control characters, U+FFFE and U+FFFF) as "?".
std::string xmlText(const std::string& text);

}  // namespace xbtconv

#endif  // XBTCONV_PRESENTATION_MARKUP_TEXT_H_
