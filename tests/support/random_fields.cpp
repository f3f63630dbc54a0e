#include "support/random_fields.h"

#include "descriptors/probe_type_descriptor.h"

namespace xbtconv::testing {
namespace {

void randomizeStandard(StandardFields& f, std::mt19937_64& random) {
  auto pick = [&random](int width, std::uint64_t maximum) {
    return randomFieldValue(random, width, maximum);
  };
  f.header.latitude = pick(25, 18000000);
  f.header.longitude = pick(26, 36000000);
  f.header.year = pick(12, 4094);
  f.header.month = pick(4, 12);
  f.header.day = pick(6, 31);
  f.header.hour = pick(5, 23);
  f.header.minute = pick(6, 59);
  const char* const names[] = {"OLEANDER", "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123", "\xFF\xFF\xFF", "",
                               "CAF\xC9 \"A,B\""};
  f.shipName = names[random() % 5];
  f.imoNumber = pick(24, 9999999);
  f.uniqueTag = pick(32, 4294967293u);
  f.softwareVersion = pick(10, 999);
  f.probeSerial = pick(20, 999999);
  f.typeOfData = 1 + random() % 3;
  f.dataQuality = pick(3, 6);
  // Half the probes from the table, so that fall rates come into play.
  const auto probes = ProbeTypeDescriptor::rows();
  f.probeType = random() % 2 == 0 ? pick(10, 1022) : probes[random() % probes.size()].code;
  f.recorderType = pick(7, 126);
  f.windInstrument = pick(4, 14);
  f.windDirection = pick(9, 510);
  f.windSpeed = pick(12, 4094);
  f.dryBulb = pick(12, 4094);
  f.currentMethod = pick(3, 6);
  f.currentDirection = pick(9, 510);
  f.currentSpeed = pick(13, 8190);
  f.totalWaterDepth = pick(14, 16382);
  const int groups = static_cast<int>(random() % 40);
  for (int i = 0; i < groups; ++i) {
    if (f.typeOfData == 3) {
      f.points.emplace_back(random() % 16383, random() % 4095);
    } else {
      f.temperatures.push_back(random() % 4095);
    }
  }
}

}  // namespace

std::uint64_t randomFieldValue(std::mt19937_64& random, int width, std::uint64_t maximum) {
  const std::uint64_t allOnes = (std::uint64_t{1} << width) - 1;
  switch (random() % 8) {
    case 0:
      return allOnes;
    case 1:
      return maximum + 1 + random() % (allOnes - maximum);  // above the range
    default:
      return random() % (maximum + 1);
  }
}

std::int32_t expectedRaw(std::uint64_t sent, std::uint64_t minimum, std::uint64_t maximum) {
  return sent >= minimum && sent <= maximum ? static_cast<std::int32_t>(sent) : -1;
}

StandardFields randomStandardFields(std::mt19937_64& random) {
  StandardFields fields;
  randomizeStandard(fields, random);
  return fields;
}

ExtendedFields randomExtendedFields(std::mt19937_64& random) {
  ExtendedFields fields;
  randomizeStandard(fields, random);
  fields.probeSerial = randomFieldValue(random, 24, 16777214);
  fields.transectNumber = randomFieldValue(random, 7, 126);
  fields.sequenceNumber = randomFieldValue(random, 16, 65534);
  fields.launchHeight = randomFieldValue(random, 13, 8190);
  fields.shipHeading = randomFieldValue(random, 9, 510);
  fields.shipSpeed = randomFieldValue(random, 13, 8190);
  fields.soopLine =
      random() % 4 == 0 ? std::string(6, '\xFF') : "AX" + std::to_string(random() % 100000000);
  return fields;
}

std::vector<std::uint8_t> randomBatchMessage(std::mt19937_64& random, int index) {
  const ExtendedFields fields = randomExtendedFields(random);
  std::vector<std::uint8_t> bytes =
      index % 2 == 0 ? extendedMessage(fields) : standardMessage(fields);
  if (index % 5 == 0) bytes = cutAt(bytes, 11 + random() % (bytes.size() - 11));
  return bytes;
}

}  // namespace xbtconv::testing
