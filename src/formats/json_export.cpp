#include "formats/json_export.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <nlohmann/json.hpp>

#include "formats/number_text.h"
#include "profile/text_encoding.h"
#include "profile/utc_time.h"
#include "xbtconv/qc.h"

namespace xbtconv {
namespace {

// Printable ASCII other than the quote and the backslash: a character that
// stands in a JSON string as it is, so a text of only these needs no
// escaping (nearly every text of a message).
bool isPlain(char c) { return c >= ' ' && c <= '~' && c != '"' && c != '\\'; }

// Writes one document as it goes: the structure here, every text escaped
// by the JSON library, every number by the data files' number writer.
// Building the library's document tree first would cost more than
// everything else an export does.
class DocumentWriter {
 public:
  explicit DocumentWriter(std::string& text) : text_(text) { text_ += '{'; }

  DocumentWriter& begin(std::string_view name) {
    key(name);
    text_ += '{';
    first_ = true;
    return *this;
  }
  DocumentWriter& end() {
    text_ += '}';
    first_ = false;
    return *this;
  }
  DocumentWriter& literal(std::string_view name, const char* json) {
    key(name);
    text_ += json;
    return *this;
  }
  template <typename Integer>
  DocumentWriter& integer(std::string_view name, const std::optional<Integer>& value) {
    key(name);
    if (!value) {
      text_ += "null";
      return *this;
    }
    char digits[24];
    text_.append(digits, std::to_chars(digits, digits + sizeof digits, *value).ptr);
    return *this;
  }
  DocumentWriter& number(std::string_view name, const std::optional<double>& value) {
    key(name);
    appendNumber(text_, value, "null");
    return *this;
  }
  DocumentWriter& text(std::string_view name, const std::optional<std::string>& value) {
    key(name);
    if (!value) {
      text_ += "null";
    } else if (std::all_of(value->begin(), value->end(), isPlain)) {
      text_ += '"';
      text_ += *value;
      text_ += '"';
    } else {
      // ASCII only: anything else is escaped, so the document is the same
      // bytes in every encoding a reader may assume.
      text_ += nlohmann::json(utf8Text(*value)).dump(-1, ' ', true);
    }
    return *this;
  }
  // One GTSPP flag (a single digit) per sample.
  DocumentWriter& flags(std::string_view name, const std::vector<Sample>& samples,
                        std::uint8_t Sample::*member) {
    key(name);
    text_ += '[';
    const std::size_t start = text_.size();
    text_.resize(start + 2 * samples.size());
    char* out = text_.data() + start;
    for (const Sample& sample : samples) {
      *out++ = static_cast<char>('0' + sample.*member);
      *out++ = ',';
    }
    // The last comma becomes the closing bracket.
    if (samples.empty()) {
      text_ += ']';
    } else {
      out[-1] = ']';
    }
    return *this;
  }
  DocumentWriter& names(std::string_view name, const std::vector<std::string>& values) {
    key(name);
    text_ += '[';
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (i != 0) text_ += ',';
      text_ += '"';
      text_ += values[i];
      text_ += '"';
    }
    text_ += ']';
    return *this;
  }
  DocumentWriter& column(std::string_view name, const std::vector<Sample>& samples,
                         std::optional<std::int32_t> Sample::*member) {
    key(name);
    // Written through a buffer on the stack, a few thousand characters at
    // a time: the profile is most of the document.
    char buffer[4096];
    char* out = buffer;
    *out++ = '[';
    for (std::size_t i = 0; i < samples.size(); ++i) {
      if (out > buffer + sizeof buffer - kNumberRoom - 8) {
        text_.append(buffer, static_cast<std::size_t>(out - buffer));
        out = buffer;
      }
      if (i != 0) *out++ = ',';
      if (const std::optional<std::int32_t>& value = samples[i].*member) {
        out = writeHundredths(out, *value);
      } else {
        std::memcpy(out, "null", 4);
        out += 4;
      }
    }
    *out++ = ']';
    text_.append(buffer, static_cast<std::size_t>(out - buffer));
    return *this;
  }

 private:
  void key(std::string_view name) {
    if (!first_) text_ += ',';
    first_ = false;
    text_ += '"';
    text_ += name;
    text_ += "\":";
  }

  std::string& text_;
  bool first_ = true;
};

std::optional<std::string> named(const char* name, bool present) {
  if (!present) return std::nullopt;
  return name;
}

}  // namespace

