// make_messages: writes generated messages for the benchmark and stress
// scripts.
//
//   make_messages uncounted FILE MIB TYPE
//     A kind-1 message of MIB mebibytes whose group count is missing, with
//     profile layout TYPE (1, 2 or 3): the profile loop runs to the end of
//     the buffer, the worst case for the converter's memory.
//
//   make_messages relay DIR COUNT SEED NOW
//     COUNT messages as a real-time relay receives them in the two days
//     before NOW (seconds since 1970): ships on open-ocean tracks dropping
//     every two hours, and among them 5 % byte copies of an earlier
//     message under a new name, 2 % corrections (an earlier drop resent
//     with one temperature changed), 3 % damaged (cut short, or no
//     message), 2 % to hold (no call sign or IMO number, or a constant
//     profile). Prints the counts of each.
//
//   make_messages versions DIR COUNT NOW
//     COUNT versions v-NNN.bin of one drop, each a correction of the one
//     before (its first temperature changed).
//
//   make_messages batch DIR COUNT SEED [CORRUPT_PERCENT]
//     COUNT messages msg-NNNNNNN.bin in DIR: kinds 1 and 2, all three
//     layouts at realistic sizes (full resolution 300 to 2,000 samples,
//     two-metre 200 to 900, inflection points 20 to 80), dropped on cruises
//     of 50 drops, a ship of its own each, two hours and 0.3 degrees of
//     longitude apart across an open ocean; and a share of corrupt files
//     (default 10 %): cut short, bits flipped after the time and position,
//     a foreign kind, a missing group count, too short to hold a kind.
//     Prints how many files should get a report.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <random>
#include <string>

#include "profile/utc_time.h"
#include "support/message_builder.h"
#include "support/random_fields.h"
#include "support/realistic_profile.h"

