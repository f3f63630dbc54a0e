#include "profile/observation_fields.h"

#include <type_traits>

#include "profile/text_encoding.h"

namespace xbtconv {
namespace {

FieldValue valueOf(const std::optional<std::string>& value) {
  return value ? FieldValue{true, 0, 0, *value} : FieldValue{};
}

FieldValue valueOf(const std::optional<double>& value) {
  return value ? FieldValue{true, 0, *value, {}} : FieldValue{};
}

template <typename Integer>
FieldValue valueOf(const std::optional<Integer>& value) {
  return value ? FieldValue{true, *value, 0, {}} : FieldValue{};
}

void assign(std::optional<std::string>& target, const FieldValue& value) {
  target = value.present ? std::optional(std::string(value.text)) : std::nullopt;
}

void assign(std::optional<double>& target, const FieldValue& value) {
  target = value.present ? std::optional(value.number) : std::nullopt;
}

template <typename Integer>
void assign(std::optional<Integer>& target, const FieldValue& value) {
  target = value.present ? std::optional(static_cast<Integer>(value.integer)) : std::nullopt;
}

template <typename T>
constexpr FieldType typeOf() {
  if constexpr (std::is_same_v<T, std::optional<std::string>>) return FieldType::kText;
  if constexpr (std::is_same_v<T, std::optional<double>>) return FieldType::kNumber;
  return FieldType::kInteger;
}

// A field held in an optional member of the observation.
template <auto Member>
ObservationField top(std::string_view key, const char* description) {
  using T = std::remove_reference_t<decltype(std::declval<Observation>().*Member)>;
  return {nullptr,
          key,
          typeOf<T>(),
          true,
          description,
          [](const Observation& o) { return valueOf(o.*Member); },
          [](Observation& o, const FieldValue& v) { assign(o.*Member, v); },
          nullptr,
          nullptr};
}

// A field held in an optional member of one of the observation's parts.
template <auto Part, auto Member>
ObservationField in(const FieldGroup& group, std::string_view key, const char* description) {
  using T = std::remove_reference_t<decltype((std::declval<Observation>().*Part).*Member)>;
  return {&group,
          key,
          typeOf<T>(),
          true,
          description,
          [](const Observation& o) { return valueOf(o.*Part.*Member); },
          [](Observation& o, const FieldValue& v) { assign(o.*Part.*Member, v); },
          nullptr,
          nullptr};
}

// A flag of quality control's summary.
template <auto Member>
ObservationField qcValue(const FieldGroup& group, std::string_view key, const char* description) {
  return {&group,
          key,
          FieldType::kInteger,
          false,
          description,
          [](const Observation& o) {
            FieldValue v;
            if (o.qc) v = {true, (*o.qc).*Member, 0, {}};
            return v;
          },
          [](Observation& o, const FieldValue& v) {
            QcSummary& qc = o.qc ? *o.qc : o.qc.emplace();
            qc.*Member = static_cast<std::remove_reference_t<decltype(qc.*Member)>>(v.integer);
          },
          nullptr,
          nullptr};
}

// An enumeration written as its name.
template <typename Enum, auto Member, const char* (*Name)(Enum)>
ObservationField named(const FieldGroup& group, std::string_view key, const char* description,
                       std::initializer_list<Enum> values) {
  static const std::vector<Enum> all(values);
  return {&group,
          key,
          FieldType::kText,
          true,
          description,
          [](const Observation& o) {
            const std::optional<Enum>& value = o.profile.*Member;
            FieldValue v;
            if (value) v = {true, 0, 0, Name(*value)};
            return v;
          },
          [](Observation& o, const FieldValue& v) {
            std::optional<Enum>& target = o.profile.*Member;
            target.reset();
            for (const Enum value : all) {
              if (v.present && v.text == Name(value)) target = value;
            }
          },
          nullptr,
          nullptr};
}

ObservationField column(const FieldGroup& group, std::string_view key, const char* description,
                        std::optional<std::int32_t> Sample::*member) {
  return {&group, key,    FieldType::kHundredths, false, description, nullptr, nullptr,
          member, nullptr};
}

ObservationField flags(const FieldGroup& group, std::string_view key, const char* description,
                       std::uint8_t Sample::*member) {
  return {&group, key, FieldType::kFlags, false, description, nullptr, nullptr, nullptr, member};
}

const FieldGroup kTimeFields{"time_fields", "the date and time as the message sent them", nullptr};
const FieldGroup kShip{"ship", "the ship that dropped the probe", nullptr};
const FieldGroup kProbe{"probe", "the probe and the recorder", nullptr};
const FieldGroup kSurface{"surface", "the weather and the current at the surface", nullptr};
const FieldGroup kQc{"qc", "quality control's verdict, in GTSPP flags; none when it did not run",
                     [](const Observation& o) { return o.qc.has_value(); }};
const FieldGroup kProfile{"profile", "the temperature profile, one value per sample", nullptr};

using O = Observation;

}  // namespace

// clang-format off
const std::vector<ObservationField>& observationFields() {
  static const std::vector<ObservationField> fields = {
      {nullptr, "source", FieldType::kFileName, false, "the message file's name",
       [](const O& o) { return FieldValue{true, 0, 0, o.source}; },
       [](O& o, const FieldValue& v) { o.source = v.text; }, nullptr, nullptr},
      {nullptr, "kind", FieldType::kInteger, false, "1 for a standard message, 2 for an extended one",
       [](const O& o) { return FieldValue{true, o.kind, 0, {}}; },
       [](O& o, const FieldValue& v) { o.kind = static_cast<int>(v.integer); }, nullptr, nullptr},
      {nullptr, "decoded", FieldType::kBoolean, false, "whether the whole message was decoded",
       [](const O& o) { return FieldValue{true, o.decoded ? 1 : 0, 0, {}}; },
       [](O& o, const FieldValue& v) { o.decoded = v.integer != 0; }, nullptr, nullptr},
      top<&O::stopBit>("stop_bit", "the bit at which a decode that failed stopped; none when decoded"),
      {nullptr, "time", FieldType::kTime, true,
       "the time of the drop (UTC), when the message's date and time make a real one",
       [](const O& o) { return valueOf(o.time.utcSeconds); },
       [](O& o, const FieldValue& v) { assign(o.time.utcSeconds, v); }, nullptr, nullptr},
      in<&O::time, &O::Time::year>(kTimeFields, "year", "the year as sent"),
      in<&O::time, &O::Time::month>(kTimeFields, "month", "the month as sent, 1 to 12"),
      in<&O::time, &O::Time::day>(kTimeFields, "day", "the day of the month as sent"),
      in<&O::time, &O::Time::hour>(kTimeFields, "hour", "the hour as sent (UTC)"),
      in<&O::time, &O::Time::minute>(kTimeFields, "minute", "the minute as sent"),
      top<&O::latitude>("latitude", "the latitude of the drop, degrees north"),
      top<&O::longitude>("longitude", "the longitude of the drop, degrees east"),
      in<&O::ship, &O::Ship::name>(kShip, "name", "the ship's name"),
      in<&O::ship, &O::Ship::callSign>(kShip, "call_sign", "the ship's call sign"),
      in<&O::ship, &O::Ship::imoNumber>(kShip, "imo_number", "the ship's IMO number"),
      in<&O::ship, &O::Ship::soopLine>(kShip, "soop_line", "the SOOP line (extended messages)"),
      in<&O::ship, &O::Ship::transectNumber>(kShip, "transect_number", "the SOOP transect number (extended messages)"),
      in<&O::ship, &O::Ship::headingDeg>(kShip, "heading_deg", "the ship's heading, degrees"),
      in<&O::ship, &O::Ship::speedMPerS>(kShip, "speed_m_s", "the ship's speed, metres per second"),
      in<&O::probe, &O::Probe::code>(kProbe, "code", "the probe type (WMO code table 0 22 067)"),
      in<&O::probe, &O::Probe::name>(kProbe, "name", "the probe type's name"),
      in<&O::probe, &O::Probe::serialNumber>(kProbe, "serial_number", "the probe's serial number"),
      in<&O::probe, &O::Probe::fallRateA>(kProbe, "fall_rate_a_m_s", "fall-rate coefficient a of z = a t + b t^2, metres per second"),
      in<&O::probe, &O::Probe::fallRateB>(kProbe, "fall_rate_b_m_s2", "fall-rate coefficient b of z = a t + b t^2, metres per second squared"),
      in<&O::probe, &O::Probe::fallRateSource>(kProbe, "fall_rate_source", "where a and b come from: probe_table, or wmo_c3 where that table departs from WMO code table C-3"),
      in<&O::probe, &O::Probe::maxDepthM>(kProbe, "max_depth_m", "the probe's rated maximum depth, metres"),
      in<&O::probe, &O::Probe::recorderCode>(kProbe, "recorder_code", "the recorder type (WMO code table 0 22 068)"),
      in<&O::probe, &O::Probe::recorderName>(kProbe, "recorder_name", "the recorder type's name"),
      in<&O::probe, &O::Probe::softwareVersion>(kProbe, "software_version", "the recorder's software version, such as 6.12"),
      in<&O::probe, &O::Probe::uniqueTag>(kProbe, "unique_tag", "the message's unique tag, eight hexadecimal digits"),
      in<&O::probe, &O::Probe::sequenceNumber>(kProbe, "sequence_number", "the message's sequence number (extended messages)"),
      in<&O::probe, &O::Probe::launchHeightM>(kProbe, "launch_height_m", "the launcher's height above the sea surface, metres (extended messages)"),
      in<&O::surface, &O::Surface::windInstrumentCode>(kSurface, "wind_instrument_code", "the wind instrument type (code)"),
      in<&O::surface, &O::Surface::windInstrumentName>(kSurface, "wind_instrument_name", "the wind instrument type's name"),
      in<&O::surface, &O::Surface::windDirectionDeg>(kSurface, "wind_direction_deg", "the direction the wind blows from, degrees"),
      in<&O::surface, &O::Surface::windSpeedMPerS>(kSurface, "wind_speed_m_s", "the wind speed, metres per second"),
      in<&O::surface, &O::Surface::airTemperatureC>(kSurface, "air_temperature_c", "the air (dry-bulb) temperature, degrees Celsius"),
      in<&O::surface, &O::Surface::currentMethodCode>(kSurface, "current_method_code", "the method of current measurement (code)"),
      in<&O::surface, &O::Surface::currentMethodName>(kSurface, "current_method_name", "the method of current measurement's name"),
      in<&O::surface, &O::Surface::currentDirectionDeg>(kSurface, "current_direction_deg", "the direction of the surface current, degrees"),
      in<&O::surface, &O::Surface::currentSpeedMPerS>(kSurface, "current_speed_m_s", "the speed of the surface current, metres per second"),
      top<&O::bottomDepthM>("bottom_depth_m", "the bottom depth, metres"),
      qcValue<&QcSummary::profileFlag>(kQc, "profile_flag", "the profile's flag: the worst of its time, its position and its samples below 3.6 m"),
      qcValue<&QcSummary::timeFlag>(kQc, "time_flag", "the time's flag"),
      qcValue<&QcSummary::positionFlag>(kQc, "position_flag", "the position's flag"),
      qcValue<&QcSummary::testsPerformed>(kQc, "tests_performed", "the bits of the tests that ran"),
      qcValue<&QcSummary::testsFailed>(kQc, "tests_failed", "the bits of the tests that flagged a value"),
      {&kQc, "failed_tests", FieldType::kTestNames, false, "the names of the tests that flagged a value, in the order of their bits",
       [](const O& o) { return o.qc ? FieldValue{true, o.qc->testsFailed, 0, {}} : FieldValue{}; },
       nullptr, nullptr, nullptr},
      named<ProfileLayout, &O::Profile::layout, layoutName>(kProfile, "layout", "how the message lays the profile out: full_resolution, two_meter or inflection_points",
          {ProfileLayout::kFullResolution, ProfileLayout::kTwoMeter, ProfileLayout::kInflectionPoints}),
      named<DepthSource, &O::Profile::depthSource, depthSourceName>(kProfile, "depth_source", "where the depths come from: message, or fall_rate (derived from the probe's fall rate); none when no sample has one",
          {DepthSource::kMessage, DepthSource::kFallRate}),
      {&kProfile, "sample_rate_hz", FieldType::kNumber, true, "full resolution: the samples per second that the derived depths assume",
       [](const O& o) {
         return o.profile.layout == ProfileLayout::kFullResolution ? FieldValue{true, 0, o.profile.sampleRateHz, {}} : FieldValue{};
       },
       [](O& o, const FieldValue& v) { if (v.present) o.profile.sampleRateHz = v.number; }, nullptr, nullptr},
      column(kProfile, "depth_m", "each sample's depth, metres (positive down)", &Sample::depthHundredths),
      column(kProfile, "temperature_c", "each sample's temperature, degrees Celsius (ITS-90)", &Sample::temperatureHundredths),
      flags(kProfile, "depth_qc", "each sample's depth flag", &Sample::depthQc),
      flags(kProfile, "temperature_qc", "each sample's temperature flag", &Sample::temperatureQc),
  };
  return fields;
}
// clang-format on

std::string dataFileText(std::string_view text) { return utf8Text(text); }

}  // namespace xbtconv
