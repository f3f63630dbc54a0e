#include "report/profile_listing.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

#include "decoding/jjvv_message.h"
#include "report/format_text.h"

namespace xbtconv {
namespace {

constexpr int kTemperaturesPerLine = 20;
constexpr int kPairsPerLine = 8;
// The widest listed value: "-2147483648".
constexpr int kWidestValue = 11;

// The "%<Width>d" text of Value(i) for every i below Count, made once by the
// same conversion as any other value. Listings print a few thousand values
// over and over (a temperature depends on its raw twelve bits alone, a
// two-metre depth on its sample number), so copying them is most of the
// formatting saved. A value past the table takes the general way. Each
// text sits in a slot of four or eight characters, copied whole with one
// move.
template <int Width, std::uint32_t Count, std::int64_t (*Value)(std::uint32_t)>
class ColumnTable {
 public:
  static_assert(Width <= 8);

  static const ColumnTable& instance() {
    static const ColumnTable table;
    return table;
  }

  // Writes "%<Width>d" of Value(i) to `out` and returns the characters it
  // takes; the characters after them, up to a slot's, may be overwritten.
  // REQUIRES: room for max(8, kWidestValue) characters at `out`.
  int write(char* out, std::uint32_t i) const {
    if (i >= Count) return formatPaddedInteger(out, Value(i), Width);
    return static_cast<int>(copy(out, i) - out);
  }

  // write() for a value known to lie in the table; returns where its text
  // ends. REQUIRES: i < Count, room for a slot at `out`.
  char* copy(char* out, std::uint32_t i) const {
    std::memcpy(out, slots_[i].data(), sizeof(Slot));
    return out + Width;
  }

  // Writes the texts of values[0] ... values[count - 1] one after another
  // and returns where they end; the characters after, up to a slot's, may
  // be overwritten. Four values that all lie in the table (nearly always)
  // are copied with one test. REQUIRES: room for count * kWidestValue + 8.
  char* writeAll(char* out, const std::uint32_t* values, int count) const {
    static_assert((Count & (Count - 1)) == 0, "one OR tests four values against a power of two");
    int i = 0;
    for (; i + 4 <= count; i += 4) {
      if ((values[i] | values[i + 1] | values[i + 2] | values[i + 3]) < Count) {
        for (int k = 0; k < 4; ++k) out = copy(out, values[i + k]);
      } else {
        for (int k = 0; k < 4; ++k) out += write(out, values[i + k]);
      }
    }
    for (; i < count; ++i) out += write(out, values[i]);
    return out;
  }

 private:
  using Slot = std::array<char, Width <= 4 ? 4 : 8>;

  ColumnTable() {
    for (std::uint32_t i = 0; i < Count; ++i) {
      char text[kWidestValue + 1];
      formatPaddedInteger(text, Value(i), Width);
      slots_[i].fill(' ');
      std::memcpy(slots_[i].data(), text, Width);
    }
  }

  std::array<Slot, Count> slots_;
};

std::int64_t listedTemperature(std::uint32_t raw) {
  return temperatureColumn(JjvvMessage::temperatureOf(raw));
}

std::int64_t twoMeterDepth(std::uint32_t k) { return 20 * std::int64_t{k}; }

// Every temperature of twelve bits is four characters (-400 to 3693),
// listed four or five wide; 20 k stays within five up to k = 4999, past
// every ordinary profile.
constexpr std::uint32_t kTemperatureCount = 4096;
constexpr std::uint32_t kTwoMeterDepthCount = 5000;
using TemperatureColumns = ColumnTable<4, kTemperatureCount, listedTemperature>;
using WideTemperatureColumns = ColumnTable<5, kTemperatureCount, listedTemperature>;
using TwoMeterDepthColumns = ColumnTable<5, kTwoMeterDepthCount, twoMeterDepth>;

// Appends a count line: `opening` (two line breaks and the title), the
// count as "%<width>d", then "\r\n".
void appendCountLine(ReportText& text, const char* opening, std::int32_t count, int width) {
  text += opening;
  appendPaddedInteger(text, count, width);
  text += "\r\n";
}

// Writes value lines straight into the report under construction, and
// hands the text to the sink (when there is one) once it is large enough,
// so that a huge profile is never held whole.
class LineWriter {
 public:
  // Longest line a listing writes: eight pairs of the widest values.
  static constexpr std::size_t kLongestLine = kPairsPerLine * 2 * (kWidestValue + 9) + 2;

  LineWriter(ReportText& text, const TextSink& sink, std::size_t expectedSize)
      : text_(text), sink_(sink) {
    text_.reserve(text_.size() + std::min(expectedSize, kTextPieceSize) + kLongestLine);
  }
  LineWriter(const LineWriter&) = delete;
  LineWriter& operator=(const LineWriter&) = delete;

  // Where the next line goes; it may take up to kLongestLine characters.
  char* line() { return text_.room(kLongestLine); }

  // Ends the line begun at line() just before `end`.
  void endLine(const char* end) {
    text_.extendTo(end);
    if (sink_ && text_.size() >= kTextPieceSize) {
      sink_(text_.view());
      text_.clear();
    }
  }

