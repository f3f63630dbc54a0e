#include "formats/bufr_export.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "formats/bit_writer.h"
#include "formats/bufr_code_tables.h"
#include "formats/incompleteness.h"

namespace xbtconv {
namespace {

// An element descriptor of the template as WMO's Table B gives it. Texts
// (CCITT IA5) have `width` / 8 characters.
struct Element {
  const char* name;
  int width;
  int scale;
  std::int32_t reference;
};

constexpr Element kUniqueIdentifier{"unique identifier for the profile", 64, 0, 0};
constexpr Element kCallSign{"ship identifier", 72, 0, 0};
constexpr Element kImoNumber{"IMO number", 24, 0, 0};
constexpr Element kPlatformIdentifier{"marine observing platform identifier", 23, 0, 0};
constexpr Element kShipName{"long station name", 256, 0, 0};
constexpr Element kSoopLine{"SOOP line", 32, 0, 0};
constexpr Element kTransect{"SOOP transect number", 7, 0, 0};
constexpr Element kAgency{"agency", 20, 0, 0};
constexpr Element kShipSpeed{"ship speed", 10, 0, 0};
constexpr Element kShipDirection{"ship direction", 9, 0, 0};
constexpr Element kYear{"year", 12, 0, 0};
constexpr Element kMonth{"month", 4, 0, 0};
constexpr Element kDay{"day", 6, 0, 0};
constexpr Element kHour{"hour", 5, 0, 0};
constexpr Element kMinute{"minute", 6, 0, 0};
constexpr Element kLatitude{"latitude", 25, 5, -9000000};
constexpr Element kLongitude{"longitude", 26, 5, -18000000};
constexpr Element kSensorHeightAboveDeck{"sensor height above deck", 16, 2, 0};
constexpr Element kSensorHeightAboveWater{"sensor height above water", 12, 1, 0};
constexpr Element kWindInstrument{"wind instrument", 4, 0, 0};
constexpr Element kWindSpeed{"wind speed", 12, 1, 0};
constexpr Element kWindDirection{"wind direction", 9, 0, 0};
constexpr Element kAirTemperature{"air temperature", 16, 2, 0};
constexpr Element kDewpoint{"dewpoint", 16, 2, 0};
constexpr Element kWaveDirection{"wave direction", 9, 0, 0};
constexpr Element kWavePeriod{"wave period", 6, 0, 0};
constexpr Element kWaveHeight{"wave height", 10, 1, 0};
constexpr Element kCurrentDuration{"current measurement duration", 5, 0, 0};
constexpr Element kCurrentMethod{"current method", 3, 0, 0};
constexpr Element kCurrentDirection{"current direction", 9, 0, 0};
constexpr Element kCurrentSpeed{"current speed", 13, 2, 0};
constexpr Element kTotalWaterDepth{"total water depth", 14, 0, 0};
constexpr Element kQualifier{"GTSPP flag qualifier", 6, 0, 0};
constexpr Element kQualityFlag{"GTSPP quality flag", 4, 0, 0};
constexpr Element kLauncherType{"XBT launcher type", 8, 0, 0};
constexpr Element kLauncherHeight{"XBT launcher height", 6, 0, 0};
constexpr Element kProbeType{"probe type", 10, 0, 0};
constexpr Element kDataSignificance{"data significance", 5, 0, 0};
constexpr Element kRecorderType{"recorder type", 7, 0, 0};
constexpr Element kSoftwareVersion{"software version", 96, 0, 0};
constexpr Element kSerialNumber{"probe serial number", 64, 0, 0};
constexpr Element kTemperatureMethod{"water temperature method", 4, 0, 0};
constexpr Element kDepth{"depth below sea surface", 20, 2, 0};
constexpr Element kSurfaceTemperature{"sea surface temperature", 19, 3, 0};
constexpr Element kDigitization{"indicator for digitization", 2, 0, 0};
constexpr Element kLevelCount{"level count", 16, 0, 0};
constexpr Element kWaterTemperature{"water temperature", 15, 2, 0};

// GTSPP qualifiers (code table 0 08 080) and flags (0 33 050).
constexpr std::uint32_t kQualifiesTotalWaterDepth = 4;
constexpr std::uint32_t kQualifiesTemperatureAtLevel = 11;
constexpr std::uint32_t kQualifiesDepthAtLevel = 13;
constexpr std::uint32_t kUnqualified = 0;
constexpr std::uint32_t kFlagMissing = 15;

// A value's GTSPP flag as 0 33 050 holds it: a value that is absent (GTSPP
// flag 9, which in the table means "good for operational use; caution")
// or that the element could not hold is the table's 15 (missing).
std::uint32_t bufrFlag(const std::optional<std::uint32_t>& raw, std::uint8_t flag) {
  return raw ? flag : kFlagMissing;
}

// Octets that the data before the profile and each level of it take at
// most (147 and 7).
constexpr std::size_t kFixedDataBound = 256;
constexpr std::size_t kLevelBound = 8;

// Hundredths of a degree Celsius to hundredths of a kelvin.
constexpr std::int32_t kZeroCelsiusHundredths = 27315;

class DataWriter {
 public:
  explicit DataWriter(char* at) : bits_(at) {}
  DataWriter(char* at, const BitWriter::Position& position) : bits_(at, position) {}

