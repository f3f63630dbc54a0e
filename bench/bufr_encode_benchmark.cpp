// Encoding one XBT observation of 1,000 levels as BUFR (template 3 15 004):
// our encoder against ecCodes' C API setting the same keys and packing.
// The ratio of the two times per message is the figure to watch.
#include <benchmark/benchmark.h>
#include <eccodes.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "decoding/jjvv2_message.h"
#include "formats/bufr_export.h"
#include "profile/observation_builder.h"
#include "support/message_builder.h"
#include "xbtconv/observation.h"

namespace {

using xbtconv::Observation;

// An extended message with every field set and 1,000 full-resolution
// samples cooling with depth, as an observation.
const Observation& observation() {
  static const Observation built = [] {
    xbtconv::testing::ExtendedFields fields;
    for (int i = 0; i < 1000; ++i) {
      fields.temperatures.push_back(static_cast<std::uint64_t>(3200 - i * 2));
    }
    const std::vector<std::uint8_t> bytes = xbtconv::testing::extendedMessage(fields);
    xbtconv::Jjvv2Message message;
    const bool read = message.decode({static_cast<std::int32_t>(bytes.size()), bytes.data()});
    return xbtconv::buildObservation(message, read, "bench.bin");
  }();
  return built;
}

void check(int status, const char* key) {
  if (status != 0) {
    std::fprintf(stderr, "ecCodes: %s: %s\n", key, codes_get_error_message(status));
    std::abort();
  }
}

void OurEncoder(benchmark::State& state) {
  const Observation& o = observation();
  std::string out;
  for (auto _ : state) {
    out.clear();
    benchmark::DoNotOptimize(xbtconv::appendObservationBufr(out, o));
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["bytes"] = static_cast<double>(out.size());
}

void EcCodes(benchmark::State& state) {
  const Observation& o = observation();
  // The profile as ecCodes takes it: the sea-surface group's depth and
  // temperature (missing) first, then the levels'.
  std::vector<double> depths{CODES_MISSING_DOUBLE};
  std::vector<double> kelvins{CODES_MISSING_DOUBLE};
  for (const xbtconv::Sample& sample : o.profile.samples) {
    depths.push_back(sample.depthM().value_or(CODES_MISSING_DOUBLE));
    kelvins.push_back(sample.temperatureC() ? *sample.temperatureC() + 273.15
                                            : CODES_MISSING_DOUBLE);
  }
  std::size_t bytes = 0;
  for (auto _ : state) {
    codes_handle* h = codes_bufr_handle_new_from_samples(nullptr, "BUFR4");
    const auto setLong = [h](const char* key, long value) {
      check(codes_set_long(h, key, value), key);
    };
    const auto setDouble = [h](const char* key, double value) {
      check(codes_set_double(h, key, value), key);
    };
    const auto setString = [h](const char* key, const std::string& value) {
      std::size_t length = value.size();
      check(codes_set_string(h, key, value.c_str(), &length), key);
    };
    setLong("masterTablesVersionNumber", 39);
    setLong("dataCategory", 31);
    setLong("internationalDataSubCategory", 4);
    setLong("typicalYear", *o.time.year);
    setLong("typicalMonth", *o.time.month);
    setLong("typicalDay", *o.time.day);
    setLong("typicalHour", *o.time.hour);
    setLong("typicalMinute", *o.time.minute);
    setLong("numberOfSubsets", 1);
    setLong("observedData", 1);
    setLong("compressedData", 0);
    const long replication = static_cast<long>(o.profile.samples.size());
    check(
        codes_set_long_array(h, "inputExtendedDelayedDescriptorReplicationFactor", &replication, 1),
        "replication");
    const long descriptor = 315004;
    check(codes_set_long_array(h, "unexpandedDescriptors", &descriptor, 1), "descriptors");
    setString("uniqueIdentifierForProfile", *o.probe.uniqueTag);
    setString("shipOrMobileLandStationIdentifier", *o.ship.callSign);
    setLong("imoNumber", static_cast<long>(*o.ship.imoNumber));
    setString("longStationName", *o.ship.name);
    setString("shipLineNumberAccordingToSoop", o.ship.soopLine->substr(0, 4));
    setLong("shipTransectNumberAccordingToSoop", *o.ship.transectNumber);
    setDouble("movingObservingPlatformSpeed", *o.ship.speedMPerS);
    setLong("directionOfMotionOfMovingObservingPlatform", *o.ship.headingDeg);
    setLong("year", *o.time.year);
    setLong("month", *o.time.month);
    setLong("day", *o.time.day);
    setLong("hour", *o.time.hour);
    setLong("minute", *o.time.minute);
    setDouble("latitude", *o.latitude);
    setDouble("longitude", *o.longitude);
    setLong("instrumentationForWindMeasurement",
            *xbtconv::wmoWindInstrumentFlags(*o.surface.windInstrumentCode));
    setDouble("windSpeed", *o.surface.windSpeedMPerS);
    setLong("windDirection", *o.surface.windDirectionDeg);
    setDouble("airTemperature", *o.surface.airTemperatureC + 273.15);
    setLong("methodOfCurrentMeasurement", *o.surface.currentMethodCode);
    setLong("seaSurfaceCurrentDirection", *o.surface.currentDirectionDeg);
    setDouble("speedOfSeaSurfaceCurrent", *o.surface.currentSpeedMPerS);
    setLong("totalWaterDepth", *o.bottomDepthM);
    setLong("#1#qualifierForGtsppQualityFlag", 4);
    setLong("#1#globalGtsppQualityFlag", 0);
    setDouble("heightOfXbtOrXctdLauncher", *o.probe.launchHeightM);
    setLong("instrumentTypeForWaterTemperatureOrSalinityProfileMeasurement", *o.probe.code);
    setLong("waterTemperatureProfileRecorderTypes", *o.probe.recorderCode);
    setString("softwareVersionNumber", *o.probe.softwareVersion);
    setString("#1#instrumentSerialNumberForWaterTemperatureProfile",
              std::to_string(*o.probe.serialNumber));
    setString("#2#instrumentSerialNumberForWaterTemperatureProfile",
              std::to_string(*o.probe.serialNumber));
    setLong("indicatorForDigitization", 0);
    check(codes_set_double_array(h, "depthBelowWaterSurface", depths.data(), depths.size()),
          "depths");
    check(
        codes_set_double_array(h, "oceanographicWaterTemperature", kelvins.data(), kelvins.size()),
        "temperatures");
    // The level flags: 13 and 11 qualify each level's depth and temperature.
    std::vector<long> qualifiers{4, CODES_MISSING_LONG};
    std::vector<long> flags{0};
    for (std::size_t i = 1; i < depths.size(); ++i) {
      qualifiers.insert(qualifiers.end(), {13, 11});
      flags.insert(flags.end(), {0, 0});
    }
    check(codes_set_long_array(h, "qualifierForGtsppQualityFlag", qualifiers.data(),
                               qualifiers.size()),
          "qualifiers");
    check(codes_set_long_array(h, "globalGtsppQualityFlag", flags.data(), flags.size()), "flags");
    setLong("pack", 1);
    const void* message = nullptr;
    check(codes_get_message(h, &message, &bytes), "message");
    benchmark::DoNotOptimize(message);
    codes_handle_delete(h);
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}

BENCHMARK(OurEncoder)->Unit(benchmark::kMicrosecond);
BENCHMARK(EcCodes)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
