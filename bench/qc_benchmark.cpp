// Quality control of one realistic full-resolution profile of 2,000 samples
// (a mixed layer over a thermocline, as a deep probe samples it at 10 Hz),
// as an export pays it for each message.
#include <benchmark/benchmark.h>

#include <random>

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

}  // namespace

BENCHMARK_MAIN();
