// One message file as an observation: loaded, decoded as the kind its kind
// bytes name, and turned into data, with the reason when any step fails.
#ifndef XBTCONV_CLI_OBSERVATION_FILE_H_
#define XBTCONV_CLI_OBSERVATION_FILE_H_

#include <optional>
#include <string>

#include "cli/input_files.h"
#include "driver/message_file.h"
#include "profile/observation.h"

namespace xbtconv {

struct ObservationFile {
  /// The observation, also after a failed decode; none when the file holds
  /// no message (or cannot be read).
  std::optional<Observation> observation;
  /// Why the file is not a good observation; empty when it is.
  std::string failure;
  /// Whether the failure only makes the file one to pass over: not a
  /// message, met while scanning a directory.
  bool skipped = false;
};

/// Reads and decodes `input`; full-resolution depths assume `sampleRateHz`.
ObservationFile observeFile(const InputFile& input, double sampleRateHz);

/// Whether `input`, which did not load for `failure`, is only passed over:
/// a scan meets all sorts of *.bin entries, and only what cannot be read
/// is worth a failure there. A file given by name always is one.
bool passedOver(const InputFile& input, LoadFailure failure);

/// "decode stopped at bit N of M (cut short)".
std::string decodeStopped(std::int64_t stopBit, std::size_t byteCount);

}  // namespace xbtconv

#endif  // XBTCONV_CLI_OBSERVATION_FILE_H_
