// The complete text of one report: the header, then the profile listing,
// concatenated with nothing between them.
#ifndef XBTCONV_REPORT_REPORT_ASSEMBLY_H_
#define XBTCONV_REPORT_REPORT_ASSEMBLY_H_

#include <string>

#include "report/text_sink.h"

namespace xbtconv {

class JjvvMessage;

/// The report of a standard (kind-1) message.
std::string reportText(const JjvvMessage& message);

/// Hands the report of a standard message to `sink` in pieces whose
/// concatenation is reportText(message).
void streamReport(const JjvvMessage& message, const TextSink& sink);

}  // namespace xbtconv

#endif  // XBTCONV_REPORT_REPORT_ASSEMBLY_H_
