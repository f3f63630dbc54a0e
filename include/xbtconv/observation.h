// Observation: one decoded XBT message as data, in SI-style units, with
// every absent value as no value (std::nullopt) rather than a sentinel. An
// observation is made whether or not the decode succeeded: what the message
// held is kept, and `decoded` with `stopBit` says how far the decode got.
//
// Values come from the raw fields with their scale and reference. A profile
// sample whose temperature bits (or an inflection point's depth bits) were
// all ones has no value there. Full-resolution samples carry no depth in
// the message; it is derived from the probe's fall rate and marked so.
//
// After quality control (xbtconv/qc.h) each sample carries a GTSPP flag for
// its depth and its temperature, and `qc` sums up the observation; before
// it, every flag is 0 (no quality control done) and `qc` is empty.
#ifndef XBTCONV_OBSERVATION_H_
#define XBTCONV_OBSERVATION_H_

// First: it says so when the compiler is older than the headers need.
#include "xbtconv/visibility.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

XBTCONV_PUBLIC_BEGIN
namespace xbtconv {

enum class ProfileLayout { kFullResolution, kTwoMeter, kInflectionPoints };
enum class DepthSource { kMessage, kFallRate };

/// One sample of the profile. Messages carry depths and temperatures to
/// the hundredth (fall-rate depths are rounded to it), so a sample keeps
/// whole hundredths: exact, and quick to write out.
struct Sample {
  std::optional<std::int32_t> depthHundredths;        // of a metre
  std::optional<std::int32_t> temperatureHundredths;  // of a degree Celsius
  std::uint8_t depthQc = 0;                           // GTSPP flag (xbtconv/qc.h)
  std::uint8_t temperatureQc = 0;

  std::optional<double> depthM() const { return units(depthHundredths); }
  std::optional<double> temperatureC() const { return units(temperatureHundredths); }

 private:
  static std::optional<double> units(const std::optional<std::int32_t>& hundredths) {
    if (!hundredths) return std::nullopt;
    return *hundredths / 100.0;
  }
};

/// What quality control found for the observation as a whole.
struct QcSummary {
  std::uint8_t profileFlag = 0;
  std::uint8_t timeFlag = 0;
  std::uint8_t positionFlag = 0;
  std::uint32_t testsPerformed = 0;  // bits of the tests that ran (xbtconv/qc.h)
  std::uint32_t testsFailed = 0;     // bits of the tests that flagged something
};

struct Observation {
  std::string source;  // the message's file name
  std::string path;    // the file as it was read (the path as given); "" for bytes
  int kind = 0;        // 1 standard, 2 extended
  bool decoded = false;
  std::optional<std::int64_t> stopBit;  // where a failed decode stopped

  struct Time {
    std::optional<int> year, month, day, hour, minute;  // as sent; month 1-12
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
    std::optional<double> speedMPerS;
  } ship;

  struct Probe {
    std::optional<int> code;
    std::optional<std::string> name;
    std::optional<std::int64_t> serialNumber;
    /// Fall rate z = a t + b t^2 (metres, seconds), as WMO common code
    /// table C-3 gives it.
    std::optional<double> fallRateA, fallRateB;
    /// Where a and b come from: "probe_table", the table the legacy reports
    /// use, which agrees with C-3 for this probe; or "wmo_c3", where that
    /// table departs from C-3 (codes 71, 741 and 900) or lacks the probe
    /// (81, 742 to 745) and C-3's are taken.
    std::optional<std::string> fallRateSource;
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
    std::optional<double> windSpeedMPerS;
    std::optional<double> airTemperatureC;
    std::optional<int> currentMethodCode;
    std::optional<std::string> currentMethodName;
    std::optional<int> currentDirectionDeg;
    std::optional<double> currentSpeedMPerS;
  } surface;
  std::optional<int> bottomDepthM;

  struct Profile {
    std::optional<ProfileLayout> layout;
    /// Where the depths come from; none when no sample has one.
    std::optional<DepthSource> depthSource;
    double sampleRateHz = 0;  // full resolution: the rate depths assume
    std::vector<Sample> samples;
  } profile;

  /// Quality control's verdict; none until it has run.
  std::optional<QcSummary> qc;
};

/// The sampling rate full-resolution depths assume unless told otherwise.
inline constexpr double kDefaultSampleRateHz = 10.0;

/// The name of a layout as data files give it: "full_resolution",
/// "two_meter", "inflection_points".
const char* layoutName(ProfileLayout layout);
/// "message" or "fall_rate".
const char* depthSourceName(DepthSource source);
/// The observation's time as the data files give it, "2026-03-14T06:05:00Z";
/// empty when it has none.
std::string timeText(const Observation& observation);

}  // namespace xbtconv
XBTCONV_PUBLIC_END

#endif  // XBTCONV_OBSERVATION_H_
