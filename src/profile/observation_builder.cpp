#include "profile/observation_builder.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <utility>

#include "decoding/jjvv2_message.h"
#include "decoding/jjvv_message.h"
#include "descriptors/code_tables.h"
#include "descriptors/descriptor_catalogue.h"
#include "profile/utc_time.h"
#include "profile/wmo_fall_rates.h"

namespace xbtconv {
namespace {

// A coefficient the tables give in thousandths, as the decimal number the
// table means: dividing by 1000 in binary leaves noise in the last digit
// (-0.0904 gives -9.039999999999999e-05), which every data file would show.
double fromThousandths(double thousandths) {
  char text[40];
  char* end = std::to_chars(text, text + 32, thousandths).ptr;
  for (const char c : {'e', '-', '3'}) *end++ = c;
  double value = 0;
  std::from_chars(text, end, value);
  return value;
}

// Kelvin to degrees Celsius, the SI way (the legacy report uses 273.1).
constexpr double kKelvinAtZeroCelsius = 273.15;

// Rounded to hundredths, so that a derived value shows the digits it means
// (24.95, not 24.950000000000017).
double hundredths(double value) { return std::round(value * 100.0) / 100.0; }

// The message's descriptors, found by their catalogue rows. Some twenty are
// looked up per message: their numbers are read once and kept side by side,
// so that a lookup reads no descriptor it passes over.
class Fields {
 public:
  explicit Fields(const JjvvMessage& message) : sequence_(message.sequence()) {
    count_ = std::min(sequence_.size(), numbers_.size());
    for (std::size_t i = 0; i < count_; ++i) numbers_[i] = sequence_[i]->number();
  }

  // The descriptor of `row`, or none when the layout has no such field.
  const ElementDescriptor* operator()(const CatalogueRow& row) const {
    for (std::size_t i = 0; i < count_; ++i) {
      if (numbers_[i] == row.number) return sequence_[i];
    }
    return nullptr;
  }

