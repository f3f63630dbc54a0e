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

// The listing of a temperature depends on its raw twelve bits alone, so the
// "%4d" text of each of the 4096 raw values is made once, by the same
// conversion as any other value. Every one is exactly four characters
// (-400 to 3693). A raw value outside the twelve bits (a first sample that
// never got one) takes the general way.
class TemperatureColumns {
 public:
  TemperatureColumns() {
    for (std::uint32_t raw = 0; raw < kRawValues; ++raw) {
      char text[kWidestValue + 1];
      formatPaddedInteger(text, temperatureColumn(JjvvMessage::temperatureOf(raw)), 4);
      std::memcpy(columns_[raw].data(), text, 4);
    }
  }

  // Writes "%<width>d" of the listed temperature of `raw` (width 4 or 5) to
  // `out`; returns the characters written.
  int write(char* out, std::uint32_t raw, int width) const {
    if (raw >= kRawValues) {
      return formatPaddedInteger(out, temperatureColumn(JjvvMessage::temperatureOf(raw)), width);
    }
    int written = 0;
    if (width == 5) out[written++] = ' ';
    std::memcpy(out + written, columns_[raw].data(), 4);
    return written + 4;
  }

 private:
  static constexpr std::uint32_t kRawValues = 4096;
  std::array<std::array<char, 4>, kRawValues> columns_;
};

const TemperatureColumns& temperatureColumns() {
  static const TemperatureColumns columns;
  return columns;
}

// The "%5d" depth column of two-metre sample k (20 k, in tenths of a metre)
// for the k of every ordinary profile, made once like the temperatures;
// a longer profile takes the general way past it.
class TwoMeterDepthColumns {
 public:
  TwoMeterDepthColumns() {
    for (std::int32_t k = 0; k < kCount; ++k) {
      formatPaddedInteger(columns_[static_cast<std::size_t>(k)].data(), 20 * std::int64_t{k}, 5);
    }
  }

  // Writes the column of sample `k` to `out`; returns the characters written.
  int write(char* out, std::int32_t k) const {
    if (k >= kCount) return formatPaddedInteger(out, 20 * std::int64_t{k}, 5);
    std::memcpy(out, columns_[static_cast<std::size_t>(k)].data(), 5);
    return 5;
  }

 private:
  // 20 k stays within five digits.
  static constexpr std::int32_t kCount = 5000;
  std::array<std::array<char, 5>, kCount> columns_;
};

const TwoMeterDepthColumns& twoMeterDepthColumns() {
  static const TwoMeterDepthColumns columns;
  return columns;
}

// Appends a count line: `opening` (two line breaks and the title), the
// count as "%<width>d", then "\r\n".
void appendCountLine(std::string& text, const char* opening, std::int32_t count, int width) {
  text += opening;
  appendPaddedInteger(text, count, width);
  text += "\r\n";
}

// Appends one value line at a time to the report under construction, and
// hands the text to the sink (when there is one) once it is large enough,
// so that a huge profile is never held whole.
class LineWriter {
 public:
  LineWriter(std::string& text, const TextSink& sink, std::size_t expectedSize)
      : text_(text), sink_(sink) {
    text_.reserve(text_.size() + std::min(expectedSize, kTextPieceSize + 1024));
  }

  void append(const char* line, const char* end) {
    text_.append(line, static_cast<std::size_t>(end - line));
    if (sink_ && text_.size() >= kTextPieceSize) {
      sink_(text_);
      text_.clear();
    }
  }

 private:
  std::string& text_;
  const TextSink& sink_;
};

void appendFullResolution(const JjvvMessage& message, std::string& text, const TextSink& sink) {
  const std::int32_t count = message.fullResolutionCount();
  appendCountLine(text, "\r\n\r\nXBT:", count, 5);  // "\r\n\r\nXBT:%5d\r\n"
  LineWriter lines(text, sink, 4 * static_cast<std::size_t>(count) + count / 10 + 2);
  const TemperatureColumns& columns = temperatureColumns();
  char line[kTemperaturesPerLine * kWidestValue + 2];
  for (std::int32_t first = 0; first < count; first += kTemperaturesPerLine) {
    const std::int32_t end = std::min(count, first + kTemperaturesPerLine);
    char* out = line;
    for (std::int32_t i = first; i < end; ++i) {
      out += columns.write(out, message.fullResolutionRaw(i), 4);
    }
    // Every line ends with a line break, the last, partial one too.
    *out++ = '\r';
    *out++ = '\n';
    lines.append(line, out);
  }
}

void appendTwoMeter(const JjvvMessage& message, std::string& text, const TextSink& sink) {
  const std::int32_t samples = message.twoMeterCount() / 2;
  appendCountLine(text, "\r\n\r\nTWOMETER:", samples, 5);  // "\r\n\r\nTWOMETER:%5d\r\n"
  LineWriter lines(text, sink, 10 * static_cast<std::size_t>(samples) + samples / 4 + 2);
  const TemperatureColumns& columns = temperatureColumns();
  const TwoMeterDepthColumns& depths = twoMeterDepthColumns();
  char line[kPairsPerLine * 2 * (kWidestValue + 9) + 2];
  for (std::int32_t first = 1; first <= samples; first += kPairsPerLine) {
    const std::int32_t end = std::min(samples, first + kPairsPerLine - 1);
    char* out = line;
    for (std::int32_t k = first; k <= end; ++k) {
      out += depths.write(out, k);
      out += columns.write(out, message.twoMeterRaw(k), 5);
    }
    *out++ = '\r';
    *out++ = '\n';
    lines.append(line, out);
  }
}

void appendInflectionPoints(const JjvvMessage& message, std::string& text, const TextSink& sink) {
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
  char line[kPairsPerLine * 2 * (kWidestValue + 9) + 2];
  for (std::int32_t first = 0; first < count; first += kPairsPerLine) {
    const std::int32_t end = std::min(count, first + kPairsPerLine);
    char* out = line;
    for (std::int32_t i = first; i < end; ++i) {
      const InflectionPoint point = message.inflectionPoint(i);
      out += formatPaddedInteger(out, std::int64_t{point.depth} * 10, 5);
      out += formatPaddedInteger(out, temperatureColumn(point.temperature), 5);
    }
    *out++ = '\r';
    *out++ = '\n';
    lines.append(line, out);
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

void appendProfile(const JjvvMessage& message, std::string& text, const TextSink& sink) {
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
  std::string text;
  appendProfile(message, text, nullptr);
  return text;
}

}  // namespace xbtconv
