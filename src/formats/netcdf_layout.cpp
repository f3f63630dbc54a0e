#include "formats/netcdf_layout.h"

#ifdef XBTCONV_HAVE_NETCDF

#include <algorithm>
#include <cstdio>
#include <functional>

#include "profile/text_encoding.h"
#include "profile/utc_time.h"
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

// ACDD's coverage_content_type.
constexpr const char* kCoordinate = "coordinate";
constexpr const char* kMeasurement = "physicalMeasurement";
constexpr const char* kAuxiliary = "auxiliaryInformation";
constexpr const char* kQuality = "qualityInformation";

const NetcdfFlags kKinds{{1, 2}, "standard extended"};
const NetcdfFlags kDecoded{{0, 1}, "stopped_early whole"};
const NetcdfFlags kLayouts{{0, 1, 2}, "full_resolution two_meter inflection_points"};
const NetcdfFlags kDepthSources{{0, 1}, "message fall_rate"};
const NetcdfFlags kQcFlags{{0, 1, 2, 3, 4, 5, 9},
                           "no_qc_performed good_data probably_good_data probably_bad_data "
                           "bad_data changed_value missing_value"};

// The tests as CF flag masks: one bit each, named as the JSON names them.
const NetcdfFlags& qcTestFlags() {
  static const NetcdfFlags flags = [] {
    NetcdfFlags made{{}, nullptr, true};
    static std::string meanings;
    for (const QcTest& test : qcTests()) {
      made.values.push_back(static_cast<int>(test.bit));
      meanings += (meanings.empty() ? "" : " ") + std::string(test.name);
    }
    made.meanings = meanings.c_str();
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

constexpr std::pair<double, double> kLatitudes{-90, 90};
constexpr std::pair<double, double> kLongitudes{-180, 180};
constexpr std::pair<double, double> kDirections{0, 360};

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

// clang-format off
const std::vector<ProfileVariable>& profileVariables() {
  static const std::vector<ProfileVariable> variables = {
      {"time", NC_DOUBLE, "time", "time of the drop", "seconds since 1970-01-01T00:00:00Z",
       kCoordinate, true, std::nullopt, nullptr,
       [](const Observation& o) { return number(o.time.utcSeconds); }},
      {"latitude", NC_DOUBLE, "latitude", "latitude of the drop", "degrees_north", kCoordinate,
       true, kLatitudes, nullptr, [](const Observation& o) { return number(o.latitude); }},
      {"longitude", NC_DOUBLE, "longitude", "longitude of the drop", "degrees_east", kCoordinate,
       true, kLongitudes, nullptr, [](const Observation& o) { return number(o.longitude); }},
      {"kind", NC_BYTE, "", "message kind", "", kAuxiliary, false, std::nullopt, &kKinds,
       [](const Observation& o) -> Number { return o.kind; }},
      {"decoded", NC_BYTE, "", "whether the whole message was decoded", "", kAuxiliary, false,
       std::nullopt, &kDecoded, [](const Observation& o) -> Number { return o.decoded ? 1 : 0; }},
      {"stop_bit", NC_DOUBLE, "", "bit at which a decode that failed stopped", "", kAuxiliary,
       true, std::nullopt, nullptr, [](const Observation& o) { return number(o.stopBit); }},
      {"year", NC_SHORT, "", "year as the message gives it", "", kAuxiliary, true, std::nullopt,
       nullptr, [](const Observation& o) { return number(o.time.year); }},
      {"month", NC_SHORT, "", "month as the message gives it", "", kAuxiliary, true,
       std::nullopt, nullptr, [](const Observation& o) { return number(o.time.month); }},
      {"day", NC_SHORT, "", "day as the message gives it", "", kAuxiliary, true, std::nullopt,
       nullptr, [](const Observation& o) { return number(o.time.day); }},
      {"hour", NC_SHORT, "", "hour as the message gives it", "", kAuxiliary, true, std::nullopt,
       nullptr, [](const Observation& o) { return number(o.time.hour); }},
      {"minute", NC_SHORT, "", "minute as the message gives it", "", kAuxiliary, true,
       std::nullopt, nullptr, [](const Observation& o) { return number(o.time.minute); }},
      {"imo_number", NC_INT, "", "IMO number of the ship", "", kAuxiliary, true, std::nullopt,
       nullptr, [](const Observation& o) { return number(o.ship.imoNumber); }},
      {"transect_number", NC_SHORT, "", "SOOP transect number", "", kAuxiliary, true,
       std::nullopt, nullptr, [](const Observation& o) { return number(o.ship.transectNumber); }},
      {"ship_heading", NC_SHORT, "platform_orientation", "ship's heading", "degree", kAuxiliary,
       true, kDirections, nullptr, [](const Observation& o) { return number(o.ship.headingDeg); }},
      {"ship_speed", NC_FLOAT, "platform_speed_wrt_ground", "ship's speed", "m s-1", kAuxiliary,
       true, std::nullopt, nullptr, [](const Observation& o) { return number(o.ship.speedMs); }},
      {"probe_code", NC_SHORT, "", "probe type (WMO code table 0 22 067)", "", kAuxiliary, true,
       std::nullopt, nullptr, [](const Observation& o) { return number(o.probe.code); }},
      {"probe_serial_number", NC_INT, "", "probe serial number", "", kAuxiliary, true,
       std::nullopt, nullptr, [](const Observation& o) { return number(o.probe.serialNumber); }},
      {"fall_rate_a", NC_DOUBLE, "", "fall-rate coefficient a of z = a t + b t^2", "m s-1",
       kAuxiliary, true, std::nullopt, nullptr,
       [](const Observation& o) { return number(o.probe.fallRateA); }},
      {"fall_rate_b", NC_DOUBLE, "", "fall-rate coefficient b of z = a t + b t^2", "m s-2",
       kAuxiliary, true, std::nullopt, nullptr,
       [](const Observation& o) { return number(o.probe.fallRateB); }},
      {"probe_max_depth", NC_INT, "", "probe's rated maximum depth", "m", kAuxiliary, true,
       std::nullopt, nullptr, [](const Observation& o) { return number(o.probe.maxDepthM); }},
      {"recorder_code", NC_SHORT, "", "recorder type (WMO code table 0 22 068)", "", kAuxiliary,
       true, std::nullopt, nullptr, [](const Observation& o) { return number(o.probe.recorderCode); }},
      {"sequence_number", NC_INT, "", "message sequence number", "", kAuxiliary, true,
       std::nullopt, nullptr, [](const Observation& o) { return number(o.probe.sequenceNumber); }},
      {"launch_height", NC_FLOAT, "", "height of the launcher above the sea surface", "m",
       kAuxiliary, true, std::nullopt, nullptr,
       [](const Observation& o) { return number(o.probe.launchHeightM); }},
      {"wind_instrument_code", NC_SHORT, "", "wind instrument type", "", kAuxiliary, true,
       std::nullopt, nullptr,
       [](const Observation& o) { return number(o.surface.windInstrumentCode); }},
      {"wind_from_direction", NC_SHORT, "wind_from_direction", "wind direction", "degree",
       kMeasurement, true, kDirections, nullptr,
       [](const Observation& o) { return number(o.surface.windDirectionDeg); }},
      {"wind_speed", NC_FLOAT, "wind_speed", "wind speed", "m s-1", kMeasurement, true,
       std::nullopt, nullptr, [](const Observation& o) { return number(o.surface.windSpeedMs); }},
      {"air_temperature", NC_FLOAT, "air_temperature", "air (dry-bulb) temperature",
       "degree_Celsius", kMeasurement, true, std::nullopt, nullptr,
       [](const Observation& o) { return number(o.surface.airTemperatureC); }},
      {"current_method_code", NC_SHORT, "", "method of current measurement", "", kAuxiliary,
       true, std::nullopt, nullptr,
       [](const Observation& o) { return number(o.surface.currentMethodCode); }},
      {"current_direction", NC_SHORT, "direction_of_sea_water_velocity",
       "direction of the surface current", "degree", kMeasurement, true, kDirections, nullptr,
       [](const Observation& o) { return number(o.surface.currentDirectionDeg); }},
      {"current_speed", NC_FLOAT, "sea_water_speed", "speed of the surface current", "m s-1",
       kMeasurement, true, std::nullopt, nullptr,
       [](const Observation& o) { return number(o.surface.currentSpeedMs); }},
      {"bottom_depth", NC_SHORT, "sea_floor_depth_below_sea_surface", "bottom depth", "m",
       kMeasurement, true, std::nullopt, nullptr,
       [](const Observation& o) { return number(o.bottomDepthM); }},
      {"sample_rate", NC_DOUBLE, "", "samples per second that full-resolution depths assume",
       "s-1", kAuxiliary, true, std::nullopt, nullptr, [](const Observation& o) -> Number {
         if (o.profile.layout != ProfileLayout::kFullResolution) return std::nullopt;
         return o.profile.sampleRateHz;
       }},
      {"profile_layout", NC_BYTE, "", "layout of the profile in the message", "", kAuxiliary,
       true, std::nullopt, &kLayouts, [](const Observation& o) -> Number {
         if (!o.profile.layout) return std::nullopt;
         return static_cast<double>(*o.profile.layout);
       }},
      {"depth_source", NC_BYTE, "", "where the depths come from", "", kAuxiliary, true,
       std::nullopt, &kDepthSources, [](const Observation& o) -> Number {
         if (!o.profile.depthSource) return std::nullopt;
         return static_cast<double>(*o.profile.depthSource);
       }},
      {"profile_qc", NC_BYTE, "status_flag",
       "quality of the profile: the worst flag of its time, position and samples below 3.6 m",
       "", kQuality, false, std::nullopt, &kQcFlags,
       [](const Observation& o) { return qcFlag(o, &QcSummary::profileFlag); }},
      {"time_qc", NC_BYTE, "status_flag", "quality of the time", "", kQuality, false,
       std::nullopt, &kQcFlags, [](const Observation& o) { return qcFlag(o, &QcSummary::timeFlag); }},
      {"position_qc", NC_BYTE, "status_flag", "quality of the position", "", kQuality, false,
       std::nullopt, &kQcFlags,
       [](const Observation& o) { return qcFlag(o, &QcSummary::positionFlag); }},
      {"qc_tests_performed", NC_INT, "", "quality control tests performed", "", kQuality, false,
       std::nullopt, &qcTestFlags(),
       [](const Observation& o) { return qcBits(o, &QcSummary::testsPerformed); }},
      {"qc_tests_failed", NC_INT, "", "quality control tests that flagged a value", "", kQuality,
       false, std::nullopt, &qcTestFlags(),
       [](const Observation& o) { return qcBits(o, &QcSummary::testsFailed); }},
  };
  return variables;
}

const std::vector<TextVariable>& textVariables() {
  static const std::vector<TextVariable> variables = {
      {"profile_id", "the profile's message file, as the path to it was given", kAuxiliary,
       [](const Observation&, const std::string& id) -> Text { return id; }},
      {"file_name", "name of the message file", kAuxiliary,
       [](const Observation& o, const std::string&) -> Text { return o.source; }},
      {"ship_name", "ship name", kAuxiliary,
       [](const Observation& o, const std::string&) { return o.ship.name; }},
      {"call_sign", "ship's call sign", kAuxiliary,
       [](const Observation& o, const std::string&) { return o.ship.callSign; }},
      {"soop_line", "SOOP line", kAuxiliary,
       [](const Observation& o, const std::string&) { return o.ship.soopLine; }},
      {"probe_name", "probe type", kAuxiliary,
       [](const Observation& o, const std::string&) { return o.probe.name; }},
      {"fall_rate_source", "where fall_rate_a and fall_rate_b come from: probe_table or wmo_c3",
       kAuxiliary, [](const Observation& o, const std::string&) { return o.probe.fallRateSource; }},
      {"recorder_name", "recorder type", kAuxiliary,
       [](const Observation& o, const std::string&) { return o.probe.recorderName; }},
      {"software_version", "recorder software version", kAuxiliary,
       [](const Observation& o, const std::string&) { return o.probe.softwareVersion; }},
      {"unique_tag", "unique tag of the message", kAuxiliary,
       [](const Observation& o, const std::string&) { return o.probe.uniqueTag; }},
      {"wind_instrument_name", "wind instrument type", kAuxiliary,
       [](const Observation& o, const std::string&) { return o.surface.windInstrumentName; }},
      {"current_method_name", "method of current measurement", kAuxiliary,
       [](const Observation& o, const std::string&) { return o.surface.currentMethodName; }},
  };
  return variables;
}
// clang-format on

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

void CollectionSummary::add(const Observation& o) {
  if (profiles_++ == 0) {
    firstSource_ = o.source;
    firstTag_ = o.probe.uniqueTag;
  }
  samples_ += o.profile.samples.size();
  const auto extend = [](auto& low, auto& high, const auto& value) {
    if (!value) return;
    low = low ? std::min(*low, *value) : *value;
    high = high ? std::max(*high, *value) : *value;
  };
  extend(latitudeMin_, latitudeMax_, o.latitude);
  extend(longitudeMin_, longitudeMax_, o.longitude);
  extend(timeMin_, timeMax_, o.time.utcSeconds);
  for (const Sample& sample : o.profile.samples) {
    extend(depthMin_, depthMax_, sample.depthHundredths);
  }
  qualityControlled_ = qualityControlled_ || o.qc.has_value();
  ships_.add(o.ship.name ? o.ship.name : o.ship.callSign);
  probes_.add(o.probe.name);
}

std::vector<CollectionSummary::Attribute> CollectionSummary::globalAttributes(
    const NetcdfOptions& options) const {
  const bool single = profiles_ == 1;
  std::vector<Attribute> attributes;
  const auto text = [&attributes](const char* name, std::string value) {
    attributes.push_back({name, std::move(value), std::nullopt});
  };
  const auto number = [&attributes](const char* name, double value) {
    attributes.push_back({name, "", value});
  };
  text("Conventions", "CF-1.8, ACDD-1.3");
  text("featureType", "profile");
  text("cdm_data_type", "Profile");
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
  text("product_version", XBTCONV_VERSION_TEXT);
  text("processing_level",
       qualityControlled_ ? "GTSPP automatic real-time quality control" : "no quality control");
  text("standard_name_vocabulary", "CF Standard Name Table v79");
  text("platform", ships_.text("ships", "ship"));
  text("instrument", probes_.text("probe types", "XBT"));
  if (latitudeMin_ && longitudeMin_) {
    number("geospatial_lat_min", *latitudeMin_);
    number("geospatial_lat_max", *latitudeMax_);
    text("geospatial_lat_units", "degrees_north");
    number("geospatial_lon_min", *longitudeMin_);
    number("geospatial_lon_max", *longitudeMax_);
    text("geospatial_lon_units", "degrees_east");
    const bool point = *latitudeMin_ == *latitudeMax_ && *longitudeMin_ == *longitudeMax_;
    const std::string south = decimal(*latitudeMin_);
    const std::string north = decimal(*latitudeMax_);
    const std::string west = decimal(*longitudeMin_);
    const std::string east = decimal(*longitudeMax_);
    // WKT in EPSG:4326's axis order, latitude first.
    text("geospatial_bounds", point ? "POINT (" + south + " " + west + ")"
                                    : "POLYGON ((" + south + " " + west + ", " + north + " " +
                                          west + ", " + north + " " + east + ", " + south + " " +
                                          east + ", " + south + " " + west + "))");
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
  }
  if (!options.dateCreated.empty()) text("date_created", options.dateCreated);
  // The writer's own attributes last, over any of the same name.
  for (const auto& [name, value] : options.attributes) {
    const auto same = std::find_if(attributes.begin(), attributes.end(),
                                   [&name = name](const Attribute& a) { return a.name == name; });
    if (same != attributes.end()) attributes.erase(same);
    attributes.push_back({name, value, std::nullopt});
  }
  return attributes;
}

}  // namespace xbtconv

#endif  // XBTCONV_HAVE_NETCDF
