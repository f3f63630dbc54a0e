// Writing one report beside its message. The text lands in the file byte
// for byte (binary mode: carriage returns and line feeds unchanged) and
// replaces any earlier file of that name whole.
#ifndef XBTCONV_DRIVER_REPORT_FILE_H_
#define XBTCONV_DRIVER_REPORT_FILE_H_

#include <cstdio>
#include <functional>
#include <string>

#include "report/text_sink.h"

namespace xbtconv {

/// Makes the report text by handing pieces of it to a sink.
using ReportProducer = std::function<void(const TextSink&)>;

/// Writes `text` to `path`. When the file cannot be created, written or
/// closed, prints "Can not write file <path>\r\n" on `console`: a report
/// cut short must never pass for a good one.
void writeReportFile(const std::string& path, const std::string& text, std::FILE* console);

/// The same for a report made piece by piece, so that a long one is never
/// held whole. `produce` is not called when the file cannot be created.
void writeReportFile(const std::string& path, const ReportProducer& produce, std::FILE* console);

}  // namespace xbtconv

#endif  // XBTCONV_DRIVER_REPORT_FILE_H_
