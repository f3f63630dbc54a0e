// What every fuzz target checks of a message it decoded, beyond "no crash
// and no sanitizer report": the report streamed in pieces is the report
// made whole, a reused message reports what a new one does, a decode of its
// first bytes only agrees with the whole one (and tells the same drop), the
// extended kind is back in
// its kind-2 state, and the observation exports as JSON, CSV and BUFR and
// plots as SVG, and, when asked (netCDF is slow enough to cut a target's
// pace tenfold), as netCDF where the build has it.
#ifndef XBTCONV_FUZZ_FUZZ_CHECKS_H_
#define XBTCONV_FUZZ_FUZZ_CHECKS_H_

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <type_traits>

#include "decoding/jjvv2_message.h"
#include "decoding/jjvv_message.h"
#include "formats/bufr_export.h"
#include "pipeline/inputs/drop_survey.h"
#include "pipeline/inputs/message_reader.h"
#include "profile/drop_identity.h"
#include "profile/observation_builder.h"
#include "profile/surface_ranges.h"
#include "report/report_assembly.h"
#include "xbtconv/formats.h"
#include "xbtconv/qc.h"

namespace xbtconv::fuzz {

template <typename Message>
void checkReport(const Message& message) {
  const std::string whole = reportText(message);
  std::string streamed;
  streamReport(message, [&streamed](std::string_view piece) { streamed += piece; });
  if (streamed != whole) std::abort();
}

template <typename Message>
std::int64_t groupsKept(const Message& message) {
  return std::int64_t{message.fullResolutionCount()} + message.twoMeterCount() / 2 +
         message.inflectionPointCount();
}

/// A batch reads an observation's message from its first bytes only, as
/// many as every field and the groups it keeps need, told the whole size:
/// that decode succeeds or stops as the whole one does, keeps the whole
/// one's first groups and counts the rest as left out.
template <typename Message>
void checkLimitedDecode(const MessageBuffer& buffer, const Message& whole, bool read) {
  const auto keep = static_cast<std::size_t>(buffer.byteCount) % 61;
  const auto prefix = static_cast<std::int32_t>(
      std::min<std::size_t>(static_cast<std::size_t>(buffer.byteCount), 128 + (keep * 26 + 7) / 8));
  Message limited;
  const bool limitedRead =
      limited.decode(MessageBuffer{prefix, buffer.bytes}, ProfileLimit{keep, buffer.byteCount});
  if (limitedRead != read || limited.stopBit() != whole.stopBit()) std::abort();
  const std::int64_t kept = groupsKept(limited);
  if (kept > static_cast<std::int64_t>(keep) ||
      kept + limited.groupsLeftOut() != groupsKept(whole)) {
    std::abort();
  }
  if (limited.fullResolutionRaws().size() > whole.fullResolutionRaws().size()) std::abort();
  const auto first = whole.fullResolutionRaws().first(limited.fullResolutionRaws().size());
  if (!std::equal(first.begin(), first.end(), limited.fullResolutionRaws().begin())) std::abort();
}

/// Decodes `buffer` as `Message`, checks its report, a decode of its first
/// bytes, and exports it.
template <typename Message>
void decodeAndReport(const MessageBuffer& buffer, bool netcdf = false) {
  Message message;
  const bool read = message.decode(buffer);
  checkReport(message);
  // One message decoding input after input, as a batch reuses one, reports
  // what a new one does.
  static Message reused;
  if (reused.decode(buffer) != read || reportText(reused) != reportText(message)) std::abort();
  checkLimitedDecode(buffer, message, read);
  Observation observation = buildObservation(message, read, "fuzz.bin");
  // A run's first pass reads a message's start only for the drop it
  // holds: the start tells the drop the whole message tells.
  Message start;
  start.decode(
      MessageBuffer{std::min<std::int32_t>(buffer.byteCount, kDropStartBytes), buffer.bytes},
      ProfileLimit{kObservationSamples, buffer.byteCount});
  if (dropIdentity(buildObservation(start, false, "")) != dropIdentity(observation)) std::abort();
  leaveOutImpossibleSurfaceValues(observation);
  runQualityControl(observation, 1800000000);
  for (const Sample& sample : observation.profile.samples) {
    if (sample.temperatureQc == 0 || sample.depthQc == 0) std::abort();
  }
  if (toJson(observation).empty() || toCsv(observation).size() > (1u << 24)) {
    std::abort();
  }
  // A BUFR message states its own length in octets 5 to 7 and ends so.
  std::string bufr;
  appendObservationBufr(bufr, observation);
  const std::size_t stated = static_cast<std::size_t>(static_cast<unsigned char>(bufr[4])) << 16 |
                             static_cast<std::size_t>(static_cast<unsigned char>(bufr[5])) << 8 |
                             static_cast<unsigned char>(bufr[6]);
  if (stated != bufr.size() || bufr.compare(bufr.size() - 4, 4, "7777") != 0) std::abort();
  const std::string svg = toSvg(observation);
  if (svg.size() < 7 || svg.compare(svg.size() - 7, 7, "</svg>\n") != 0) std::abort();
  if (netcdf && netcdfAvailable()) {
    // One scratch file per process, so that targets can run side by side.
    static const std::string scratch =
        (std::filesystem::temp_directory_path() /
         ("xbtconv-fuzz-" + std::to_string(std::random_device()()) + ".nc"))
            .string();
    if (!writeNetcdf(scratch, {observation}, NetcdfOptions{}).ok()) std::abort();
    std::filesystem::remove(scratch);
  }
  if constexpr (std::is_same_v<Message, Jjvv2Message>) {
    const ElementDescriptor* serial = message.sequence()[Jjvv2Message::kSerialPosition];
    if (serial->width() != 24) std::abort();
  }
}

}  // namespace xbtconv::fuzz

#endif  // XBTCONV_FUZZ_FUZZ_CHECKS_H_
