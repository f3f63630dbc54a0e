#include "pipeline/inputs/observation_reading.h"

#include <utility>

#include "profile/surface_ranges.h"
#include "xbtconv/qc.h"

namespace xbtconv {
namespace {

ObservationRead observe(MessageReader& reader, std::string name,
                        const ObservationOptions& options) {
  ObservationRead read;
  read.status = reader.status();
  read.reason = reader.reason();
  if (read.status == ReadStatus::kNotLoaded) return read;
  read.observation = reader.observation(std::move(name), options.sampleRateHz);
  read.impossibleValues = leaveOutImpossibleSurfaceValues(*read.observation);
  if (const std::size_t after = reader.trailingBytes(); after > 0) {
    read.trailing = std::to_string(after) + (after == 1 ? " byte" : " bytes") +
                    " after the message, not read (a second message? a file holds one)";
  }
  if (options.qualityControl) runQualityControl(*read.observation, options.now);
  return read;
}

}  // namespace

ObservationRead readObservation(MessageReader& reader, const FileToLoad& at, std::string name,
                                const ObservationOptions& options) {
  reader.readFile(at, true);
  ObservationRead read = observe(reader, std::move(name), options);
  if (read.observation) read.observation->path = at.path;
  return read;
}

ObservationRead readObservation(MessageReader& reader, const std::uint8_t* bytes, std::size_t size,
                                std::string name, const ObservationOptions& options) {
  reader.readBytes(bytes, size, true);
  return observe(reader, std::move(name), options);
}

std::optional<std::int64_t> currentUntil(const Observation& observation,
                                         const ObservationOptions& options) {
  const std::optional<std::int64_t>& time = observation.time.utcSeconds;
  if (!options.qualityControl || !time || *time <= options.now) return std::nullopt;
  return options.now;
}

}  // namespace xbtconv
