// xbtconv's report writer. A report is written whole to a new temporary
// file beside it (never through a link, never over anything) and renamed
// over the report's name only when complete: a link or FIFO someone
// planted at the name is replaced, never written through or waited on, and
// an earlier report is never left cut short. A report that cannot be
// created, written, closed or put in place (a folder has its name) is said
// on the console: a report cut short must never pass for a good one.
#ifndef XBTCONV_LEGACY_REPORT_FILE_H_
#define XBTCONV_LEGACY_REPORT_FILE_H_

#include <cstdio>
#include <functional>
#include <string>

#include "pipeline/outputs/folder.h"
#include "report/text_sink.h"

namespace xbtconv {

/// Writes the text `produce` hands its sink, piece by piece, as the report
/// `name` in `folder`; when it cannot, prints "Can not write file
/// <path>\r\n" on `console`, `path` being how the report is named there.
void writeReportFile(const Folder& folder, const std::string& name, const std::string& path,
                     const std::function<void(const TextSink&)>& produce, std::FILE* console);

}  // namespace xbtconv

#endif  // XBTCONV_LEGACY_REPORT_FILE_H_