  BitWriter::Position position() const { return bits_.position(); }

  void missing(const Element& element) { bits_.putOnes(element.width); }

  // A value already in the element's scaled unit, before its reference;
  // whether it went in.
  bool scaled(const Element& element, std::optional<std::int64_t> value) {
    const std::optional<std::uint32_t> raw = rawValue(element, value);
    bits_.put(raw.value_or(~std::uint32_t{0}), element.width);
    return raw.has_value();
  }

  // A profile level: depth and temperature (in hundredths of a metre and
  // of a degree Celsius), each with its GTSPP qualifier and the sample's
  // flag, in two words rather than six fields, as levels are most of a
  // message.
  void level(const Sample& sample) {
    std::optional<std::int64_t> kelvin;
    if (sample.temperatureHundredths) {
      kelvin = std::int64_t{*sample.temperatureHundredths} + kZeroCelsiusHundredths;
    }
    const auto withQuality = [this](const Element& element, std::optional<std::int64_t> value,
                                    std::uint32_t qualifier, std::uint8_t flag) {
      const std::optional<std::uint32_t> raw = rawValue(element, value);
      const std::uint32_t bits = (raw.value_or(~std::uint32_t{0}) & mask(element.width));
      constexpr int kQualityWidth = kQualifier.width + kQualityFlag.width;
      bits_.put(bits << kQualityWidth | qualifier << kQualityFlag.width | bufrFlag(raw, flag),
                element.width + kQualityWidth);
    };
    withQuality(kDepth, sample.depthHundredths, kQualifiesDepthAtLevel, sample.depthQc);
    withQuality(kWaterTemperature, kelvin, kQualifiesTemperatureAtLevel, sample.temperatureQc);
  }

  // Our code as WMO's `toWmo` gives it; a code without a WMO equivalent is
  // one the element cannot hold.
  template <typename ToWmo>
  void code(const Element& element, std::optional<int> ours, ToWmo toWmo) {
    if (!ours) return missing(element);
    const std::optional<int> wmo = toWmo(*ours);
    if (!wmo) return omit(element);
    scaled(element, *wmo);
  }

  template <typename Number>
  bool number(const Element& element, const std::optional<Number>& value) {
    if (!value) {
      missing(element);
      return false;
    }
    static constexpr double kPowers[] = {1, 10, 100, 1000, 10000, 100000};
    return scaled(element, std::llround(static_cast<double>(*value) * kPowers[element.scale]));
  }

  void text(const Element& element, const std::optional<std::string>& value) {
    if (!value) return missing(element);
    const std::size_t characters = static_cast<std::size_t>(element.width) / 8;
    // CCITT IA5 is seven-bit ASCII.
    bool fits = value->size() <= characters;
    for (const char c : *value) fits = fits && static_cast<unsigned char>(c) < 0x80;
    if (!fits) return omit(element);
    bits_.putText(*value, characters);
  }

  // Levels the count cannot hold, left out and said.
  void dropLevels(std::size_t count) {
    omissions.emplace_back("levels beyond the 65,534 a message can count", static_cast<int>(count));
  }

  // A GTSPP qualifier and its flag for a value present or not.
  void quality(std::uint32_t qualifier, bool present) {
    bits_.put(qualifier, kQualifier.width);
    bits_.put(present ? kUnqualified : kFlagMissing, kQualityFlag.width);
  }

