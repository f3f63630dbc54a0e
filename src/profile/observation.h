// Observation: one decoded message as data, in SI-style units, with every
// absent value as no value (std::nullopt) rather than a sentinel. It is
// built from a decoded message whether or not the decode succeeded: what
// the message held is kept, and `decoded` with `stopBit` says how far the
// decode got.
//
// Values come from the raw fields with their catalogue scale and reference
// (not from the report's rounded knots). A profile sample whose temperature
// bits (or an inflection point's depth bits) were all ones is no value,
// where the legacy report repeats the sample before. Full-resolution
// samples carry no depth; it is derived from the probe's fall rate and
// marked so.
#ifndef XBTCONV_PROFILE_OBSERVATION_H_
#define XBTCONV_PROFILE_OBSERVATION_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace xbtconv {

class JjvvMessage;
class Jjvv2Message;

enum class ProfileLayout { kFullResolution, kTwoMeter, kInflectionPoints };
enum class DepthSource { kMessage, kFallRate };

/// One sample of the profile. Messages carry depths and temperatures to
/// the hundredth (fall-rate depths are rounded to it), so a sample keeps
/// whole hundredths: exact, and quick to write out.
struct Sample {
  std::optional<std::int32_t> depthHundredths;        // of a metre
  std::optional<std::int32_t> temperatureHundredths;  // of a degree Celsius

  std::optional<double> depthM() const { return units(depthHundredths); }
  std::optional<double> temperatureC() const { return units(temperatureHundredths); }

 private:
  static std::optional<double> units(const std::optional<std::int32_t>& hundredths) {
    if (!hundredths) return std::nullopt;
    return *hundredths / 100.0;
  }
};

struct Observation {
  std::string source;  // the message's file name
  int kind = 0;        // 1 standard, 2 extended
  bool decoded = false;
  std::optional<std::int64_t> stopBit;  // where a failed decode stopped

  struct Time {
    std::optional<int> year, month, day, hour, minute;  // month 1-12
    /// Seconds since 1970-01-01T00:00Z, only when all five fields are
    /// present and make a real date and time.
    std::optional<std::int64_t> utcSeconds;
  } time;
  std::optional<double> latitude;   // degrees north
  std::optional<double> longitude;  // degrees east

  struct Ship {
    std::optional<std::string> name, callSign;
    std::optional<std::int64_t> imoNumber;
    std::optional<std::string> soopLine;  // kind 2 from here on
    std::optional<int> transectNumber;
    std::optional<int> headingDeg;
    std::optional<double> speedMs;
  } ship;

  struct Probe {
    std::optional<int> code;
    std::optional<std::string> name;
    std::optional<std::int64_t> serialNumber;
    /// Fall rate z = a t + b t^2 (metres, seconds), from the probe table.
    std::optional<double> fallRateA, fallRateB;
    std::optional<int> maxDepthM;
    std::optional<int> recorderCode;
    std::optional<std::string> recorderName;
    std::optional<std::string> softwareVersion;  // "6.12"
    std::optional<std::string> uniqueTag;        // 8 upper-case hex digits
    std::optional<int> sequenceNumber;           // kind 2
    std::optional<double> launchHeightM;         // kind 2
  } probe;

  struct Surface {
    std::optional<int> windInstrumentCode;
    std::optional<std::string> windInstrumentName;
    std::optional<int> windDirectionDeg;
    std::optional<double> windSpeedMs;
    std::optional<double> airTemperatureC;
    std::optional<int> currentMethodCode;
    std::optional<std::string> currentMethodName;
    std::optional<int> currentDirectionDeg;
    std::optional<double> currentSpeedMs;
  } surface;
  std::optional<int> bottomDepthM;

  struct Profile {
    std::optional<ProfileLayout> layout;
    /// Where the depths come from; none when no sample has one.
    std::optional<DepthSource> depthSource;
    double sampleRateHz = 0;  // full resolution: the rate depths assume
    std::vector<Sample> samples;
  } profile;
};

/// The sampling rate full-resolution depths assume unless told otherwise.
inline constexpr double kDefaultSampleRateHz = 10.0;

/// `message` (decoded, or not) as an observation; `read` is what its decode
/// returned. REQUIRES: sampleRateHz > 0.
Observation buildObservation(const JjvvMessage& message, bool read, std::string source,
                             double sampleRateHz = kDefaultSampleRateHz);
/// The same for an extended message, with its voyage and launch fields.
Observation buildObservation(const Jjvv2Message& message, bool read, std::string source,
                             double sampleRateHz = kDefaultSampleRateHz);

/// The name of a layout as data files give it: "full_resolution",
/// "two_meter", "inflection_points".
const char* layoutName(ProfileLayout layout);
/// "message" or "fall_rate".
const char* depthSourceName(DepthSource source);

}  // namespace xbtconv

#endif  // XBTCONV_PROFILE_OBSERVATION_H_
