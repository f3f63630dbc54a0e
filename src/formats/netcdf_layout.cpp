#include "formats/netcdf_layout.h"

#include "formats/incompleteness.h"

#ifdef XBTCONV_HAVE_NETCDF

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <span>

#include "descriptors/code_tables.h"
#include "descriptors/probe_type_descriptor.h"
#include "profile/surface_ranges.h"
#include "profile/text_encoding.h"
#include "profile/utc_time.h"
#include "profile/wmo_fall_rates.h"
#include "xbtconv/qc.h"
#include "xbtconv/version.h"

namespace xbtconv {
namespace {

using Number = std::optional<double>;
using Text = std::optional<std::string>;

template <typename T>
Number number(const std::optional<T>& value) {
  if (!value) return std::nullopt;
  return static_cast<double>(*value);
}

template <typename T>
Text decimalText(const std::optional<T>& value) {
  if (!value) return std::nullopt;
  return std::to_string(*value);
}

// A time or position quality control found impossible is written as none.
bool impossible(const Observation& o, std::uint8_t QcSummary::*flag) {
  return o.qc && (*o.qc).*flag == kQcBad;
}

Number usableTime(const Observation& o) {
  if (impossible(o, &QcSummary::timeFlag)) return std::nullopt;
  return number(o.time.utcSeconds);
}

// A position off the globe is written as none; one on land as it came,
// with its flag 4.
Number usableLatitude(const Observation& o) {
  if (positionOffTheGlobe(o)) return std::nullopt;
  return o.latitude;
}

Number usableLongitude(const Observation& o) {
  if (positionOffTheGlobe(o)) return std::nullopt;
  return o.longitude;
}

// The five date and time fields as sent, "2026-03-14 06:05", with "--" for
// a field that is absent.
Text timeFields(const Observation& o) {
  const Observation::Time& t = o.time;
  if (!t.year && !t.month && !t.day && !t.hour && !t.minute) return std::nullopt;
  const auto field = [](const std::optional<int>& value, int width) {
    if (!value) return std::string(static_cast<std::size_t>(width), '-');
    char text[16];
    std::snprintf(text, sizeof text, "%0*d", width, *value);
    return std::string(text);
  };
  return field(t.year, 4) + "-" + field(t.month, 2) + "-" + field(t.day, 2) + " " +
         field(t.hour, 2) + ":" + field(t.minute, 2);
}

// ACDD's coverage_content_type.
constexpr const char* kCoordinate = "coordinate";
constexpr const char* kMeasurement = "physicalMeasurement";
constexpr const char* kAuxiliary = "auxiliaryInformation";
constexpr const char* kQuality = "qualityInformation";

// A meaning as CF's flag_meanings words may spell it: letters, digits and
// _-.+@, other characters as underscores.
std::string flagWord(const std::string& text) {
  std::string word;
  for (const char c : text) {
    const bool allowed = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                         (c >= 'a' && c <= 'z') ||
                         std::string_view("_-.+@").find(c) != std::string_view::npos;
    if (allowed) {
      word += c;
    } else if (!word.empty() && word.back() != '_') {
      word += '_';
    }
  }
  while (!word.empty() && word.back() == '_') word.pop_back();
  return word;
}

// A code table as flag values and meanings; a name that two codes share is
// told apart by its code.
NetcdfFlags codeFlags(const std::map<int, std::string>& names) {
  std::map<std::string, int> uses;
  for (const auto& [code, name] : names) ++uses[flagWord(name)];
  NetcdfFlags flags;
  for (const auto& [code, name] : names) {
    std::string word = flagWord(name);
    if (uses[word] > 1) word += "_code_" + std::to_string(code);
    flags.values.push_back(code);
    flags.meanings += (flags.meanings.empty() ? "" : " ") + word;
  }
  return flags;
}

NetcdfFlags codeFlags(std::span<const CodeEntry> entries) {
  std::map<int, std::string> names;
  for (const CodeEntry& entry : entries) names.emplace(entry.code, entry.meaning);
  return codeFlags(names);
}

// The probe types the data name: the reports' table, and the probes C-3
// adds to it.
const NetcdfFlags& probeCodes() {
  static const NetcdfFlags flags = [] {
    std::map<int, std::string> names;
    for (const ProbeTypeEntry& row : ProbeTypeDescriptor::rows()) {
      names.emplace(row.code, row.probeName);
    }
    for (const WmoFallRate& row : wmoFallRates()) {
      if (row.name != nullptr) names.emplace(row.code, row.name);
    }
    return codeFlags(names);
  }();
  return flags;
}

const NetcdfFlags& recorderCodes() {
  static const NetcdfFlags flags = codeFlags(codetables::buildRecorderTypeDescriptor().builtIn());
  return flags;
}

const NetcdfFlags& windInstrumentCodes() {
  static const NetcdfFlags flags = codeFlags(codetables::buildWindInstrumentDescriptor().builtIn());
  return flags;
}

const NetcdfFlags& currentMethodCodes() {
  static const NetcdfFlags flags = codeFlags(codetables::buildCurrentMethodDescriptor().builtIn());
  return flags;
}

const NetcdfFlags kKinds{{1, 2}, "standard extended"};
const NetcdfFlags kDecoded{{0, 1}, "stopped_early whole"};
const NetcdfFlags kLayouts{{0, 1, 2}, "full_resolution two_meter inflection_points"};
const NetcdfFlags kDepthSources{{0, 1}, "message fall_rate"};

// The tests as CF flag masks: one bit each, named as the JSON names them.
const NetcdfFlags& qcTestFlags() {
  static const NetcdfFlags flags = [] {
    NetcdfFlags made{{}, "", true};
    for (const QcTest& test : qcTests()) {
      made.values.push_back(static_cast<int>(test.bit));
      if (!made.meanings.empty()) made.meanings += ' ';
      made.meanings += test.name;
    }
    return made;
  }();
  return flags;
}

Number qcFlag(const Observation& o, std::uint8_t QcSummary::*member) {
  return o.qc ? (*o.qc).*member : kQcNotDone;
}

Number qcBits(const Observation& o, std::uint32_t QcSummary::*member) {
  return o.qc ? (*o.qc).*member : 0;
}

// CF cell_methods: a value at the instant and place of the drop, or a mean
// over a time the message does not give (a wind, a current by set and
// drift).
constexpr const char* kPoint = "time: point latitude: point longitude: point";
constexpr const char* kMean = "time: mean";

constexpr std::pair<double, double> kLatitudes{-90, 90};
constexpr std::pair<double, double> kLongitudes{-180, 180};
constexpr std::pair<double, double> kDirections{0, kMostDegrees};
constexpr std::pair<double, double> kFlagScale{0, 9};

// Only printable characters: a name from a corrupt transmission may hold
// control characters, which have no place in a file's description.
std::string printable(const std::string& text) {
  std::string clean;
  for (const char c : utf8Text(text)) {
    if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) clean += c;
  }
  const std::size_t first = clean.find_first_not_of(' ');
  const std::size_t last = clean.find_last_not_of(' ');
  return first == std::string::npos ? std::string() : clean.substr(first, last - first + 1);
}

std::string decimal(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.5f", value);
  std::string s = text;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

}  // namespace

const NetcdfFlags& qcFlagScale() {
  static const NetcdfFlags flags{{0, 1, 2, 3, 4, 5, 9},
                                 "no_qc_performed good_data probably_good_data probably_bad_data "
                                 "bad_data changed_value missing_value"};
  return flags;
}

// clang-format off
const std::vector<ProfileVariable>& profileVariables() {
  static const std::vector<ProfileVariable> variables = {
      {.name = "time", .standardName = "time", .longName = "time of the drop",
       .units = "seconds since 1970-01-01T00:00:00Z", .content = kCoordinate,
       .ancillary = "time_qc", .value = usableTime},
      {.name = "latitude", .standardName = "latitude", .longName = "latitude of the drop",
       .units = "degrees_north", .content = kCoordinate, .validRange = kLatitudes,
       .ancillary = "position_qc", .value = usableLatitude},
      {.name = "longitude", .standardName = "longitude", .longName = "longitude of the drop",
       .units = "degrees_east", .content = kCoordinate, .validRange = kLongitudes,
       .ancillary = "position_qc", .value = usableLongitude},
      {.name = "kind", .type = NC_BYTE, .longName = "message kind", .content = kAuxiliary,
       .fillable = false, .validRange = std::pair{1, 2}, .flags = &kKinds,
       .value = [](const Observation& o) -> Number { return o.kind; }},
      {.name = "decoded", .type = NC_BYTE, .standardName = "status_flag",
       .longName = "whether the whole message was decoded", .content = kAuxiliary,
       .fillable = false, .validRange = std::pair{0, 1}, .flags = &kDecoded,
       .value = [](const Observation& o) -> Number { return o.decoded ? 1 : 0; }},
      {.name = "ship_heading", .type = NC_SHORT, .standardName = "platform_orientation",
       .longName = "ship's heading", .units = "degree", .content = kMeasurement,
       .validRange = kDirections, .ancillary = "platform",
       .element = "0 01 012", .cellMethods = kPoint, .profileCoordinate = true,
       .value = [](const Observation& o) { return number(o.ship.headingDeg); }},
      {.name = "ship_speed", .type = NC_FLOAT, .standardName = "platform_speed_wrt_ground",
       .longName = "ship's speed", .units = "m s-1", .content = kMeasurement,
       .validRange = std::pair{0.0, kFastestShip}, .ancillary = "platform",
       .element = "0 01 013", .cellMethods = kPoint, .profileCoordinate = true,
       .value = [](const Observation& o) { return number(o.ship.speedMPerS); }},
      {.name = "probe_code", .type = NC_SHORT, .longName = "probe type",
       .content = kAuxiliary, .validRange = std::pair{0, 1022}, .flags = &probeCodes(),
       .references = "WMO Manual on Codes (WMO-No. 306), common code table C-3",
       .value = [](const Observation& o) { return number(o.probe.code); }},
      {.name = "recorder_code", .type = NC_SHORT, .longName = "recorder type",
       .content = kAuxiliary, .validRange = std::pair{0, 126}, .flags = &recorderCodes(),
       .references = "WMO Manual on Codes (WMO-No. 306), common code table C-4",
       .value = [](const Observation& o) { return number(o.probe.recorderCode); }},
      {.name = "fall_rate_a", .longName = "fall-rate coefficient a of z = a t + b t^2",
       .units = "m s-1", .content = kAuxiliary, .profileCoordinate = true,
       .value = [](const Observation& o) { return o.probe.fallRateA; }},
      {.name = "fall_rate_b", .longName = "fall-rate coefficient b of z = a t + b t^2",
       .units = "m s-2", .content = kAuxiliary, .profileCoordinate = true,
       .value = [](const Observation& o) { return o.probe.fallRateB; }},
      {.name = "probe_max_depth", .type = NC_SHORT, .longName = "probe's rated maximum depth",
       .units = "m", .content = kAuxiliary, .profileCoordinate = true,
       .value = [](const Observation& o) { return number(o.probe.maxDepthM); }},
      {.name = "launch_height", .type = NC_FLOAT,
       .longName = "height of the launcher above the sea surface", .units = "m",
       .content = kAuxiliary, .profileCoordinate = true,
       .value = [](const Observation& o) { return o.probe.launchHeightM; }},
      {.name = "wind_instrument_code", .type = NC_SHORT, .longName = "wind instrument type",
       .content = kAuxiliary, .validRange = std::pair{0, 14}, .flags = &windInstrumentCodes(),
       .value = [](const Observation& o) { return number(o.surface.windInstrumentCode); }},
      {.name = "wind_from_direction", .type = NC_SHORT, .standardName = "wind_from_direction",
       .longName = "wind direction", .units = "degree", .content = kMeasurement,
       .validRange = kDirections, .instrument = "wind_instrument_code",
       .ancillary = "wind_instrument_code",
       .element = "0 11 001", .cellMethods = kMean, .profileCoordinate = true,
       .value = [](const Observation& o) { return number(o.surface.windDirectionDeg); }},
      {.name = "wind_speed", .type = NC_FLOAT, .standardName = "wind_speed",
       .longName = "wind speed", .units = "m s-1", .content = kMeasurement,
       .validRange = std::pair{0.0, kFastestWind}, .instrument = "wind_instrument_code",
       .ancillary = "wind_instrument_code",
       .element = "0 11 002", .cellMethods = kMean, .profileCoordinate = true,
       .value = [](const Observation& o) { return number(o.surface.windSpeedMPerS); }},
      {.name = "air_temperature", .type = NC_FLOAT, .standardName = "air_temperature",
       .longName = "air (dry-bulb) temperature", .units = "degree_Celsius",
       .content = kMeasurement, .validRange = std::pair{kColdestAir, kHottestAir},
       .ancillary = "platform",
       .element = "0 12 004", .cellMethods = kPoint, .profileCoordinate = true,
       .value = [](const Observation& o) { return number(o.surface.airTemperatureC); }},
      {.name = "current_method_code", .type = NC_SHORT,
       .longName = "method of current measurement", .content = kAuxiliary,
       .validRange = std::pair{0, 6}, .flags = &currentMethodCodes(),
       .references = "WMO Manual on Codes (WMO-No. 306), BUFR code table 0 02 030 (codes 1 "
                     "to 5)",
       .value = [](const Observation& o) { return number(o.surface.currentMethodCode); }},
      {.name = "current_direction", .type = NC_SHORT,
       .standardName = "direction_of_sea_water_velocity",
       .longName = "direction of the surface current", .units = "degree",
       .content = kMeasurement, .validRange = kDirections, .instrument = "current_method_code",
       .ancillary = "current_method_code",
       .element = "0 22 004", .cellMethods = kMean, .profileCoordinate = true,
       .value = [](const Observation& o) { return number(o.surface.currentDirectionDeg); }},
      {.name = "current_speed", .type = NC_FLOAT, .standardName = "sea_water_speed",
       .longName = "speed of the surface current", .units = "m s-1", .content = kMeasurement,
       .validRange = std::pair{0.0, kFastestCurrent}, .instrument = "current_method_code",
       .ancillary = "current_method_code",
       .element = "0 22 031", .cellMethods = kMean, .profileCoordinate = true,
       .value = [](const Observation& o) { return number(o.surface.currentSpeedMPerS); }},
      {.name = "bottom_depth", .type = NC_SHORT,
       .standardName = "sea_floor_depth_below_sea_surface", .longName = "bottom depth",
       .units = "m", .content = kMeasurement, .validRange = std::pair{0, 16382},
       .ancillary = "platform",
       .element = "0 22 063", .cellMethods = kPoint, .profileCoordinate = true,
       .value = [](const Observation& o) { return number(o.bottomDepthM); }},
      {.name = "profile_layout", .type = NC_BYTE,
       .longName = "layout of the profile in the message", .content = kAuxiliary,
       .validRange = std::pair{0, 2}, .flags = &kLayouts,
       .value = [](const Observation& o) -> Number {
         if (!o.profile.layout) return std::nullopt;
         return static_cast<double>(*o.profile.layout);
       }},
      {.name = "depth_source", .type = NC_BYTE, .longName = "where the depths come from",
       .content = kAuxiliary, .validRange = std::pair{0, 1}, .flags = &kDepthSources,
       .value = [](const Observation& o) -> Number {
         if (!o.profile.depthSource) return std::nullopt;
         return static_cast<double>(*o.profile.depthSource);
       }},
      {.name = "sample_rate", .longName = "samples per second that full-resolution depths assume",
       .units = "s-1", .content = kAuxiliary, .profileCoordinate = true,
       .value = [](const Observation& o) -> Number {
         if (o.profile.layout != ProfileLayout::kFullResolution) return std::nullopt;
         return o.profile.sampleRateHz;
       }},
      {.name = "profile_qc", .type = NC_BYTE, .standardName = "status_flag",
       .longName = "quality of the profile: the worst flag of its time, position and samples "
                   "below 3.6 m",
       .content = kQuality, .fillable = false, .validRange = kFlagScale,
       .flags = &qcFlagScale(), .references = kGtsppQcManual,
       .value = [](const Observation& o) { return qcFlag(o, &QcSummary::profileFlag); }},
      {.name = "time_qc", .type = NC_BYTE, .standardName = "time status_flag",
       .longName = "quality of the time", .content = kQuality, .fillable = false,
       .validRange = kFlagScale, .flags = &qcFlagScale(), .references = kGtsppQcManual,
       .value = [](const Observation& o) { return qcFlag(o, &QcSummary::timeFlag); }},
      {.name = "position_qc", .type = NC_BYTE, .standardName = "status_flag",
       .longName = "quality of the position", .content = kQuality, .fillable = false,
       .validRange = kFlagScale, .flags = &qcFlagScale(), .references = kGtsppQcManual,
       .value = [](const Observation& o) { return qcFlag(o, &QcSummary::positionFlag); }},
      {.name = "qc_tests_performed", .type = NC_INT, .standardName = "status_flag",
       .longName = "quality control tests performed", .content = kQuality, .fillable = false,
       .flags = &qcTestFlags(), .references = kGtsppQcManual,
       .value = [](const Observation& o) { return qcBits(o, &QcSummary::testsPerformed); }},
      {.name = "qc_tests_failed", .type = NC_INT, .standardName = "status_flag",
       .longName = "quality control tests that flagged a value", .content = kQuality,
       .fillable = false, .flags = &qcTestFlags(), .references = kGtsppQcManual,
       .value = [](const Observation& o) { return qcBits(o, &QcSummary::testsFailed); }},
  };
  return variables;
}

const std::vector<TextVariable>& textVariables() {
  static const std::vector<TextVariable> variables = {
      {"profile_id", "the profile's message file, by its path below the folder of the run",
       [](const Observation&, const std::string& id) -> Text { return id; }},
      {"file_name", "name of the message file",
       [](const Observation& o, const std::string&) -> Text { return o.source; }},
      {"time_fields", "date and time fields as the message gives them (year-month-day "
       "hour:minute, -- where one is absent)",
       [](const Observation& o, const std::string&) { return timeFields(o); }},
      {"stop_bit", "bit at which a decode that failed stopped",
       [](const Observation& o, const std::string&) { return decimalText(o.stopBit); }},
      {"ship_name", "ship name",
       [](const Observation& o, const std::string&) { return o.ship.name; }},
      {"call_sign", "ship's call sign",
       [](const Observation& o, const std::string&) { return o.ship.callSign; }},
      {"imo_number", "IMO number of the ship",
       [](const Observation& o, const std::string&) { return decimalText(o.ship.imoNumber); }},
      {"soop_line", "SOOP line",
       [](const Observation& o, const std::string&) { return o.ship.soopLine; }},
      {"transect_number", "SOOP transect number", [](const Observation& o, const std::string&) {
         return decimalText(o.ship.transectNumber);
       }},
      {"probe_name", "probe type",
       [](const Observation& o, const std::string&) { return o.probe.name; }},
      {"probe_serial_number", "probe serial number",
       [](const Observation& o, const std::string&) { return decimalText(o.probe.serialNumber); }},
      {"fall_rate_source", "where fall_rate_a and fall_rate_b come from: probe_table or wmo_c3",
       [](const Observation& o, const std::string&) { return o.probe.fallRateSource; }},
      {"recorder_name", "recorder type",
       [](const Observation& o, const std::string&) { return o.probe.recorderName; }},
      {"software_version", "recorder software version",
       [](const Observation& o, const std::string&) { return o.probe.softwareVersion; }},
      {"unique_tag", "unique tag of the message",
       [](const Observation& o, const std::string&) { return o.probe.uniqueTag; }},
      {"sequence_number", "message sequence number", [](const Observation& o, const std::string&) {
         return decimalText(o.probe.sequenceNumber);
       }},
      {"wind_instrument_name", "wind instrument type",
       [](const Observation& o, const std::string&) { return o.surface.windInstrumentName; }},
      {"current_method_name", "method of current measurement",
       [](const Observation& o, const std::string&) { return o.surface.currentMethodName; }},
  };
  return variables;
}
// clang-format on

bool isMeasurement(const ProfileVariable& variable) {
  return std::string_view(variable.content) == kMeasurement;
}

double fillValueOf(nc_type type) {
  switch (type) {
    case NC_BYTE:
      return NC_FILL_BYTE;
    case NC_SHORT:
      return NC_FILL_SHORT;
    case NC_INT:
      return NC_FILL_INT;
    case NC_FLOAT:
      return kNetcdfFillFloat;
    default:
      return NC_FILL_DOUBLE;
  }
}

double valueOrFill(const ProfileVariable& variable, const Observation& observation) {
  const Number value = variable.value(observation);
  return value ? *value : fillValueOf(variable.type);
}

void CollectionSummary::Names::add(const std::optional<std::string>& name) {
  if (!name) return;
  const std::string clean = printable(*name);
  if (clean.empty() || !seen.insert(std::hash<std::string>()(clean)).second) return;
  if (first.size() < 5) first.push_back(clean);
}

std::string CollectionSummary::Names::text(const char* many, const char* none) const {
  if (seen.empty()) return none;
  if (seen.size() > first.size()) return std::to_string(seen.size()) + " " + many;
  std::string joined;
  for (const std::string& name : first) joined += (joined.empty() ? "" : ", ") + name;
  return joined;
}

void CollectionSummary::Shared::add(std::size_t profile, const std::optional<std::string>& seen) {
  const std::optional<std::string> clean = seen ? std::optional(printable(*seen)) : std::nullopt;
  if (profile == 0) {
    value = clean;
  } else if (clean != value) {
    differs = true;
  }
}

std::optional<std::string> CollectionSummary::Shared::get() const {
  if (differs || !value || value->empty()) return std::nullopt;
  return value;
}

void CollectionSummary::add(const Observation& o) {
  const std::size_t profile = profiles_++;
  if (profile == 0) {
    firstSource_ = o.source;
    firstTag_ = o.probe.uniqueTag;
  }
  samples_ += o.profile.samples.size();
  longest_ = std::max(longest_, o.profile.samples.size());
  const auto extend = [](auto& low, auto& high, const auto& value) {
    if (!value) return;
    low = low ? std::min(*low, *value) : *value;
    high = high ? std::max(*high, *value) : *value;
  };
  // Coverage is the coverage of the values a reader takes as valid: no
  // time or position quality control condemned, no depth outside the
  // depth's valid range.
  extend(latitudeMin_, latitudeMax_, usableLatitude(o));
  extend(longitudeMin_, longitudeMax_, usableLongitude(o));
  if (usableTime(o)) extend(timeMin_, timeMax_, o.time.utcSeconds);
  for (const Sample& sample : o.profile.samples) {
    if (sample.depthHundredths && *sample.depthHundredths >= kDepthRange.first * 100 &&
        *sample.depthHundredths <= kDepthRange.second * 100) {
      extend(depthMin_, depthMax_, sample.depthHundredths);
    }
  }
  qualityControlled_ = qualityControlled_ || o.qc.has_value();
  ships_.add(o.ship.name ? o.ship.name : o.ship.callSign);
  probes_.add(o.probe.name);
  callSign_.add(profile, o.ship.callSign);
  imoNumber_.add(profile, decimalText(o.ship.imoNumber));
  probeName_.add(profile, o.probe.name);
  probeCode_.add(profile, decimalText(o.probe.code));
  serialNumber_.add(profile, decimalText(o.probe.serialNumber));
  recorderName_.add(profile, o.probe.recorderName);
  recorderCode_.add(profile, decimalText(o.probe.recorderCode));
}

std::vector<CollectionSummary::Attribute> CollectionSummary::globalAttributes(
    const NetcdfOptions& options) const {
  const bool single = profiles_ == 1;
  const bool ragged = options.layout == NetcdfLayout::kContiguousRagged;
  std::vector<Attribute> attributes;
  const auto text = [&attributes](const char* name, std::string value) {
    attributes.push_back({name, std::move(value), std::nullopt});
  };
  const auto number = [&attributes](const char* name, double value) {
    attributes.push_back({name, "", value});
  };
  // NCEI's templates name CF-1.6, which these files follow as well.
  text("Conventions", "CF-1.8, ACDD-1.3, CF-1.6");
  text("featureType", "profile");
  // NCEI's profile template and ACDD's (THREDDS) vocabulary: a profile is
  // a station's data.
  text("cdm_data_type", "Station");
  text("ncei_template_version", "NCEI_NetCDF_Profile_Incomplete_Template_v2.0");
  text("title", single ? "XBT temperature profile" : "XBT temperature profiles");
  text("summary",
       (single ? std::string("A sea water temperature profile")
               : std::to_string(profiles_) + " sea water temperature profiles") +
           " measured by ship-launched expendable bathythermographs (XBT), as the ships' "
           "messages sent them" +
           (qualityControlled_ ? ", with GTSPP real-time quality flags." : "."));
  text("keywords", "EARTH SCIENCE > OCEANS > OCEAN TEMPERATURE > WATER TEMPERATURE");
  text("keywords_vocabulary", "GCMD:GCMD Keywords");
  // The file's identity: the writer's, or its one message's tag (or name).
  std::string id = options.id;
  if (id.empty()) id = firstTag_ ? "XBT-" + *firstTag_ : firstSource_;
  text("id", printable(id));
  text("naming_authority", "xbtconv");
  text("source", single ? "XBT message " + printable(firstSource_)
                        : std::to_string(profiles_) + " XBT messages");
  text("history", options.history);
  text("comment",
       ragged ? "The profiles form a contiguous ragged array: profile i's samples are the obs "
                "entries sum(row_size[:i]) to sum(row_size[:i+1]) - 1."
              : "The profiles form an incomplete multidimensional array: profile i's samples "
                "are its first levels along z, the levels after them fill values (-127 in "
                "the quality flags).");
  text("references",
       "WMO Manual on Codes (WMO-No. 306), common code tables C-3 and C-4; IOC Manuals and "
       "Guides 22, GTSPP Real-Time Quality Control Manual");
  text("product_version", XBTCONV_VERSION_TEXT);
  text("processing_level",
       qualityControlled_ ? "GTSPP automatic real-time quality control" : "no quality control");
  text("standard_name_vocabulary", "CF Standard Name Table v79");
  text("platform", "In Situ Ocean-based Platforms > SHIPS");
  text("platform_vocabulary", "GCMD Platform Keywords");
  text("instrument",
       "In Situ/Laboratory Instruments > Profilers/Sounders > Bathythermographs > XBT");
  text("instrument_vocabulary", "GCMD Instrument Keywords");
  // The ships made the observations: ISO 19115's originators.
  if (ships_.listed()) {
    text("contributor_name", ships_.text("", ""));
    std::string roles = "originator";
    for (std::size_t i = 1; i < ships_.first.size(); ++i) roles += ", originator";
    text("contributor_role", roles);
  }
  if (latitudeMin_) {
    number("geospatial_lat_min", *latitudeMin_);
    number("geospatial_lat_max", *latitudeMax_);
    text("geospatial_lat_units", "degrees_north");
  }
  if (longitudeMin_) {
    number("geospatial_lon_min", *longitudeMin_);
    number("geospatial_lon_max", *longitudeMax_);
    text("geospatial_lon_units", "degrees_east");
  }
  if (latitudeMin_ && longitudeMin_) {
    const std::string south = decimal(*latitudeMin_);
    const std::string north = decimal(*latitudeMax_);
    const std::string west = decimal(*longitudeMin_);
    const std::string east = decimal(*longitudeMax_);
    // WKT in EPSG:4326's axis order, latitude first: a point, a line where
    // every drop shares a latitude or a longitude, else the box.
    std::string bounds;
    if (south == north && west == east) {
      bounds = "POINT (" + south + " " + west + ")";
    } else if (south == north || west == east) {
      bounds = "LINESTRING (" + south + " " + west + ", " + north + " " + east + ")";
    } else {
      bounds = "POLYGON ((" + south + " " + west + ", " + north + " " + west + ", " + north + " " +
               east + ", " + south + " " + east + ", " + south + " " + west + "))";
    }
    text("geospatial_bounds", bounds);
    text("geospatial_bounds_crs", "EPSG:4326");
  }
  if (depthMin_) {
    number("geospatial_vertical_min", *depthMin_ / 100.0);
    number("geospatial_vertical_max", *depthMax_ / 100.0);
    text("geospatial_vertical_units", "m");
    text("geospatial_vertical_positive", "down");
    text("geospatial_bounds_vertical_crs", "EPSG:5831");
  }
  if (timeMin_) {
    text("time_coverage_start", isoTime(*timeMin_));
    text("time_coverage_end", isoTime(*timeMax_));
    text("time_coverage_duration", "PT" + std::to_string(*timeMax_ - *timeMin_) + "S");
    // The messages give their times to the minute.
    text("time_coverage_resolution", "PT1M");
  }
  // Drops at scattered places and depths: no grid.
  for (const char* axis : {"geospatial_lat_resolution", "geospatial_lon_resolution",
                           "geospatial_vertical_resolution"}) {
    text(axis, "point");
  }
  if (!options.dateCreated.empty()) {
    // A file is written whole, its data and metadata at once.
    for (const char* date : {"date_created", "date_modified", "date_metadata_modified"}) {
      text(date, options.dateCreated);
    }
  }
  // The writer's own attributes last, over any of the same name.
  for (const auto& [name, value] : options.attributes) {
    const auto same = std::find_if(attributes.begin(), attributes.end(),
                                   [&name = name](const Attribute& a) { return a.name == name; });
    if (same != attributes.end()) attributes.erase(same);
    attributes.push_back({name, value, std::nullopt});
  }
  return attributes;
}

std::vector<CollectionSummary::Attribute> CollectionSummary::platformAttributes() const {
  std::vector<Attribute> attributes{
      {"long_name", ships_.text("ships", "ship"), std::nullopt},
      {"comment",
       "The ships that launched the probes; ship_name, call_sign and imo_number give each "
       "profile's.",
       std::nullopt}};
  if (const auto callSign = callSign_.get()) attributes.push_back({"call_sign", *callSign, {}});
  if (const auto imo = imoNumber_.get()) attributes.push_back({"imo_code", *imo, {}});
  return attributes;
}

std::vector<CollectionSummary::Attribute> CollectionSummary::instrumentAttributes() const {
  std::vector<Attribute> attributes{
      {"long_name", probes_.text("probe types", "XBT"), std::nullopt},
      {"comment",
       "The expendable probes and their recorders; probe_code, probe_name, "
       "probe_serial_number, fall_rate_a, fall_rate_b, recorder_code, recorder_name and "
       "software_version give each profile's.",
       std::nullopt}};
  if (const auto name = probeName_.get()) attributes.push_back({"make_model", *name, {}});
  if (const auto serial = serialNumber_.get()) attributes.push_back({"serial_number", *serial, {}});
  if (const auto code = probeCode_.get()) attributes.push_back({"probe_code", *code, {}});
  if (const auto name = recorderName_.get()) attributes.push_back({"recorder", *name, {}});
  if (const auto code = recorderCode_.get()) attributes.push_back({"recorder_code", *code, {}});
  return attributes;
}

}  // namespace xbtconv

#endif  // XBTCONV_HAVE_NETCDF