 private:
  const std::vector<ElementDescriptor*>& sequence_;
  std::array<std::int32_t, 64> numbers_{};
  std::size_t count_ = 0;
};

std::optional<std::int64_t> raw(const ElementDescriptor* descriptor) {
  if (descriptor == nullptr || descriptor->rawValue() == ElementDescriptor::kMissingRaw) {
    return std::nullopt;
  }
  return descriptor->rawValue();
}

std::optional<int> rawInt(const ElementDescriptor* descriptor) {
  const std::optional<std::int64_t> value = raw(descriptor);
  if (!value) return std::nullopt;
  return static_cast<int>(*value);
}

// (raw + reference) / 10^scale: the value in the field's catalogue unit.
std::optional<double> scaled(const ElementDescriptor* descriptor) {
  if (!raw(descriptor)) return std::nullopt;
  return descriptor->scaledValue();
}

std::optional<std::string> text(std::string value) {
  if (value.empty()) return std::nullopt;
  return value;
}

std::optional<double> degrees(double value) {
  if (value == kMissingNumber) return std::nullopt;
  return value;
}

// The five time fields as sent: only a field whose bits were all ones (or
// out of its range) is absent, so that a year of 1899 is a year, not the
// legacy report's rendering of none.
Observation::Time timeOf(const Fields& field) {
  Observation::Time time;
  time.year = rawInt(field(catalogue::kYear));
  time.month = rawInt(field(catalogue::kMonth));
  time.day = rawInt(field(catalogue::kDay));
  time.hour = rawInt(field(catalogue::kHour));
  time.minute = rawInt(field(catalogue::kMinute));
  if (time.year && time.month && time.day && time.hour && time.minute) {
    time.utcSeconds = utcSeconds(*time.year, *time.month, *time.day, *time.hour, *time.minute);
  }
  return time;
}

Observation::Probe probeOf(const JjvvMessage& message, const Fields& field) {
  Observation::Probe probe;
  probe.code = rawInt(field(codetables::kProbeTypeRow));
  if (probe.code) {
    const ProbeTypeEntry entry = message.probeType(*probe.code);
    const WmoFallRate* wmo = wmoFallRate(*probe.code);
    if (entry.code != -1) {
      probe.name = entry.probeName;
      if (entry.maxDepth != -1) probe.maxDepthM = entry.maxDepth;
    } else if (wmo != nullptr) {
      probe.name = wmo->name;
    }
    if (wmo != nullptr) {
      probe.fallRateA = wmo->a;
      probe.fallRateB = fromThousandths(wmo->bThousandths);
      probe.fallRateSource = "wmo_c3";
    } else if (entry.code != -1 && (entry.fallRateA != -1.0 || entry.fallRateB != -1.0)) {
      // The table gives the second coefficient in thousandths.
      probe.fallRateA = entry.fallRateA;
      probe.fallRateB = fromThousandths(entry.fallRateB);
      probe.fallRateSource = "probe_table";
    }
  }
  const int serialIndex = message.probeSerialPosition();
  if (serialIndex >= 0) {
    probe.serialNumber = raw(message.sequence()[static_cast<std::size_t>(serialIndex)]);
  }
  probe.recorderCode = rawInt(field(codetables::kRecorderTypeRow));
  if (probe.recorderCode)
    probe.recorderName = text(message.recorderType(*probe.recorderCode).meaning);
  if (const std::optional<int> version = rawInt(field(catalogue::kSoftwareVersion))) {
    // Hundredths of a version (at most 999): "6.12".
    probe.softwareVersion = std::to_string(*version / 100) + "." +
                            static_cast<char>('0' + *version % 100 / 10) +
                            static_cast<char>('0' + *version % 10);
  }
  if (const std::optional<std::int64_t> tag = raw(field(catalogue::kUniqueTag))) {
    std::string digits(8, '0');
    for (int i = 0; i < 8; ++i) digits[7 - i] = "0123456789ABCDEF"[(*tag >> (4 * i)) & 15];
    probe.uniqueTag = digits;
  }
  probe.sequenceNumber = rawInt(field(catalogue::kSequenceNumber));
  probe.launchHeightM = scaled(field(catalogue::kLaunchHeight));
  return probe;
}

Observation::Surface surfaceOf(const JjvvMessage& message, const Fields& field) {
  Observation::Surface surface;
  surface.windInstrumentCode = rawInt(field(codetables::kWindInstrumentRow));
  if (surface.windInstrumentCode) {
    surface.windInstrumentName = text(message.windInstrument(*surface.windInstrumentCode).meaning);
  }
  surface.windDirectionDeg = rawInt(field(catalogue::kWindDirection));
  surface.windSpeedMPerS = scaled(field(catalogue::kWindSpeed));
  if (const std::optional<double> kelvin = scaled(field(catalogue::kDryBulb))) {
    surface.airTemperatureC = hundredths(*kelvin - kKelvinAtZeroCelsius);
  }
  surface.currentMethodCode = rawInt(field(codetables::kCurrentMethodRow));
  if (surface.currentMethodCode) {
    surface.currentMethodName = text(message.currentMethod(*surface.currentMethodCode).meaning);
  }
  surface.currentDirectionDeg = rawInt(field(catalogue::kCurrentDirection));
  surface.currentSpeedMPerS = scaled(field(catalogue::kCurrentSpeed));
  return surface;
}

// A sea temperature in hundredths of a degree: the raw value and the
// catalogue's reference, as the field's scale is hundredths.
static_assert(catalogue::kSeaTemperature.scale == 2);
std::optional<std::int32_t> celsiusHundredths(std::uint32_t rawTemperature, bool allOnes) {
  if (allOnes) return std::nullopt;
  return static_cast<std::int32_t>(rawTemperature) + catalogue::kSeaTemperature.reference;
}

// `metres` in whole hundredths; none beyond what 32 bits hold (a depth of
// more than 21,000 km, which only an absurd sampling rate gives).
std::optional<std::int32_t> metreHundredths(double metres) {
  const double scaled = metres * 100.0;
  if (!(std::fabs(scaled) < 2147483647.0)) return std::nullopt;
  // Half away from zero, as std::round, without the library call that
  // would cost more than the rest of the sample: the truncated part is
  // exact, and so is what it leaves.
  auto hundredths = static_cast<std::int32_t>(scaled);
  const double rest = scaled - hundredths;
  if (rest >= 0.5) ++hundredths;
  if (rest <= -0.5) --hundredths;
  return hundredths;
}

Observation::Profile profileOf(const JjvvMessage& message, const Observation::Probe& probe,
                               double sampleRateHz) {
  Observation::Profile profile;
  switch (message.typeOfData()) {
    case JjvvMessage::kFullResolution: {
      profile.layout = ProfileLayout::kFullResolution;
      profile.sampleRateHz = sampleRateHz;
      const bool fallRate = probe.fallRateA.has_value();
      // Seconds per sample: a product per sample, not a quotient, which
      // changes nothing once depths are rounded to the centimetre.
      const double period = 1.0 / sampleRateHz;
      if (fallRate) profile.depthSource = DepthSource::kFallRate;
      const std::int32_t count = message.fullResolutionCount();
      profile.samples.resize(static_cast<std::size_t>(count));
      for (std::int32_t i = 0; i < count; ++i) {
        Sample& sample = profile.samples[static_cast<std::size_t>(i)];
        if (fallRate) {
          const double t = i * period;
          sample.depthHundredths = metreHundredths(*probe.fallRateA * t + *probe.fallRateB * t * t);
        }
        sample.temperatureHundredths =
            celsiusHundredths(message.fullResolutionRaw(i), message.temperatureAllOnes(i));
      }
      break;
    }
    case JjvvMessage::kTwoMeter: {
      profile.layout = ProfileLayout::kTwoMeter;
      profile.depthSource = DepthSource::kMessage;
      const std::int32_t count = message.twoMeterCount() / 2;
      profile.samples.resize(static_cast<std::size_t>(count));
      for (std::int32_t k = 1; k <= count; ++k) {
        profile.samples[static_cast<std::size_t>(k - 1)] = {
            200 * k, celsiusHundredths(message.twoMeterRaw(k), message.temperatureAllOnes(k - 1))};
      }
      break;
    }
    case JjvvMessage::kInflectionPoints: {
      profile.layout = ProfileLayout::kInflectionPoints;
      profile.depthSource = DepthSource::kMessage;
      const std::int32_t count = message.inflectionPointCount();
      profile.samples.resize(static_cast<std::size_t>(count));
      for (std::int32_t i = 0; i < count; ++i) {
        const InflectionPoint point = message.inflectionPoint(i);
        Sample& sample = profile.samples[static_cast<std::size_t>(i)];
        // The depth is whole metres; the temperature, held in single
        // precision, goes back to the hundredths it was sent in.
        if (!message.depthAllOnes(i)) sample.depthHundredths = 100 * point.depth;
        if (!message.temperatureAllOnes(i)) {
          sample.temperatureHundredths =
              static_cast<std::int32_t>(std::lround(point.temperature * 100.0));
        }
      }
      break;
    }
    default:
      break;
  }
  return profile;
}

}  // namespace

Observation buildDrop(const JjvvMessage& message) {
  Observation observation;
  const Fields field(message);
  observation.time = timeOf(field);
  observation.latitude = degrees(message.latitude());
  observation.longitude = degrees(message.longitude());
  observation.ship.callSign = text(message.callSign());
  observation.ship.imoNumber = raw(field(catalogue::kImoNumber));
  return observation;
}

Observation buildObservation(const JjvvMessage& message, bool read, std::string source,
                             double sampleRateHz) {
  Observation observation = buildDrop(message);
  observation.source = std::move(source);
  observation.kind = kStandardKind;
  observation.decoded = read;
  if (!read) observation.stopBit = message.stopBit();
  const Fields field(message);
  observation.ship.name = text(message.shipName());
  observation.probe = probeOf(message, field);
  observation.surface = surfaceOf(message, field);
  observation.bottomDepthM = rawInt(field(catalogue::kTotalWaterDepth));
  observation.profile = profileOf(message, observation.probe, sampleRateHz);
  return observation;
}

Observation buildObservation(const Jjvv2Message& message, bool read, std::string source,
                             double sampleRateHz) {
  Observation observation = buildObservation(static_cast<const JjvvMessage&>(message), read,
                                             std::move(source), sampleRateHz);
  observation.kind = kExtendedKind;
  const Fields field(message);
  if (message.soopLine() != "Missing") observation.ship.soopLine = text(message.soopLine());
  observation.ship.transectNumber = rawInt(field(catalogue::kTransectNumber));
  observation.ship.headingDeg = rawInt(field(catalogue::kShipHeading));
  observation.ship.speedMPerS = scaled(field(catalogue::kShipSpeed));
  return observation;
}

}  // namespace xbtconv
