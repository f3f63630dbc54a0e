// TextSink: where a report goes piece by piece. A very long profile (a
// corrupt file whose group count is missing can list tens of millions of
// samples) is handed on in pieces, so the whole report text never has to
// be held in memory at once.
#ifndef XBTCONV_REPORT_TEXT_SINK_H_
#define XBTCONV_REPORT_TEXT_SINK_H_

#include <cstddef>
#include <functional>
#include <string_view>

namespace xbtconv {

using TextSink = std::function<void(std::string_view)>;

/// Size at which a report under construction is handed to its sink.
inline constexpr std::size_t kTextPieceSize = std::size_t{1} << 20;

}  // namespace xbtconv

#endif  // XBTCONV_REPORT_TEXT_SINK_H_
