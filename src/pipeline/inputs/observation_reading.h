// The read step every command that works on observations shares, and the
// library's reading calls too: a message file through the reader, the
// observation made of what was decoded, rid of the surface values no drop
// can measure, and quality-controlled as asked. At most
// kObservationSamples samples are kept (message_reader.h).
#ifndef XBTCONV_PIPELINE_INPUTS_OBSERVATION_READING_H_
#define XBTCONV_PIPELINE_INPUTS_OBSERVATION_READING_H_

#include <cstdint>
#include <optional>
#include <string>

#include "pipeline/inputs/message_reader.h"
#include "xbtconv/observation.h"

namespace xbtconv {

/// How observations are made: full-resolution depths assume
/// `sampleRateHz`; quality control, when asked for, runs against `now`.
struct ObservationOptions {
  double sampleRateHz = kDefaultSampleRateHz;
  bool qualityControl = true;
  std::int64_t now = 0;  // seconds since 1970-01-01T00:00Z
};

struct ObservationRead {
  ReadStatus status = ReadStatus::kNotLoaded;
  /// What was decoded, unless nothing was (kNotLoaded).
  std::optional<Observation> observation;
  /// Why the read was not whole; "" when it was.
  std::string reason;
  /// The surface values left out as no drop can measure them, with what
  /// they were ("wind direction 510 degrees"); "" for none.
  std::string impossibleValues;
  /// What a file holds past its message, unread: "146 bytes after the
  /// message, not read (a second message?)"; "" for nothing.
  std::string trailing;
};

/// Reads the message file `at`, named `name` in the observation; the
/// observation's `path` is `at.path`.
ObservationRead readObservation(MessageReader& reader, const FileToLoad& at, std::string name,
                                const ObservationOptions& options);
/// The run's clock from which what is made of `observation` may differ,
/// when its quality control judged it against `options.now`, the system's
/// clock: a time later than the clock is flagged by how far ahead it is,
/// which the clock changes. None when nothing that was made depends on it.
std::optional<std::int64_t> currentUntil(const Observation& observation,
                                         const ObservationOptions& options);

/// Reads the message in `size` bytes at `bytes`, named `name`.
ObservationRead readObservation(MessageReader& reader, const std::uint8_t* bytes, std::size_t size,
                                std::string name, const ObservationOptions& options);

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_INPUTS_OBSERVATION_READING_H_
