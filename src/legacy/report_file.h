// xbtconv's report writer. Reports are written in place, as they always
// have been: the report file is created or truncated and the text written
// straight into it. A report that cannot be created, written or closed is
// said on the console: a report cut short must never pass for a good one.
#ifndef XBTCONV_LEGACY_REPORT_FILE_H_
#define XBTCONV_LEGACY_REPORT_FILE_H_

#include <cstdio>
#include <functional>
#include <string>

#include "report/text_sink.h"

namespace xbtconv {

/// Writes the text `produce` hands its sink, piece by piece, to `path`;
/// when it cannot, prints "Can not write file <path>\r\n" on `console`.
void writeReportFile(const std::string& path, const std::function<void(const TextSink&)>& produce,
                     std::FILE* console);

}  // namespace xbtconv

#endif  // XBTCONV_LEGACY_REPORT_FILE_H_
