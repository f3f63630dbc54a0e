// Quality control of one realistic full-resolution profile of 2,000 samples
// (a mixed layer over a thermocline, as a deep probe samples it at 10 Hz),
// as an export pays it for each message; and the land mask's answer for one
// position, which quality control asks once a drop.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "qc/land_mask.h"
#include "support/realistic_profile.h"
#include "xbtconv/qc.h"

namespace {

void BM_QualityControl2000Samples(benchmark::State& state) {
  std::mt19937_64 random(2000);
  xbtconv::Observation observation;
  do {
    observation = xbtconv::testing::realisticProfile(random, false).observation;
  } while (observation.profile.samples.size() < 1000);
  // Twice the profile, deeper: 2,000 samples or more.
  std::vector<xbtconv::Sample>& samples = observation.profile.samples;
  const std::size_t count = samples.size();
  for (std::size_t i = 0; samples.size() < 2000; ++i) {
    xbtconv::Sample deeper = samples[i % count];
    *deeper.depthHundredths += *samples[count - 1].depthHundredths;
    samples.push_back(deeper);
  }
  samples.resize(2000);
  for (auto _ : state) {
    xbtconv::runQualityControl(observation, 1796083200);
    benchmark::DoNotOptimize(observation.qc);
  }
  state.SetItemsProcessed(state.iterations() * 2000);
}
BENCHMARK(BM_QualityControl2000Samples);

void BM_GroundAtAnyPosition(benchmark::State& state) {
  std::mt19937_64 random(14);
  std::uniform_real_distribution<double> latitude(-90, 90);
  std::uniform_real_distribution<double> longitude(-180, 180);
  std::vector<std::pair<double, double>> positions(4096);
  for (auto& [lat, lon] : positions) {
    lat = latitude(random);
    lon = longitude(random);
  }
  benchmark::DoNotOptimize(xbtconv::groundAt(0, 0));  // the mask unpacked first
  std::size_t at = 0;
  for (auto _ : state) {
    const auto& [lat, lon] = positions[at++ % positions.size()];
    benchmark::DoNotOptimize(xbtconv::groundAt(lat, lon));
  }
}
BENCHMARK(BM_GroundAtAnyPosition);

}  // namespace

BENCHMARK_MAIN();
