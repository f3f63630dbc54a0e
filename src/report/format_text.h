// formatText: printf-style formatting into a new string of any length.
// Every report line is made with it, or with a helper that gives the same
// bytes faster.
#ifndef XBTCONV_REPORT_FORMAT_TEXT_H_
#define XBTCONV_REPORT_FORMAT_TEXT_H_

#include <string>
#include <string_view>

#include "report/report_text.h"

namespace xbtconv {

/// The text printf would print for `format` and the arguments, whole,
/// however long; the empty string for a null format.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
formatText(const char* format, ...);

/// Writes `value` as printf's "%<width>d" would print it (right-aligned in
/// at least `width` characters, never cut) to `out`, which must have room
/// for max(width, 20) characters; returns the number written.
int formatPaddedInteger(char* out, long long value, int width);

/// Appends formatPaddedInteger of `value` to `text`.
void appendPaddedInteger(ReportText& text, long long value, int width);

/// Appends `value` as "%0<width>d" prints it: zeros after the sign.
void appendZeroPaddedInteger(ReportText& text, long long value, int width);

/// Appends `value` as "%<width>X" prints it.
void appendPaddedHex(ReportText& text, unsigned value, int width);

/// Appends `value` as "%<width>.<decimals>f" prints it, or "%0<width>..."
/// with `zeroPadded`. Values whose rounding is plain (nearly all) are
/// written from integers; any value near a rounding tie goes to printf, so
/// the text is always printf's.
void appendFixed(ReportText& text, double value, int width, int decimals, bool zeroPadded);

/// Report lines: `label` (a space, the name, the colon and its space), the
/// value, then "\r\n". The text line gives the value as it is, the integer
/// line as "%<width>d" and the fixed-point line as "%<width>.<decimals>f".
void appendTextLine(ReportText& text, std::string_view label, std::string_view value);
void appendIntegerLine(ReportText& text, std::string_view label, long long value, int width);
void appendFixedLine(ReportText& text, std::string_view label, double value, int width,
                     int decimals);

}  // namespace xbtconv

#endif  // XBTCONV_REPORT_FORMAT_TEXT_H_
