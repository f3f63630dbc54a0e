// One message file as an observation: loaded, decoded as the kind its kind
// bytes name, and turned into data, with the reason when any step fails.
#ifndef XBTCONV_CLI_OBSERVATION_FILE_H_
#define XBTCONV_CLI_OBSERVATION_FILE_H_

#include <optional>
#include <string>

#include "cli/input_files.h"
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

}  // namespace xbtconv

#endif  // XBTCONV_CLI_OBSERVATION_FILE_H_
