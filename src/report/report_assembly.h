// The complete text of one report: the header, then the profile listing,
// concatenated with nothing between them.
#ifndef XBTCONV_REPORT_REPORT_ASSEMBLY_H_
#define XBTCONV_REPORT_REPORT_ASSEMBLY_H_

#include <string>

namespace xbtconv {

class JjvvMessage;

/// The report of a standard (kind-1) message.
std::string reportText(const JjvvMessage& message);

}  // namespace xbtconv

#endif  // XBTCONV_REPORT_REPORT_ASSEMBLY_H_
