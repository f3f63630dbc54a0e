// make_messages: writes generated messages for the benchmark and stress
// scripts.
//
//   make_messages uncounted FILE MIB TYPE
//     A kind-1 message of MIB mebibytes whose group count is missing, with
//     profile layout TYPE (1, 2 or 3): the profile loop runs to the end of
//     the buffer, the worst case for the converter's memory.
//
//   make_messages batch DIR COUNT SEED [CORRUPT_PERCENT]
//     COUNT messages msg-NNNNNNN.bin in DIR: kinds 1 and 2, all three
//     layouts at realistic sizes (full resolution 300 to 2,000 samples,
//     two-metre 200 to 900, inflection points 20 to 80), and a share of
//     corrupt files (default 10 %): cut short, bits flipped, a foreign kind,
//     a missing group count, too short to hold a kind. Prints how many
//     files should get a report.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>

#include "support/message_builder.h"
#include "support/random_fields.h"

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

// A realistic message: plausible header values and a profile of a
// realistic size for its layout.
std::vector<std::uint8_t> realisticMessage(std::mt19937_64& random, bool extended, bool uncounted) {
  ExtendedFields fields;
  if (uncounted) fields.groupCount = xbtconv::testing::kAllOnes;
  fields.header.kind = extended ? 2 : 1;
  fields.header.latitude = random() % 18000001;
  fields.header.longitude = random() % 36000001;
  fields.header.year = 1990 + random() % 40;
  fields.header.month = 1 + random() % 12;
  fields.header.day = 1 + random() % 28;
  fields.header.hour = random() % 24;
  fields.header.minute = random() % 60;
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

int batch(const char* directory, long count, unsigned long seed, long corruptPercent) {
  std::mt19937_64 random(seed);
  long reports = 0;
  for (long i = 0; i < count; ++i) {
    const bool corrupt = static_cast<long>(random() % 100) < corruptPercent;
    const int corruption = static_cast<int>(random() % 5);
    std::vector<std::uint8_t> bytes =
        realisticMessage(random, random() % 2 == 0, corrupt && corruption == 3);
    bool converted = true;
    if (corrupt) {
      switch (corruption) {
        case 0:  // cut short anywhere after the kind bytes: still converted
          bytes.resize(11 + random() % (bytes.size() - 11));
          break;
        case 1:  // bit errors after the kind bytes
          for (int flips = 0; flips < 8; ++flips) {
            const std::size_t at = 11 + random() % (bytes.size() - 11);
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

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "uncounted") == 0) {
    return uncounted(argv[2], std::atol(argv[3]), std::atoi(argv[4]));
  }
  if ((argc == 5 || argc == 6) && std::strcmp(argv[1], "batch") == 0) {
    return batch(argv[2], std::atol(argv[3]), std::strtoul(argv[4], nullptr, 10),
                 argc == 6 ? std::atol(argv[5]) : 10);
  }
  std::fprintf(stderr,
               "usage: make_messages uncounted FILE MIB TYPE\n"
               "       make_messages batch DIR COUNT SEED [CORRUPT_PERCENT]\n");
  return 2;
}
