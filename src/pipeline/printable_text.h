// Text as a line of a table or a message shows it: a file name or a reason
// that holds a tab, a line break or another control character would forge
// columns and rows in what scripts read, so these are escaped ("\t", "\n",
// "\x1b").
#ifndef XBTCONV_PIPELINE_PRINTABLE_TEXT_H_
#define XBTCONV_PIPELINE_PRINTABLE_TEXT_H_

#include <string>
#include <string_view>

namespace xbtconv {

std::string printableText(std::string_view text);

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_PRINTABLE_TEXT_H_