 private:
  ReportText& text_;
  const TextSink& sink_;
};

void appendFullResolution(const JjvvMessage& message, ReportText& text, const TextSink& sink) {
  const std::int32_t count = message.fullResolutionCount();
  appendCountLine(text, "\r\n\r\nXBT:", count, 5);  // "\r\n\r\nXBT:%5d\r\n"
  LineWriter lines(text, sink, 4 * static_cast<std::size_t>(count) + count / 10 + 2);
  const TemperatureColumns& columns = TemperatureColumns::instance();
  const std::uint32_t* const raws = message.fullResolutionRaws().data();
  for (std::int32_t first = 0; first < count; first += kTemperaturesPerLine) {
    const std::int32_t end = std::min(count, first + kTemperaturesPerLine);
    char* out = columns.writeAll(lines.line(), raws + first, end - first);
    // Every line ends with a line break, the last, partial one too.
    *out++ = '\r';
    *out++ = '\n';
    lines.endLine(out);
  }
}

void appendTwoMeter(const JjvvMessage& message, ReportText& text, const TextSink& sink) {
  const std::int32_t samples = message.twoMeterCount() / 2;
  appendCountLine(text, "\r\n\r\nTWOMETER:", samples, 5);  // "\r\n\r\nTWOMETER:%5d\r\n"
  LineWriter lines(text, sink, 10 * static_cast<std::size_t>(samples) + samples / 4 + 2);
  const WideTemperatureColumns& columns = WideTemperatureColumns::instance();
  const TwoMeterDepthColumns& depths = TwoMeterDepthColumns::instance();
  const std::uint32_t* const raws = message.twoMeterRaws().data();
  for (std::int32_t first = 1; first <= samples; first += kPairsPerLine) {
    const std::int32_t end = std::min(samples, first + kPairsPerLine - 1);
    char* out = lines.line();
    // A line whose depths and temperatures all lie in the tables (nearly
    // every line) is copied without a test per value.
    std::uint32_t spread = 0;
    for (std::int32_t k = first; k <= end; ++k) spread |= raws[k - 1];
    if (spread < kTemperatureCount && static_cast<std::uint32_t>(end) < kTwoMeterDepthCount) {
      for (std::int32_t k = first; k <= end; ++k) {
        out = columns.copy(depths.copy(out, static_cast<std::uint32_t>(k)), raws[k - 1]);
      }
    } else {
      for (std::int32_t k = first; k <= end; ++k) {
        out += depths.write(out, static_cast<std::uint32_t>(k));
        out += columns.write(out, raws[k - 1]);
      }
    }
    *out++ = '\r';
    *out++ = '\n';
    lines.endLine(out);
  }
}

void appendInflectionPoints(const JjvvMessage& message, ReportText& text, const TextSink& sink) {
  const std::int32_t count = message.inflectionPointCount();
  // Points at 2, 4, 6 ... metres without a gap are two-metre data.
  bool onTwoMeterGrid = true;
  for (std::int32_t i = 0; i < count && onTwoMeterGrid; ++i) {
    onTwoMeterGrid = message.inflectionPoint(i).depth == 2 * (std::int64_t{i} + 1);
  }
  // These count lines open with two bare line feeds, unlike the others;
  // stored reports have them so.
  if (onTwoMeterGrid) {
    appendCountLine(text, "\n\nTWOMETER:", count, 5);  // "\n\nTWOMETER:%5d\r\n"
  } else {
    appendCountLine(text, "\n\nINFPTS:", count, 3);  // "\n\nINFPTS:%3d\r\n"
  }
  LineWriter lines(text, sink, 10 * static_cast<std::size_t>(count) + count / 4 + 2);
  const WideTemperatureColumns& columns = WideTemperatureColumns::instance();
  for (std::int32_t first = 0; first < count; first += kPairsPerLine) {
    const std::int32_t end = std::min(count, first + kPairsPerLine);
    char* out = lines.line();
    for (std::int32_t i = first; i < end; ++i) {
      const InflectionPoint point = message.inflectionPoint(i);
      out += formatPaddedInteger(out, std::int64_t{point.depth} * 10, 5);
      out += columns.write(out, point.temperatureRaw);
    }
    *out++ = '\r';
    *out++ = '\n';
    lines.endLine(out);
  }
}

}  // namespace

std::int32_t temperatureColumn(float celsius) {
  const double hundredths = std::trunc(double{celsius} * 100.0);
  // Only a first sample of all-ones bits (raw 0xFFFFFFFF, about 42.9
  // million degrees) leaves the 32-bit range. Its listing has always been
  // the smallest 32-bit integer, what a truncating conversion gives on
  // common hardware; it stays so, without the undefined conversion.
  if (!(hundredths >= -2147483648.0 && hundredths < 2147483648.0)) {
    return std::numeric_limits<std::int32_t>::min();
  }
  return static_cast<std::int32_t>(hundredths);
}

void appendProfile(const JjvvMessage& message, ReportText& text, const TextSink& sink) {
  switch (message.typeOfData()) {
    case JjvvMessage::kFullResolution:
      appendFullResolution(message, text, sink);
      break;
    case JjvvMessage::kTwoMeter:
      appendTwoMeter(message, text, sink);
      break;
    case JjvvMessage::kInflectionPoints:
      appendInflectionPoints(message, text, sink);
      break;
    default:
      break;
  }
}

std::size_t profileSizeHint(const JjvvMessage& message) {
  // Four characters a temperature, ten a pair, a line break every line.
  const auto full = static_cast<std::size_t>(message.fullResolutionCount());
  const auto pairs = static_cast<std::size_t>(message.twoMeterCount() / 2) +
                     static_cast<std::size_t>(message.inflectionPointCount());
  return std::min(kTextPieceSize, 32 + full * 4 + full / 10 + pairs * 10 + pairs / 4);
}

std::string profileText(const JjvvMessage& message) {
  ReportText text;
  appendProfile(message, text, nullptr);
  return text.str();
}

}  // namespace xbtconv
