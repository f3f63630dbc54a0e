// Reading XBT messages: from a file or from bytes in memory, the kind told
// from the message's own kind bytes (1 standard, 2 extended), decoded into
// an Observation and, unless asked not to, quality-controlled.
//
// Bad input is a result, never an exception: a file that holds no message,
// cannot be read or is cut short says why in a few words, and a message cut
// short still gives the observation of what arrived.
#ifndef XBTCONV_READING_H_
#define XBTCONV_READING_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "xbtconv/observation.h"

namespace xbtconv {

struct ReadOptions {
  /// Samples per second of full-resolution profiles, for their depths.
  double sampleRateHz = kDefaultSampleRateHz;
  /// Whether to run quality control (xbtconv/qc.h) on each observation.
  bool qualityControl = true;
  /// Quality control's clock, in seconds since 1970-01-01T00:00Z: no
  /// observation may be later. None: the system's clock.
  std::optional<std::int64_t> now;
};

struct ReadResult {
  enum class Status {
    kRead,         // decoded whole
    kCutShort,     // the decode stopped early: the observation holds what arrived
    kNotAMessage,  // no message of kind 1 or 2 (or shorter than its kind bytes)
    kUnreadable,   // the file could not be read
  };
  Status status = Status::kUnreadable;
  /// The observation, for kRead and kCutShort.
  std::optional<Observation> observation;
  /// Why the status is not kRead: "not a message (kind 3)", "decode stopped
  /// at bit 478 of 480 (cut short)", "cannot open: No such file or
  /// directory"; empty for kRead.
  std::string reason;

  bool ok() const { return status == Status::kRead; }
};

/// Reads the message file at `path`. The observation's `source` is the
/// file's name.
ReadResult readMessageFile(const std::string& path, const ReadOptions& options = {});

/// Reads a message from the `size` bytes at `bytes`, a message file's whole
/// content; `source` names it in the observation.
ReadResult readMessage(const std::uint8_t* bytes, std::size_t size, std::string source,
                       const ReadOptions& options = {});

/// One file that listMessageFiles found, or a folder it could not list.
struct MessageFileEntry {
  std::string path;   // as it is opened
  std::string error;  // for a folder that could not be listed: why; else empty
};

/// The message files `path` names: the file itself, or a folder's *.bin
/// files (any case of ".bin"), in name order with letters compared without
/// case, and with `recursive` those of its subfolders after its own, each
/// folder in name order (links to folders are not followed).
std::vector<MessageFileEntry> listMessageFiles(const std::string& path, bool recursive = false);

}  // namespace xbtconv

#endif  // XBTCONV_READING_H_
