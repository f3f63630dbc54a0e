// Console text shows names, never obeys them: every control, every
// bidirectional control and every byte that is no UTF-8 escaped, at the
// edges of each range; every other character as it is.
#include "pipeline/run/printable_text.h"

#include <gtest/gtest.h>

namespace xbtconv {
namespace {

TEST(PrintableText, EscapesWhatATerminalWouldObey) {
  const std::pair<std::string, std::string> cases[] = {
      {"plain name.bin", "plain name.bin"},
      {"a\tb\nc\rd\x1b[31m\x7f", "a\\tb\\nc\\rd\\x1b[31m\\x7f"},
#ifdef _WIN32
      {"back\\slash", "back\\slash"},  // the folders' separator there
#else
      {"back\\slash", "back\\\\slash"},
#endif
      // C1: U+0080 and U+009F escaped, U+00A0 (no-break space) and é not.
      {"\xC2\x80\xC2\x9F\xC2\xA0\xC3\xA9", "\\u0080\\u009f\xC2\xA0\xC3\xA9"},
      // Bidirectional controls and marks, line separators, invisible
      // characters, and their neighbours that are none.
      {"\xE2\x80\xA7\xE2\x80\xA8\xE2\x80\xAA\xE2\x80\xAE\xE2\x80\xAF",
       "\xE2\x80\xA7\\u2028\\u202a\\u202e\xE2\x80\xAF"},
      {"\xE2\x80\x8A\xE2\x80\x8B\xE2\x80\x8F\xE2\x80\x90\xD8\x9C\xEF\xBB\xBF",
       "\xE2\x80\x8A\\u200b\\u200f\xE2\x80\x90\\u061c\\ufeff"},
      {"\xE2\x81\xA5\xE2\x81\xA6\xE2\x81\xA9\xE2\x81\xAA",
       "\xE2\x81\xA5\\u2066\\u2069\xE2\x81\xAA"},
      // No UTF-8: a raw C1 byte, a stray continuation, an overlong form, a
      // surrogate, a character cut short, past U+10FFFF.
      {"\x9B\x80", "\\x9b\\x80"},
      {"\xC0\x80\xED\xA0\x80", "\\xc0\\x80\\xed\\xa0\\x80"},
      {"\xE2\x80", "\\xe2\\x80"},
      {"\xF4\x90\x80\x80\xF0\x9F\x8C\x8A", "\\xf4\\x90\\x80\\x80\xF0\x9F\x8C\x8A"},
      {"\xE6\x97\xA5\xE6\x9C\xAC.bin", "\xE6\x97\xA5\xE6\x9C\xAC.bin"},
  };
  for (const auto& [text, shown] : cases) EXPECT_EQ(printableText(text), shown) << shown;
}

}  // namespace
}  // namespace xbtconv
