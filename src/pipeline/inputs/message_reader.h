// MessageReader: the first steps of every command's per-file pipeline. It
// loads a message file (or takes a message's bytes), tells its kind from
// the kind bytes, and decodes it into the message object of that kind that
// it keeps from file to file: building the objects for each file would cost
// more than decoding most files. What was read stays until the next read;
// the report and the observation are made from it.
//
// Nothing about one file survives into the next: each decode starts from a
// cleared message. The file's bytes are let go as soon as the decode
// returns, so that a large file and its report are never held at once.
//
// A read for an observation keeps at most kObservationSamples samples: no
// message can count more, and only a corrupt one (its count missing, its
// profile running to the end of the file) has more. Only the start of such
// a file is read, so that whatever a file holds, a read takes a bounded
// memory; where the decode stops is still said for the whole file.
#ifndef XBTCONV_PIPELINE_INPUTS_MESSAGE_READER_H_
#define XBTCONV_PIPELINE_INPUTS_MESSAGE_READER_H_

#include <cstdint>
#include <string>
#include <unordered_map>

#include "decoding/jjvv2_message.h"
#include "decoding/jjvv_message.h"
#include "pipeline/inputs/message_file.h"
#include "report/report_text.h"
#include "report/text_sink.h"
#include "xbtconv/observation.h"

namespace xbtconv {

/// The most samples a message can count, and so the most an observation
/// keeps.
inline constexpr std::size_t kObservationSamples = 65534;
/// The bytes that hold every field of either kind and kObservationSamples
/// groups of the widest (inflection points: 26 bits): the most a read for
/// an observation loads of a file.
inline constexpr std::size_t kObservationBytes = 128 + (kObservationSamples * 26 + 7) / 8;

/// Message files a run has loaded already (for an observation), by their
/// path as the run names them: a reader takes one from here rather than
/// read the file again.
using HeldFiles = std::unordered_map<std::string, LoadedFile>;

enum class ReadStatus {
  kDecoded,    // read whole
  kCutShort,   // decoded as far as the bytes went
  kNotLoaded,  // no message of kind 1 or 2, or the file could not be read
};

class MessageReader {
 public:
  MessageReader() = default;
  MessageReader(const MessageReader&) = delete;
  MessageReader& operator=(const MessageReader&) = delete;

  /// Loads and decodes the file `at`; with `observation`, keeps at most
  /// kObservationSamples samples, and takes the file from the files held
  /// (hold()) where it is there.
  ReadStatus readFile(const FileToLoad& at, bool observation = false);
  /// Loads and decodes the file at `path`, as a user names it.
  ReadStatus readFile(const std::string& path, bool observation = false) {
    return readFile(FileToLoad{nullptr, {}, path}, observation);
  }
  /// Has readFile take files from `files` (none: nullptr), which must
  /// outlive the reads and stay unchanged during them.
  void hold(const HeldFiles* files) { held_ = files; }
  /// Decodes `size` bytes at `bytes`, a message file's whole content; with
  /// `observation`, keeps at most kObservationSamples samples.
  ReadStatus readBytes(const std::uint8_t* bytes, std::size_t size, bool observation = false);

  ReadStatus status() const { return status_; }
  /// The kind decoded (1 or 2); -1 when nothing was.
  int kind() const { return file_.kind; }
  /// Why the last file did not load.
  LoadFailure loadFailure() const { return file_.failure; }
  /// The system's error number behind it (kCannotOpen, kCannotRead); else 0.
  int loadError() const { return file_.error; }
  /// The last file's identity, as it was loaded.
  const FileIdentity& fileIdentity() const { return file_.identity; }
  /// The samples the message holds past those kept.
  std::int64_t samplesLeftOut() const;
  /// The whole bytes after a message read whole: what a file of several
  /// messages holds past its first (a message ends within its last byte).
  std::size_t trailingBytes() const;
  /// Why the last read was not whole, in a few words: "not a message (kind
  /// 3)", "decode stopped at bit 478 of 480 (cut short)", with "; samples
  /// past 65534 not exported" when some were left out; "" when it was.
  std::string reason() const;

  /// Hands the report of what was read to `sink`, in pieces.
  /// REQUIRES: status() != kNotLoaded.
  void streamReport(const TextSink& sink);
  /// What was read as an observation; full-resolution depths assume
  /// `sampleRateHz`. REQUIRES: status() != kNotLoaded.
  Observation observation(std::string source, double sampleRateHz) const;
  /// Only the drop that was read: its time, position, call sign and IMO
  /// number. REQUIRES: status() != kNotLoaded.
  Observation drop() const;

 private:
  ReadStatus decode(const std::uint8_t* bytes, std::size_t size, bool observation);

  JjvvMessage standard_;
  Jjvv2Message extended_;
  ReportText report_;
  LoadedFile file_;
  const HeldFiles* held_ = nullptr;
  std::size_t byteCount_ = 0;
  ReadStatus status_ = ReadStatus::kNotLoaded;
};

/// "decode stopped at bit N of M (cut short)".
std::string decodeStopped(std::int64_t stopBit, std::size_t byteCount);

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_INPUTS_MESSAGE_READER_H_
