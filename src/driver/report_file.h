// Writing one report beside its message. The text lands in the file byte
// for byte (binary mode: carriage returns and line feeds unchanged) and
// replaces any earlier file of that name whole.
#ifndef XBTCONV_DRIVER_REPORT_FILE_H_
#define XBTCONV_DRIVER_REPORT_FILE_H_

#include <cstdio>
#include <string>

namespace xbtconv {

/// Writes `text` to `path`. When the file cannot be created, written or
/// closed, prints "Can not write file <path>\r\n" on `console`: a report
/// cut short must never pass for a good one.
void writeReportFile(const std::string& path, const std::string& text, std::FILE* console);

}  // namespace xbtconv

#endif  // XBTCONV_DRIVER_REPORT_FILE_H_
