// In-process cost of converting one message: decode plus the whole report
// text, for typical messages of each layout and kind. Reports time per
// message and, as the "samples" rate, per profile sample.
#include <benchmark/benchmark.h>

#include <string_view>

#include "decoding/jjvv2_message.h"
#include "decoding/jjvv_message.h"
#include "report/report_assembly.h"
#include "support/message_builder.h"

namespace {

using xbtconv::testing::ExtendedFields;

// A profile of `samples` groups in `type` layout, cooling with depth.
ExtendedFields fieldsWithProfile(int type, int samples) {
  ExtendedFields fields;
  fields.typeOfData = static_cast<std::uint64_t>(type);
  for (int i = 0; i < samples; ++i) {
    const std::uint64_t temperature = 3200 - static_cast<std::uint64_t>(i) * 2400 / 2000;
    if (type == 3) {
      fields.points.emplace_back(static_cast<std::uint64_t>(5 + 7 * i), temperature);
    } else {
      fields.temperatures.push_back(temperature);
    }
  }
  return fields;
}

// The batches' way: one message decodes file after file, and each report
// is made in a buffer kept from file to file.
template <typename Message>
void convert(benchmark::State& state, const std::vector<std::uint8_t>& bytes, int samples) {
  const xbtconv::MessageBuffer buffer{static_cast<std::int32_t>(bytes.size()), bytes.data()};
  Message message;
  xbtconv::ReportText text;
  std::size_t reportBytes = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(message.decode(buffer));
    reportBytes = 0;
    streamReport(
        message,
        [&reportBytes](std::string_view piece) {
          reportBytes += piece.size();
          benchmark::DoNotOptimize(piece.data());
        },
        text);
    message.clear();
  }
  state.SetItemsProcessed(state.iterations() * samples);
  state.counters["report_bytes"] = static_cast<double>(reportBytes);
}

void StandardMessage(benchmark::State& state) {
  const int type = static_cast<int>(state.range(0));
  const int samples = static_cast<int>(state.range(1));
  ExtendedFields fields = fieldsWithProfile(type, samples);
  fields.header.kind = 1;
  convert<xbtconv::JjvvMessage>(state, xbtconv::testing::standardMessage(fields), samples);
}

void ExtendedMessage(benchmark::State& state) {
  const int type = static_cast<int>(state.range(0));
  const int samples = static_cast<int>(state.range(1));
  convert<xbtconv::Jjvv2Message>(
      state, xbtconv::testing::extendedMessage(fieldsWithProfile(type, samples)), samples);
}

// Building the message objects, which the batches do once, not per file.
void ConstructStandard(benchmark::State& state) {
  for (auto _ : state) {
    xbtconv::JjvvMessage message;
    benchmark::DoNotOptimize(&message);
  }
}
void ConstructExtended(benchmark::State& state) {
  for (auto _ : state) {
    xbtconv::Jjvv2Message message;
    benchmark::DoNotOptimize(&message);
  }
}
BENCHMARK(ConstructStandard);
BENCHMARK(ConstructExtended);

// Arguments: type of data, samples (points for type 3).
BENCHMARK(StandardMessage)
    ->ArgNames({"type", "samples"})
    ->Args({1, 0})
    ->Args({1, 1000})
    ->Args({1, 2000})
    ->Args({2, 500})
    ->Args({3, 50});
BENCHMARK(ExtendedMessage)
    ->ArgNames({"type", "samples"})
    ->Args({1, 1000})
    ->Args({2, 500})
    ->Args({3, 50});

}  // namespace

BENCHMARK_MAIN();