namespace {

using xbtconv::testing::ExtendedFields;

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

int uncounted(const char* path, long mebibytes, int type) {
  xbtconv::testing::StandardFields fields;
  fields.typeOfData = static_cast<std::uint64_t>(type);
  fields.groupCount = xbtconv::testing::kAllOnes;
  std::vector<std::uint8_t> bytes = xbtconv::testing::standardMessage(fields);
  // The rest is a plausible profile pattern, never all ones.
  const std::size_t size = static_cast<std::size_t>(mebibytes) << 20;
  const std::size_t fixed = bytes.size();
  bytes.resize(size);
  for (std::size_t i = fixed; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(0x35 + i % 7);
  return writeFile(path, bytes) ? 0 : 1;
}

constexpr long kCruiseDrops = 50;
constexpr std::int64_t kDropSeconds = 2 * 3600;
constexpr double kDropDegrees = 0.3;

// Where and when the ship of a cruise drops its first probe.
struct Cruise {
  std::string callSign;
  std::string shipName;
  double latitude = 0;
  double longitude = 0;
  std::int64_t start = 0;  // seconds since 1970
};

Cruise cruise(std::mt19937_64& random, long number) {
  const auto uniform = [&random](double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(random);
  };
  const xbtconv::testing::OceanBox& box =
      xbtconv::testing::openOceans()[random() % xbtconv::testing::openOceans().size()];
  Cruise c;
  c.callSign = "C" + std::to_string(number);
  // Some old recorders send names in Latin-1.
  const char* const names[] = {"OLEANDER", "TASMAN STAR", "SK\xC5NE", "CAP SAN LORENZO"};
  c.shipName = names[number % 4];
  c.latitude = uniform(box.south, box.north);
  c.longitude = uniform(box.west, box.east - kDropDegrees * kCruiseDrops);
  // 1990 to 2029: some later than a run's clock.
  c.start = 631152000 + static_cast<std::int64_t>(random() % (40 * 365)) * 86400 +
            static_cast<std::int64_t>(random() % 1440) * 60;
  return c;
}

// A realistic message: the `drop`th of `cruise`, plausible header values
// and a profile of a realistic size for its layout.
std::vector<std::uint8_t> realisticMessage(std::mt19937_64& random, const Cruise& cruise, long drop,
                                           bool extended, bool uncounted) {
  ExtendedFields fields;
  if (uncounted) fields.groupCount = xbtconv::testing::kAllOnes;
  fields.header.kind = extended ? 2 : 1;
  fields.header.callSign = cruise.callSign;
  fields.shipName = cruise.shipName;
  fields.header.latitude = static_cast<std::uint64_t>(std::lround((cruise.latitude + 90) * 1e5));
  fields.header.longitude = static_cast<std::uint64_t>(
      std::lround((cruise.longitude + kDropDegrees * static_cast<double>(drop) + 180) * 1e5));
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
  std::sscanf(xbtconv::isoTime(cruise.start + drop * kDropSeconds).c_str(), "%d-%d-%dT%d:%d", &year,
              &month, &day, &hour, &minute);
  fields.header.year = static_cast<std::uint64_t>(year);
  fields.header.month = static_cast<std::uint64_t>(month);
  fields.header.day = static_cast<std::uint64_t>(day);
  fields.header.hour = static_cast<std::uint64_t>(hour);
  fields.header.minute = static_cast<std::uint64_t>(minute);
  fields.probeSerial = random() % 999999;
  fields.typeOfData = 1 + random() % 3;
  int temperature = 2400 + static_cast<int>(random() % 800);
  auto nextTemperature = [&]() {
    temperature = std::max(500, temperature - static_cast<int>(random() % 9));
    return static_cast<std::uint64_t>(temperature);
  };
  if (fields.typeOfData == 1) {
    const int samples = 300 + static_cast<int>(random() % 1701);
    for (int i = 0; i < samples; ++i) fields.temperatures.push_back(nextTemperature());
  } else if (fields.typeOfData == 2) {
    const int samples = 200 + static_cast<int>(random() % 701);
    for (int i = 0; i < samples; ++i) fields.temperatures.push_back(nextTemperature());
  } else {
    const int points = 20 + static_cast<int>(random() % 61);
    std::uint64_t depth = 0;
    for (int i = 0; i < points; ++i) {
      depth += 1 + random() % 40;
      fields.points.emplace_back(depth, nextTemperature());
    }
  }
  return extended ? xbtconv::testing::extendedMessage(fields)
                  : xbtconv::testing::standardMessage(fields);
}

// A drop as generated, for sending it again corrected.
struct StandardFieldsRecord {
  ExtendedFields fields;
  bool extended = false;
};

int batch(const char* directory, long count, unsigned long seed, long corruptPercent) {
  std::mt19937_64 random(seed);
  long reports = 0;
  Cruise ship;
  for (long i = 0; i < count; ++i) {
    if (i % kCruiseDrops == 0) ship = cruise(random, i / kCruiseDrops);
    const bool corrupt = static_cast<long>(random() % 100) < corruptPercent;
    const int corruption = static_cast<int>(random() % 5);
    const bool extended = random() % 2 == 0;
    std::vector<std::uint8_t> bytes =
        realisticMessage(random, ship, i % kCruiseDrops, extended, corrupt && corruption == 3);
    bool converted = true;
    if (corrupt) {
      switch (corruption) {
        case 0:  // cut short anywhere after the kind bytes: still converted
          bytes.resize(11 + random() % (bytes.size() - 11));
          break;
        case 1:  // bit errors after the time and position (bit 172): a garbled
                 // position would set the drop apart from its cruise's track
          for (int flips = 0; flips < 8; ++flips) {
            const std::size_t at = 22 + random() % (bytes.size() - 22);
            bytes[at] = static_cast<std::uint8_t>(bytes[at] ^ (1u << (random() % 8)));
          }
          break;
        case 2:  // a foreign kind
          bytes[10] = static_cast<std::uint8_t>(3 + random() % 250);
          converted = false;
          break;
        case 3:  // a group count of all ones: the profile runs to the end
          break;
        default:  // too short to hold a kind
          bytes.resize(random() % 11);
          converted = false;
          break;
      }
    }
    if (converted) ++reports;
    char name[32];
    std::snprintf(name, sizeof name, "/msg-%07ld.bin", i);
    if (!writeFile(std::string(directory) + name, bytes)) return 1;
  }
  std::printf("%ld\n", reports);
  return 0;
}

// Open-ocean boxes, far from any coast: centre latitude and longitude.
constexpr double kOceans[][2] = {{30, -50}, {35, -160}, {-35, -125}, {-30, 80}, {-30, -15}};

// Drop `i` of `ships` ships: each drops every two hours, about 7 m/s
// eastwards, the last about four hours before `now`.
ExtendedFields dropFields(std::mt19937_64& random, long i, long ships, long long now) {
  const long ship = i % ships;
  const long leg = i / ships;
  const double* ocean = kOceans[ship % 5];
  const double latitude = ocean[0] - 4 + static_cast<double>(ship % 17) * 0.5;
  const double longitude = ocean[1] - 6 + static_cast<double>(leg) * 0.5;
  const long long time = now - 52 * 3600 + leg * 7200 + ship % 97 * 60;
  ExtendedFields fields;
  fields.header.kind = random() % 2 == 0 ? 1 : 2;
  char callSign[24];
  std::snprintf(callSign, sizeof callSign, "S%04ld", ship);
  fields.header.callSign = callSign;
  fields.imoNumber = 9000000 + static_cast<std::uint64_t>(ship);
  fields.uniqueTag = static_cast<std::uint64_t>(i) + 1;
  fields.header.latitude = static_cast<std::uint64_t>((latitude + 90) * 100000);
  fields.header.longitude = static_cast<std::uint64_t>((longitude + 180) * 100000);
  const std::time_t seconds = static_cast<std::time_t>(time);
  std::tm parts{};
#ifdef _WIN32
  gmtime_s(&parts, &seconds);
#else
  gmtime_r(&seconds, &parts);
#endif
  fields.header.year = static_cast<std::uint64_t>(parts.tm_year + 1900);
  fields.header.month = static_cast<std::uint64_t>(parts.tm_mon + 1);
  fields.header.day = static_cast<std::uint64_t>(parts.tm_mday);
  fields.header.hour = static_cast<std::uint64_t>(parts.tm_hour);
  fields.header.minute = static_cast<std::uint64_t>(parts.tm_min);
  fields.probeType = 222;
  fields.typeOfData = 1;
  fields.totalWaterDepth = 5000;
  const xbtconv::testing::RealisticProfile profile =
      xbtconv::testing::realisticProfile(random, false);
  for (const xbtconv::Sample& sample : profile.observation.profile.samples) {
    fields.temperatures.push_back(static_cast<std::uint64_t>(*sample.temperatureHundredths + 400));
  }
  return fields;
}

int relay(const char* directory, long count, unsigned long seed, long long now) {
  std::mt19937_64 random(seed);
  const long ships = std::max(1L, count / 25);
  std::vector<std::vector<std::uint8_t>> originals;
  std::vector<StandardFieldsRecord> sent;
  long copies = 0, corrections = 0, damaged = 0, held = 0, drops = 0;
  for (long i = 0; i < count; ++i) {
    const int kind = static_cast<int>(random() % 100);
    std::vector<std::uint8_t> bytes;
    if (kind < 5 && !originals.empty()) {
      bytes = originals[random() % originals.size()];
      ++copies;
    } else if (kind < 7 && !sent.empty()) {
      StandardFieldsRecord again = sent[random() % sent.size()];
      std::uint64_t& changed =
          again.fields.temperatures[random() % again.fields.temperatures.size()];
      changed = changed > 1000 ? changed - 7 : changed + 7;
      bytes = again.extended ? xbtconv::testing::extendedMessage(again.fields)
                             : xbtconv::testing::standardMessage(again.fields);
      ++corrections;
    } else if (kind < 10 && !originals.empty()) {
      bytes = originals[random() % originals.size()];
      bytes.resize(random() % 2 == 0 ? random() % 11 : 11 + random() % (bytes.size() / 2));
      ++damaged;
    } else {
      ExtendedFields fields = dropFields(random, i, ships, now);
      if (kind < 12) {
        // To hold: no platform to name, or a profile no probe measures.
        if (random() % 2 == 0) {
          fields.header.callSign = "";
          fields.imoNumber = xbtconv::testing::kAllOnes;
        } else {
          std::fill(fields.temperatures.begin(), fields.temperatures.end(),
                    fields.temperatures.front());
        }
        ++held;
      } else {
        ++drops;
      }
      const bool extended = fields.header.kind == 2;
      bytes = extended ? xbtconv::testing::extendedMessage(fields)
                       : xbtconv::testing::standardMessage(fields);
      if (kind >= 12) {
        originals.push_back(bytes);
        sent.push_back({fields, extended});
      }
    }
    char name[32];
    std::snprintf(name, sizeof name, "/msg-%07ld.bin", i);
    if (!writeFile(std::string(directory) + name, bytes)) return 1;
  }
  std::printf("drops %ld copies %ld corrections %ld damaged %ld held %ld\n", drops, copies,
              corrections, damaged, held);
  return 0;
}

// COUNT versions of one drop: the first as sent, each later one with its
// first temperature changed (a correction of the one before).
int versions(const char* directory, long count, long long now) {
  std::mt19937_64 random(1);
  ExtendedFields fields = dropFields(random, 0, 1, now);
  for (long i = 0; i < count; ++i) {
    fields.temperatures.front() = 1400 + static_cast<std::uint64_t>(i);
    char name[32];
    std::snprintf(name, sizeof name, "/v-%03ld.bin", i);
    if (!writeFile(std::string(directory) + name,
                   fields.header.kind == 2 ? xbtconv::testing::extendedMessage(fields)
                                           : xbtconv::testing::standardMessage(fields))) {
      return 1;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "uncounted") == 0) {
    return uncounted(argv[2], std::atol(argv[3]), std::atoi(argv[4]));
  }
  if ((argc == 5 || argc == 6) && std::strcmp(argv[1], "batch") == 0) {
    return batch(argv[2], std::atol(argv[3]), std::strtoul(argv[4], nullptr, 10),
                 argc == 6 ? std::atol(argv[5]) : 10);
  }
  if (argc == 6 && std::strcmp(argv[1], "relay") == 0) {
    return relay(argv[2], std::atol(argv[3]), std::strtoul(argv[4], nullptr, 10),
                 std::atoll(argv[5]));
  }
  if (argc == 5 && std::strcmp(argv[1], "versions") == 0) {
    return versions(argv[2], std::atol(argv[3]), std::atoll(argv[4]));
  }
  std::fprintf(stderr,
               "usage: make_messages uncounted FILE MIB TYPE\n"
               "       make_messages relay DIR COUNT SEED NOW\n"
               "       make_messages versions DIR COUNT NOW\n"
               "       make_messages batch DIR COUNT SEED [CORRUPT_PERCENT]\n");
  return 2;
}
