#include "example_messages.h"

#include <algorithm>

#include "support/message_builder.h"

namespace xbtconv::examples {
namespace {

using testing::ExtendedFields;
using testing::kAllOnes;
using testing::StandardFields;

// A profile of `count` raw sea temperatures (hundredths of a degree above
// -4.00): a warm mixed layer, a thermocline, then slow cooling. Integer
// arithmetic only, so every platform makes the same bytes.
std::vector<std::uint64_t> profile(int count, int surface, int mixedLayer, int drop) {
  std::vector<std::uint64_t> samples;
  for (int k = 0; k < count; ++k) {
    int raw = surface - k / 3;
    if (k >= mixedLayer) raw -= (k - mixedLayer) * drop;
    samples.push_back(static_cast<std::uint64_t>(std::max(raw, 520 + k % 7)));
  }
  return samples;
}

StandardFields standardFullResolution() {
  StandardFields f;
  f.header.callSign = "WDC6921";
  f.header.latitude = 9000000 + 3941230;    // 39.41230 N
  f.header.longitude = 18000000 - 7012871;  // 70.12871 W
  f.header.year = 2026;
  f.header.month = 3;
  f.header.day = 14;
  f.header.hour = 6;
  f.header.minute = 5;
  f.shipName = "OLEANDER";
  f.probeType = 52;    // Sippican Deep Blue
  f.recorderType = 6;  // Sippican MK-21
  f.temperatures = profile(45, 2610, 12, 41);
  return f;
}

StandardFields standardTwoMeter() {
  StandardFields f = standardFullResolution();
  f.header.callSign = "ZMFR";
  f.header.latitude = 9000000 - 4128800;     // 41.28800 S
  f.header.longitude = 18000000 + 17478300;  // 174.78300 E
  f.shipName = "TASMAN STAR";
  f.imoNumber = 9334521;
  f.typeOfData = 2;
  f.probeType = 222;    // TSK T-7
  f.recorderType = 42;  // TSK MK-30
  f.windSpeed = 72;
  f.dryBulb = 2885;
  f.temperatures = profile(20, 1850, 6, 25);
  return f;
}

StandardFields standardInflectionPoints() {
  StandardFields f = standardFullResolution();
  f.typeOfData = 3;
  f.header.callSign = "PBKZ";
  f.shipName = "NEDLLOYD ASIA";
  f.probeType = 900;    // Sippican T-12
  f.recorderType = 71;  // CSIRO Devil
  f.currentMethod = kAllOnes;
  f.currentSpeed = kAllOnes;
  f.currentDirection = kAllOnes;
  f.temperatures.clear();
  f.points = {{0, 2650},   {35, 2648},  {61, 2590},  {88, 2301}, {120, 1975}, {163, 1702},
              {240, 1411}, {355, 1190}, {480, 1005}, {610, 902}, {775, 841},  {912, 800}};
  return f;
}

StandardFields sparseFields() {
  StandardFields f;
  f.header.callSign = "";
  f.header.month = kAllOnes;
  f.header.day = 0;
  f.shipName = "";
  f.imoNumber = kAllOnes;
  f.softwareVersion = kAllOnes;
  f.probeSerial = kAllOnes;
  f.probeType = 3;  // not in the probe table
  f.recorderType = kAllOnes;
  f.windInstrument = kAllOnes;
  f.windDirection = kAllOnes;
  f.windSpeed = kAllOnes;
  f.dryBulb = kAllOnes;
  f.currentMethod = kAllOnes;
  f.currentDirection = kAllOnes;
  f.currentSpeed = kAllOnes;
  f.totalWaterDepth = kAllOnes;
  f.uniqueTag = kAllOnes;
  f.typeOfData = 2;
  f.temperatures = profile(5, 2100, 2, 60);
  return f;
}

ExtendedFields extendedFullResolution() {
  ExtendedFields f;
  f.header.callSign = "VRCF3";
  f.header.latitude = 9000000 - 3386000;     // 33.86000 S
  f.header.longitude = 18000000 + 15121000;  // 151.21000 E
  f.header.year = 2026;
  f.header.month = 11;
  f.header.day = 2;
  f.header.hour = 17;
  f.header.minute = 42;
  f.shipName = "SPIRIT OF TASMANIA";
  f.imoNumber = 9158446;
  f.probeSerial = 1048577;  // wider than the standard 20 bits allow
  f.probeType = 42;         // Sippican T-7
  f.recorderType = 71;      // CSIRO Devil
  f.soopLine = "PX34";
  f.transectNumber = 7;
  f.sequenceNumber = 1203;
  f.launchHeight = 1275;
  f.shipHeading = 118;
  f.shipSpeed = 1029;
  f.temperatures = profile(60, 2280, 18, 30);
  return f;
}

ExtendedFields extendedTwoMeterGrid() {
  ExtendedFields f = extendedFullResolution();
  f.typeOfData = 3;
  f.soopLine = "IX1";
  f.sequenceNumber = 1204;
  f.shipHeading = 270;
  f.temperatures.clear();
  // Points every two metres from 2 m on: listed under the two-metre title.
  for (std::uint64_t i = 1; i <= 8; ++i) f.points.emplace_back(2 * i, 2290 - 3 * i * i);
  return f;
}

std::vector<std::uint8_t> cut(std::vector<std::uint8_t> bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

}  // namespace

std::vector<ExampleFile> exampleFiles() {
  const std::string notAMessage = "These are not the messages you are looking for.\n";
  return {
      {"extended_full_resolution.bin", "kind 2, full-resolution profile of 60 samples",
       testing::extendedMessage(extendedFullResolution())},
      {"extended_two_meter_grid.bin",
       "kind 2, inflection points every two metres, titled as two-metre data",
       testing::extendedMessage(extendedTwoMeterGrid())},
      {"not_a_message.bin", "a text file named *.bin: listed, not converted",
       std::vector<std::uint8_t>(notAMessage.begin(), notAMessage.end())},
      {"sparse_fields.bin", "kind 1 with most fields missing: the missing-value renderings",
       testing::standardMessage(sparseFields())},
      {"standard_full_resolution.bin", "kind 1, full-resolution profile of 45 samples",
       testing::standardMessage(standardFullResolution())},
      {"standard_inflection_points.bin", "kind 1, twelve inflection points",
       testing::standardMessage(standardInflectionPoints())},
      {"standard_two_meter.bin", "kind 1, two-metre profile of 20 samples",
       testing::standardMessage(standardTwoMeter())},
      {"truncated_extended.bin", "kind 2 cut off inside its profile: fails, report still written",
       cut(testing::extendedMessage(extendedFullResolution()), 120)},
      {"truncated_standard.bin", "kind 1 cut off in its fixed part: fails, report still written",
       cut(testing::standardMessage(standardTwoMeter()), 60)},
  };
}

}  // namespace xbtconv::examples