std::string toJson(const Observation& observation) {
  std::string text;
  appendObservationJson(text, observation);
  return text;
}

void appendObservationJson(std::string& text, const Observation& o) {
  text.reserve(text.size() + 1024 + 20 * o.profile.samples.size());
  DocumentWriter document(text);
  document.text("source", o.source)
      .integer("kind", std::optional<int>(o.kind))
      .literal("decoded", o.decoded ? "true" : "false")
      .integer("stop_bit", o.stopBit)
      .text("time", o.time.utcSeconds ? std::optional(isoTime(*o.time.utcSeconds)) : std::nullopt)
      .begin("time_fields")
      .integer("year", o.time.year)
      .integer("month", o.time.month)
      .integer("day", o.time.day)
      .integer("hour", o.time.hour)
      .integer("minute", o.time.minute)
      .end()
      .number("latitude", o.latitude)
      .number("longitude", o.longitude)
      .begin("ship")
      .text("name", o.ship.name)
      .text("call_sign", o.ship.callSign)
      .integer("imo_number", o.ship.imoNumber)
      .text("soop_line", o.ship.soopLine)
      .integer("transect_number", o.ship.transectNumber)
      .integer("heading_deg", o.ship.headingDeg)
      .number("speed_m_s", o.ship.speedMs)
      .end()
      .begin("probe")
      .integer("code", o.probe.code)
      .text("name", o.probe.name)
      .integer("serial_number", o.probe.serialNumber)
      .number("fall_rate_a_m_s", o.probe.fallRateA)
      .number("fall_rate_b_m_s2", o.probe.fallRateB)
      .text("fall_rate_source", o.probe.fallRateSource)
      .integer("max_depth_m", o.probe.maxDepthM)
      .integer("recorder_code", o.probe.recorderCode)
      .text("recorder_name", o.probe.recorderName)
      .text("software_version", o.probe.softwareVersion)
      .text("unique_tag", o.probe.uniqueTag)
      .integer("sequence_number", o.probe.sequenceNumber)
      .number("launch_height_m", o.probe.launchHeightM)
      .end()
      .begin("surface")
      .integer("wind_instrument_code", o.surface.windInstrumentCode)
      .text("wind_instrument_name", o.surface.windInstrumentName)
      .integer("wind_direction_deg", o.surface.windDirectionDeg)
      .number("wind_speed_m_s", o.surface.windSpeedMs)
      .number("air_temperature_c", o.surface.airTemperatureC)
      .integer("current_method_code", o.surface.currentMethodCode)
      .text("current_method_name", o.surface.currentMethodName)
      .integer("current_direction_deg", o.surface.currentDirectionDeg)
      .number("current_speed_m_s", o.surface.currentSpeedMs)
      .end()
      .integer("bottom_depth_m", o.bottomDepthM);
  if (o.qc) {
    document.begin("qc")
        .integer("profile_flag", std::optional<int>(o.qc->profileFlag))
        .integer("time_flag", std::optional<int>(o.qc->timeFlag))
        .integer("position_flag", std::optional<int>(o.qc->positionFlag))
        .integer("tests_performed", std::optional<std::uint32_t>(o.qc->testsPerformed))
        .integer("tests_failed", std::optional<std::uint32_t>(o.qc->testsFailed))
        .names("failed_tests", qcTestNames(o.qc->testsFailed))
        .end();
  } else {
    document.literal("qc", "null");
  }
  document.begin("profile")
      .text("layout", named(o.profile.layout ? layoutName(*o.profile.layout) : "",
                            o.profile.layout.has_value()))
      .text("depth_source",
            named(o.profile.depthSource ? depthSourceName(*o.profile.depthSource) : "",
                  o.profile.depthSource.has_value()))
      .number("sample_rate_hz", o.profile.layout == ProfileLayout::kFullResolution
                                    ? std::optional(o.profile.sampleRateHz)
                                    : std::nullopt)
      .column("depth_m", o.profile.samples, &Sample::depthHundredths)
      .column("temperature_c", o.profile.samples, &Sample::temperatureHundredths)
      .flags("depth_qc", o.profile.samples, &Sample::depthQc)
      .flags("temperature_qc", o.profile.samples, &Sample::temperatureQc)
      .end()
      .end();
}

}  // namespace xbtconv
