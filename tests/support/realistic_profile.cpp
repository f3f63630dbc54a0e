#include "support/realistic_profile.h"

#include <cmath>

namespace xbtconv::testing {
namespace {

// The T-7's fall rate (m/s, m/s2) and rated depth (m).
constexpr double kFallA = 6.691;
constexpr double kFallB = -0.00225;
constexpr int kRatedDepth = 760;

double uniform(std::mt19937_64& random, double low, double high) {
  return std::uniform_real_distribution<double>(low, high)(random);
}

std::size_t index(std::mt19937_64& random, std::size_t low, std::size_t high) {
  return std::uniform_int_distribution<std::size_t>(low, high)(random);
}

std::int32_t hundredths(double value) {
  return static_cast<std::int32_t>(std::lround(value * 100));
}

constexpr OceanBox kOceans[] = {{-40, -5, -30, -10},
                                {20, 45, -60, -30},
                                {25, 45, -170, -130},
                                {-50, -35, -150, -90},
                                {-35, -10, 70, 100}};

}  // namespace

std::span<const OceanBox> openOceans() { return kOceans; }

RealisticProfile realisticProfile(std::mt19937_64& random, bool faulty) {
  RealisticProfile p;
  Observation& o = p.observation;
  o.source = "realistic.bin";
  o.kind = 1;
  o.decoded = true;
  const int year = static_cast<int>(index(random, 1990, 2025));
  const int day = static_cast<int>(index(random, 1, 28));
  o.time = {year, 6, day, 12, 30, std::nullopt};
  o.time.utcSeconds =
      (static_cast<std::int64_t>(year - 1970) * 365 + (year - 1969) / 4 + 151 + day - 1) * 86400 +
      45000;
  const OceanBox& box = openOceans()[index(random, 0, openOceans().size() - 1)];
  o.latitude = std::round(uniform(random, box.south, box.north) * 1000) / 1000;
  o.longitude = std::round(uniform(random, box.west, box.east) * 1000) / 1000;
  o.probe.code = 222;
  o.probe.fallRateA = kFallA;
  o.probe.fallRateB = kFallB;
  o.probe.maxDepthM = kRatedDepth;
  o.profile.layout = ProfileLayout::kFullResolution;
  o.profile.depthSource = DepthSource::kFallRate;
  o.profile.sampleRateHz = 10;

  const double surface = uniform(random, 18, 29);
  const double mixed = uniform(random, 20, 120);
  const double deep = uniform(random, 3, 6);
  const double scale = uniform(random, 150, 400);
  const std::size_t count = index(random, 300, 1100);
  std::vector<Sample>& samples = o.profile.samples;
  for (std::size_t i = 0; i < count; ++i) {
    const double t = static_cast<double>(i) / 10;
    const double z = kFallA * t + kFallB * t * t;
    const double top = surface - 0.002 * std::min(z, mixed);
    const double temperature =
        z <= mixed ? top : deep + (top - deep) * std::exp(-(z - mixed) / scale);
    const double noise = static_cast<double>(index(random, 0, 2)) / 100 - 0.01;
    samples.push_back({hundredths(z), hundredths(temperature + noise)});
  }
  const double deepest = *samples.back().depthHundredths / 100.0;
  if (index(random, 0, 4) != 0)
    o.bottomDepthM = static_cast<int>(deepest + uniform(random, 200, 3000));
  if (!faulty) return p;

  const auto at = [&samples](std::size_t i) -> std::int32_t& {
    return *samples[i].temperatureHundredths;
  };
  switch (index(random, 0, 4)) {
    case 0: {
      const std::size_t k = index(random, 10, count - 10);
      const double size = uniform(random, 3, 8) * (index(random, 0, 1) == 0 ? 1 : -1);
      at(k) += hundredths(size);
      p.fault = PlantedFault{"spike", k, k};
      break;
    }
    case 1: {
      // Past the break the wire picks up noise: large swings every sample.
      const std::size_t k = index(random, count / 4, count - 5);
      for (std::size_t i = k; i < count; ++i) at(i) = hundredths(i % 2 == 0 ? 30.5 : 36.2);
      p.fault = PlantedFault{"wire_break", k, count - 1};
      break;
    }
    case 2: {
      const std::size_t k = index(random, count / 3, 2 * count / 3);
      const int bottom = *samples[k].depthHundredths / 100;
      o.bottomDepthM = bottom;
      const std::int64_t limit = 100 * std::int64_t{bottom} + std::max(500, 2 * bottom);
      std::size_t first = k;
      while (*samples[first].depthHundredths <= limit) ++first;
      p.fault = PlantedFault{"bottom_hit", first, count - 1};
      break;
    }
    case 3: {
      const std::size_t k = index(random, 10, count - 10);
      const std::size_t run = index(random, 1, 5);
      const std::int32_t value = index(random, 0, 1) == 0 ? 4100 : -250;
      for (std::size_t i = k; i < k + run; ++i) at(i) = value;
      p.fault = PlantedFault{"out_of_range", k, k + run - 1};
      break;
    }
    default:
      for (std::size_t i = 0; i < count; ++i) at(i) = hundredths(surface);
      p.fault = PlantedFault{"constant", 0, count - 1};
      break;
  }
  return p;
}

}  // namespace xbtconv::testing
