// Reading XBT messages: from a file or from bytes in memory, the kind told
// from the message's own kind bytes (1 standard, 2 extended), decoded into
// an Observation and, unless asked not to, quality-controlled.
//
// Bad input is a status, never an exception: a file that holds no message,
// cannot be read or is cut short says why in a few words, and a message cut
// short still gives the observation of what arrived. An observation keeps
// at most 65,534 samples, the most a message can count: only a corrupt
// message (its count missing, its profile running to the end of the file)
// holds more, and reading it takes no more memory than reading a whole one.
//
// Every function here may be called from several threads at once: each
// thread reads with a reader of its own, kept for the thread's life.
#ifndef XBTCONV_READING_H_
#define XBTCONV_READING_H_

// First: it says so when the compiler is older than the headers need.
#include "xbtconv/visibility.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xbtconv/observation.h"
#include "xbtconv/status.h"

XBTCONV_PUBLIC_BEGIN
namespace xbtconv {

struct ReadOptions {
  /// Samples per second of full-resolution profiles, for their depths: a
  /// finite number above 0 (checkSampleRate); any other is refused.
  double sampleRateHz = kDefaultSampleRateHz;
  /// Whether to run quality control (xbtconv/qc.h) on each observation.
  bool qualityControl = true;
  /// Quality control's clock, in seconds since 1970-01-01T00:00Z (see
  /// parseTime); none for the system's clock.
  std::optional<std::int64_t> now;
};

struct ReadResult {
  /// Ok when the message was decoded whole; kCutShort when its decode
  /// stopped early ("decode stopped at bit 478 of 480 (cut short)"), the
  /// observation holding what arrived; kNotAMessage ("not a message (kind
  /// 3)"), kUnreadable ("cannot open: No such file or directory", the
  /// system's error number in systemError()) or kInvalidArgument (the
  /// options') without an observation.
  Status status;
  std::optional<Observation> observation;

  bool ok() const { return status.ok(); }
};

/// Reads the message file at `path`. The observation's `source` is the
/// file's name, its `path` the path as given.
ReadResult readMessageFile(const std::string& path, const ReadOptions& options = {});

/// Reads a message from the `size` bytes at `bytes`, a message file's whole
/// content; `source` names it in the observation.
ReadResult readMessage(const std::uint8_t* bytes, std::size_t size, std::string source,
                       const ReadOptions& options = {});

/// One file that listMessageFiles found, or a folder it could not list.
struct MessageFileEntry {
  std::string path;  // as it is opened
  Status status;     // kUnreadable, with the reason, for a folder that could not be listed
};

/// The message files `path` names: the file itself, or a folder's *.bin
/// files (any case of ".bin"), in name order with letters compared without
/// case, and with `recursive` those of its subfolders after its own, each
/// folder in name order (links to folders are not followed).
std::vector<MessageFileEntry> listMessageFiles(const std::string& path, bool recursive = false);

/// Ok when `rate` can be a sampling rate: a finite number of samples per
/// second above 0; else kInvalidArgument, saying so as the command line
/// does ("a sampling rate is a number of samples per second above 0, not
/// '-5'").
Status checkSampleRate(double rate);
/// A sampling rate written as a number and nothing more ("10", "2.5e1"):
/// its value in `rate`, or, as checkSampleRate, why it is none ("10Hz").
Status parseSampleRate(std::string_view text, double& rate);

/// Seconds since 1970-01-01T00:00Z of an ISO 8601 time: a date
/// ("2026-03-14"), or a date and a time of day ("2026-03-14T06:05",
/// "2026-03-14T06:05:30"), in UTC or with its zone ("Z", "+02:00",
/// "-0530"); none for anything else.
std::optional<std::int64_t> parseTime(std::string_view text);
/// "2026-03-14T06:05:00Z" of `seconds` since 1970-01-01T00:00Z.
std::string timeText(std::int64_t seconds);
/// The system clock, in seconds since 1970-01-01T00:00Z.
std::int64_t systemTime();

}  // namespace xbtconv
XBTCONV_PUBLIC_END

#endif  // XBTCONV_READING_H_
