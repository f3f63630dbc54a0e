#include "report/profile_listing.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "decoding/jjvv_message.h"
#include "report/format_text.h"

namespace xbtconv {
namespace {

constexpr int kTemperaturesPerLine = 20;
constexpr int kPairsPerLine = 8;

// The text of a section under construction: hands itself to the sink in
// pieces when there is one.
class SectionText {
 public:
  SectionText(std::string& text, const TextSink& sink, std::size_t expectedSize)
      : text_(text), sink_(sink) {
    text_.reserve(text_.size() + std::min(expectedSize, kTextPieceSize + 64));
  }

  std::string& text() { return text_; }

  // Ends a value: hands the text on once it is large enough.
  void valueDone() {
    if (sink_ && text_.size() >= kTextPieceSize) {
      sink_(text_);
      text_.clear();
    }
  }

 private:
  std::string& text_;
  const TextSink& sink_;
};

// Appends "%5d%5d" of a pair, and the line break after every eighth.
void appendPair(SectionText& section, std::int64_t depth, float celsius, std::int64_t ordinal) {
  std::string& text = section.text();
  appendPaddedInteger(text, depth, 5);
  appendPaddedInteger(text, temperatureColumn(celsius), 5);
  if (ordinal % kPairsPerLine == 0) text += "\r\n";
  section.valueDone();
}

void appendFullResolution(const JjvvMessage& message, std::string& text, const TextSink& sink) {
  const std::int32_t count = message.fullResolutionCount();
  text += formatText("\r\n\r\nXBT:%5d\r\n", count);
  SectionText section(text, sink, 4 * static_cast<std::size_t>(count) + count / 10 + 2);
  for (std::int32_t i = 0; i < count; ++i) {
    appendPaddedInteger(text, temperatureColumn(message.fullResolutionTemperature(i)), 4);
    if ((i + 1) % kTemperaturesPerLine == 0) text += "\r\n";
    section.valueDone();
  }
  if (count % kTemperaturesPerLine != 0) text += "\r\n";
}

void appendTwoMeter(const JjvvMessage& message, std::string& text, const TextSink& sink) {
  const std::int32_t samples = message.twoMeterCount() / 2;
  text += formatText("\r\n\r\nTWOMETER:%5d\r\n", samples);
  SectionText section(text, sink, 10 * static_cast<std::size_t>(samples) + samples / 4 + 2);
  for (std::int32_t k = 1; k <= samples; ++k) {
    appendPair(section, 20 * std::int64_t{k}, message.twoMeterTemperature(2 * k), k);
  }
  if (samples % kPairsPerLine != 0) text += "\r\n";
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
  text += onTwoMeterGrid ? formatText("\n\nTWOMETER:%5d\r\n", count)
                         : formatText("\n\nINFPTS:%3d\r\n", count);
  SectionText section(text, sink, 10 * static_cast<std::size_t>(count) + count / 4 + 2);
  for (std::int32_t i = 0; i < count; ++i) {
    const InflectionPoint point = message.inflectionPoint(i);
    appendPair(section, std::int64_t{point.depth} * 10, point.temperature, std::int64_t{i} + 1);
  }
  if (count % kPairsPerLine != 0) text += "\r\n";
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

std::string profileText(const JjvvMessage& message) {
  std::string text;
  appendProfile(message, text, nullptr);
  return text;
}

}  // namespace xbtconv
