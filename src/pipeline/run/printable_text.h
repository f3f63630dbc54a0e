// Text as a console line shows it: a name or a reason may hold anything a
// file name can, and a terminal obeys what it is sent. So every character
// that is not plain to see is written escaped, and the line shows the name
// instead of acting on it:
// - control characters: C0 and DEL as "\t", "\n", "\r" or "\x1b"; C1
//   (U+0080 to U+009F, which some terminals take as escapes) as "\u009b";
// - bidirectional controls and marks (U+202A to U+202E, U+2066 to U+2069,
//   U+200E, U+200F, U+061C), which reorder what follows on the line, as
//   "\u202e"; the line and paragraph separators U+2028 and U+2029, which
//   many viewers break a line at; and the characters no one can see (U+200B
//   to U+200D, U+FEFF), which would make two names look the same;
// - bytes that are no UTF-8 as "\xff";
// - the backslash itself as "\\", so that an escape is never ambiguous
//   (not on Windows, where it separates folders and is no part of a name).
// Every other character, in any script, is written as it is. A tab or line
// break in a name then forges no column or row in what scripts read.
#ifndef XBTCONV_PIPELINE_RUN_PRINTABLE_TEXT_H_
#define XBTCONV_PIPELINE_RUN_PRINTABLE_TEXT_H_

#include <string>
#include <string_view>

namespace xbtconv {

std::string printableText(std::string_view text);

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_RUN_PRINTABLE_TEXT_H_
