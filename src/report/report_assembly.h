// The complete text of one report: the header, for an extended message its
// six launch lines, then the profile listing, concatenated with nothing
// between them.
#ifndef XBTCONV_REPORT_REPORT_ASSEMBLY_H_
#define XBTCONV_REPORT_REPORT_ASSEMBLY_H_

#include <string>

#include "report/report_text.h"
#include "report/text_sink.h"

namespace xbtconv {

class JjvvMessage;
class Jjvv2Message;

/// The report of a standard (kind-1) message.
std::string reportText(const JjvvMessage& message);

/// Hands the report of a standard message to `sink` in pieces whose
/// concatenation is reportText(message).
void streamReport(const JjvvMessage& message, const TextSink& sink);
/// streamReport, making the pieces in `scratch` (emptied first), whose room
/// is kept for the next report: a batch makes thousands.
void streamReport(const JjvvMessage& message, const TextSink& sink, ReportText& scratch);

/// The report of an extended (kind-2) message.
std::string reportText(const Jjvv2Message& message);

/// Hands the report of an extended message to `sink` in pieces whose
/// concatenation is reportText(message).
void streamReport(const Jjvv2Message& message, const TextSink& sink);
void streamReport(const Jjvv2Message& message, const TextSink& sink, ReportText& scratch);

}  // namespace xbtconv

#endif  // XBTCONV_REPORT_REPORT_ASSEMBLY_H_