  std::size_t finish() { return bits_.finish(); }

  BufrOmissions omissions;

 private:
  void omit(const Element& element) {
    missing(element);
    count(element);
  }

  void count(const Element& element) {
    for (auto& [name, count] : omissions) {
      if (name == element.name) {
        ++count;
        return;
      }
    }
    omissions.emplace_back(element.name, 1);
  }

  static std::uint32_t mask(int width) { return (std::uint32_t{1} << width) - 1; }

  // The raw value of `value` in `element`; none when it is absent or the
  // element cannot hold it (counted).
  std::optional<std::uint32_t> rawValue(const Element& element, std::optional<std::int64_t> value) {
    if (!value) return std::nullopt;
    const std::int64_t raw = *value - element.reference;
    // All ones means missing, so the largest value is one below.
    if (raw < 0 || raw > std::int64_t{mask(element.width)} - 1) {
      count(element);
      return std::nullopt;
    }
    return static_cast<std::uint32_t>(raw);
  }

  BitWriter bits_;
};

template <typename T, typename F>
auto mapped(const std::optional<T>& value, F function) -> decltype(function(*value)) {
  if (!value) return std::nullopt;
  return function(*value);
}

// A probe or recorder code, ours being WMO's, where the master table
// version's code table defines it.
auto definedIn(const std::vector<BufrCode>& table, int version) {
  return [&table, version](int code) -> std::optional<int> {
    const auto row =
        std::lower_bound(table.begin(), table.end(), code,
                         [](const BufrCode& c, int wanted) { return c.code < wanted; });
    if (row == table.end() || row->code != code || row->firstVersion > version) {
      return std::nullopt;
    }
    return code;
  };
}

void writeData(DataWriter& data, const Observation& o, int masterTableVersion) {
  data.text(kUniqueIdentifier, o.probe.uniqueTag);
  data.text(kCallSign, o.ship.callSign);
  data.number(kImoNumber, o.ship.imoNumber);
  data.missing(kPlatformIdentifier);
  data.text(kShipName, o.ship.name);
  data.text(kSoopLine, o.ship.soopLine);
  data.number(kTransect, o.ship.transectNumber);
  data.missing(kAgency);
  data.number(kShipSpeed, o.ship.speedMPerS);
  data.number(kShipDirection, o.ship.headingDeg);
  data.number(kYear, o.time.year);
  data.number(kMonth, o.time.month);
  data.number(kDay, o.time.day);
  data.number(kHour, o.time.hour);
  data.number(kMinute, o.time.minute);
  data.number(kLatitude, o.latitude);
  data.number(kLongitude, o.longitude);
  // Sensor heights for the wind, for the air temperature, then cancelled.
  for (int i = 0; i < 3; ++i) {
    data.missing(kSensorHeightAboveDeck);
    data.missing(kSensorHeightAboveWater);
    if (i == 0) {
      data.code(kWindInstrument, o.surface.windInstrumentCode, wmoWindInstrumentFlags);
      data.number(kWindSpeed, o.surface.windSpeedMPerS);
      data.number(kWindDirection, o.surface.windDirectionDeg);
    } else if (i == 1) {
      data.number(kAirTemperature,
                  mapped(o.surface.airTemperatureC, [](double c) -> std::optional<double> {
                    return c + kZeroCelsiusHundredths / 100.0;
                  }));
      data.missing(kDewpoint);
    }
  }
  data.missing(kWaveDirection);
  data.missing(kWavePeriod);
  data.missing(kWaveHeight);
  data.missing(kCurrentDuration);
  data.code(kCurrentMethod, o.surface.currentMethodCode, wmoCurrentMethod);
  data.number(kCurrentDirection, o.surface.currentDirectionDeg);
  data.number(kCurrentSpeed, o.surface.currentSpeedMPerS);
  data.quality(kQualifiesTotalWaterDepth, data.number(kTotalWaterDepth, o.bottomDepthM));
  data.missing(kLauncherType);
  data.number(kLauncherHeight, o.probe.launchHeightM);
  // Probe and recorder codes are WMO's own (tables 0 22 067 and 0 22 068).
  data.code(kProbeType, o.probe.code, definedIn(kProbeTypeCodes, masterTableVersion));
  // Data significance and a date for it (of manufacture, say): not sent.
  data.missing(kDataSignificance);
  data.missing(kYear);
  data.missing(kMonth);
  data.missing(kDay);
  data.code(kRecorderType, o.probe.recorderCode, definedIn(kRecorderTypeCodes, masterTableVersion));
  data.text(kSoftwareVersion, o.probe.softwareVersion);
  data.missing(kDataSignificance);
  data.missing(kQualifier);
  const std::optional<std::string> serial =
      mapped(o.probe.serialNumber,
             [](std::int64_t n) -> std::optional<std::string> { return std::to_string(n); });
  data.text(kSerialNumber, serial);
  // The sea-surface group: no separate surface measurement is sent.
  data.missing(kTemperatureMethod);
  data.missing(kDepth);
  data.missing(kSurfaceTemperature);
  // The same probe measured the profile that follows.
  data.text(kSerialNumber, serial);
  data.number(kDigitization,
              mapped(o.profile.layout, [](ProfileLayout layout) -> std::optional<int> {
                // 1: points taken at significant depths; 0: at depths the
                // instrument fixed.
                return layout == ProfileLayout::kInflectionPoints ? 1 : 0;
              }));
  const std::size_t levels = std::min(o.profile.samples.size(), kMostBufrLevels);
  data.number(kLevelCount, std::optional<std::size_t>(levels));
  for (std::size_t i = 0; i < levels; ++i) data.level(o.profile.samples[i]);
  if (levels < o.profile.samples.size()) data.dropLevels(o.profile.samples.size() - levels);
}

void putOctets(std::string& out, std::uint32_t value, int octets) {
  for (int i = octets - 1; i >= 0; --i) out += static_cast<char>(value >> (8 * i));
}

void patchOctets(std::string& out, std::size_t at, std::uint32_t value, int octets) {
  for (int i = 0; i < octets; ++i) out[at + i] = static_cast<char>(value >> (8 * (octets - 1 - i)));
}

}  // namespace

std::optional<int> wmoWindInstrumentFlags(int code) {
  // Flag 1 (the highest of four bits): certified; flag 2: measured in
  // knots; flag 3: in km/h; none of them: uncertified, in m/s.
  static constexpr int kFlags[] = {0b0000, 0b1000, 0b0100, 0b1100, 0b0010, 0b1010};
  if (code < 0 || code > 5) return std::nullopt;
  return kFlags[code];
}

std::optional<int> wmoCurrentMethod(int code) {
  if (code < 1 || code > 5) return std::nullopt;
  return code;
}

namespace {

// Sections 0, 1 and 3 of a message of `subsets` subsets whose typical time
// is `time`, and the start of Section 4; the data follow, then
// endMessage().
void beginMessage(std::string& out, const BufrOptions& identification,
                  const Observation::Time& time, std::size_t subsets) {
  out += "BUFR";
  putOctets(out, 0, 3);  // total length, patched at the end
  out += '\4';           // edition

  // Section 1: identification.
  putOctets(out, 22, 3);
  out += '\0';  // BUFR master table: meteorology
  putOctets(out, static_cast<std::uint32_t>(identification.centre), 2);
  putOctets(out, static_cast<std::uint32_t>(identification.subcentre), 2);
  out += static_cast<char>(identification.updateSequence);
  out += '\0';    // no Section 2
  out += '\x1F';  // data category 31: oceanographic
  out += static_cast<char>(identification.subcategory);
  out += '\0';  // local subcategory
  out += static_cast<char>(identification.masterTableVersion);
  out += static_cast<char>(identification.localTableVersion);
  // The typical time: the (first) observation's, what of it is known.
  putOctets(out, static_cast<std::uint32_t>(time.year.value_or(0)), 2);
  for (const std::optional<int>& field : {time.month, time.day, time.hour, time.minute}) {
    out += static_cast<char>(field.value_or(0));
  }
  out += '\0';  // second

  // Section 3: observed, uncompressed subsets of template 3 15 004.
  putOctets(out, 9, 3);
  out += '\0';
  putOctets(out, static_cast<std::uint32_t>(subsets), 2);
  out += '\x80';
  putOctets(out, 3u << 14 | 15u << 8 | 4u, 2);

  // Section 4's length, patched at the end.
  putOctets(out, 0, 4);
}

// Section 4's length (it starts at `section4`), Section 5, and the
// message's length (it starts at `start`).
void endMessage(std::string& out, std::size_t start, std::size_t section4) {
  patchOctets(out, section4, static_cast<std::uint32_t>(out.size() - section4), 3);
  out += "7777";
  patchOctets(out, start + 4, static_cast<std::uint32_t>(out.size() - start), 3);
}

// Octets of Sections 0, 1 and 3 and Section 4's own header: 8 + 22 + 9 + 4.
constexpr std::size_t kHeaderOctets = 43;

}  // namespace

BufrOmissions appendObservationBufr(std::string& out, const Observation& observation,
                                    const BufrOptions& identification) {
  const std::size_t start = out.size();
  beginMessage(out, identification, observation.time, 1);

  // Section 4: the data, written into room made for the most it can take.
  const std::size_t section4 = out.size() - 4;
  const std::size_t data = out.size();
  out.resize(data + kFixedDataBound +
             std::min(observation.profile.samples.size(), kMostBufrLevels) * kLevelBound);
  DataWriter writer(out.data() + data);
  writeData(writer, observation, identification.masterTableVersion);
  out.resize(data + writer.finish());
  endMessage(out, start, section4);
  return std::move(writer.omissions);
}

BufrSubsets::BufrSubsets(const BufrOptions& identification) : identification_(identification) {}

BufrOmissions BufrSubsets::add(const Observation& observation) {
  if (count_ == 0) time_ = observation.time;
  // Room for the most this subset can take, after the whole octets so far
  // (the bits not yet out are carried by the position).
  data_.resize(at_.octets + 8 + kFixedDataBound +
               std::min(observation.profile.samples.size(), kMostBufrLevels) * kLevelBound);
  DataWriter writer(data_.data(), at_);
  writeData(writer, observation, identification_.masterTableVersion);
  at_ = writer.position();
  data_.resize(at_.octets);
  ++count_;
  return std::move(writer.omissions);
}

std::size_t BufrSubsets::octets() const {
  return kHeaderOctets + at_.octets + (static_cast<std::size_t>(at_.pendingBits) + 7) / 8 + 4;
}

std::string BufrSubsets::finish() {
  data_.resize(at_.octets + 8);
  DataWriter writer(data_.data(), at_);
  data_.resize(writer.finish());
  std::string message;
  message.reserve(kHeaderOctets + data_.size() + 4);
  beginMessage(message, identification_, time_, count_);
  const std::size_t section4 = message.size() - 4;
  message += data_;
  endMessage(message, 0, section4);
  data_.clear();
  at_ = {};
  count_ = 0;
  return message;
}

std::string describeOmissions(const BufrOmissions& omissions) {
  std::string text;
  for (const auto& [name, count] : omissions) {
    if (!text.empty()) text += ", ";
    text += std::to_string(count);
    text += ' ';
    text += name;
  }
  return text;
}

Status bufrUsability(const Observation& observation) {
  std::string lacking = incompleteness(observation, true);
  if (lacking.empty()) return {};
  return {Status::Code::kIncomplete, std::move(lacking)};
}

std::string outOfRange(const BufrOptionRange& range, std::string_view value) {
  return std::string(range.meaning) + " from " + std::to_string(range.first) + " to " +
         std::to_string(range.last) + ", not '" + std::string(value) + "'";
}

Status checkBufrOptions(const BufrOptions& options) {
  for (const BufrOptionRange& range : kBufrOptionRanges) {
    const int value = options.*range.member;
    if (value < range.first || value > range.last) {
      return {Status::Code::kInvalidArgument, outOfRange(range, std::to_string(value))};
    }
  }
  return {};
}

std::string toBufr(const Observation& observation, const BufrOptions& options, Status* status) {
  // A number outside its octets' range would be written cut to them (70000
  // as centre 4464), or name tables no decoder has.
  if (Status refused = checkBufrOptions(options); !refused.ok()) {
    if (status != nullptr) *status = std::move(refused);
    return {};
  }
  std::string message;
  const BufrOmissions omissions = appendObservationBufr(message, observation, options);
  if (status != nullptr) {
    std::string omitted = describeOmissions(omissions);
    *status = omitted.empty() ? Status() : Status(Status::Code::kLossy, std::move(omitted));
  }
  return message;
}

}  // namespace xbtconv
