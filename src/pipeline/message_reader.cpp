#include "pipeline/message_reader.h"

#include <utility>
#include <vector>

#include "profile/observation_builder.h"
#include "report/report_assembly.h"

namespace xbtconv {
namespace {

template <typename Message>
ReadStatus decodeAs(Message& message, const std::uint8_t* bytes, std::size_t size) {
  return message.decode(MessageBuffer{static_cast<std::int32_t>(size), bytes})
             ? ReadStatus::kDecoded
             : ReadStatus::kCutShort;
}

}  // namespace

ReadStatus MessageReader::readFile(const std::string& path) {
  loadMessageFile(path, file_);
  if (file_.failure != LoadFailure::kNone) return status_ = ReadStatus::kNotLoaded;
  byteCount_ = file_.bytes.size();
  status_ = file_.kind == kExtendedKind ? decodeAs(extended_, file_.bytes.data(), byteCount_)
                                        : decodeAs(standard_, file_.bytes.data(), byteCount_);
  // The bytes go before the report is made, so that a large file and its
  // report are never held at once; an ordinary file's room is kept for
  // the next.
  constexpr std::size_t kKeptRoom = std::size_t{1} << 20;
  if (file_.bytes.capacity() > kKeptRoom) {
    FileBytes().swap(file_.bytes);
  } else {
    file_.bytes.clear();
  }
  return status_;
}

ReadStatus MessageReader::readBytes(const std::uint8_t* bytes, std::size_t size) {
  file_ = checkMessageBytes(bytes, size);
  if (file_.failure != LoadFailure::kNone) return status_ = ReadStatus::kNotLoaded;
  byteCount_ = size;
  status_ = file_.kind == kExtendedKind ? decodeAs(extended_, bytes, size)
                                        : decodeAs(standard_, bytes, size);
  return status_;
}

std::string MessageReader::reason() const {
  switch (status_) {
    case ReadStatus::kDecoded:
      return {};
    case ReadStatus::kCutShort:
      return decodeStopped(file_.kind == kExtendedKind ? extended_.stopBit() : standard_.stopBit(),
                           byteCount_);
    case ReadStatus::kNotLoaded:
      break;
  }
  return loadFailureReason(file_);
}

void MessageReader::streamReport(const TextSink& sink) {
  if (file_.kind == kExtendedKind) {
    xbtconv::streamReport(extended_, sink, report_);
  } else {
    xbtconv::streamReport(standard_, sink, report_);
  }
}

Observation MessageReader::observation(std::string source, double sampleRateHz) const {
  const bool whole = status_ == ReadStatus::kDecoded;
  return file_.kind == kExtendedKind
             ? buildObservation(extended_, whole, std::move(source), sampleRateHz)
             : buildObservation(standard_, whole, std::move(source), sampleRateHz);
}

std::string decodeStopped(std::int64_t stopBit, std::size_t byteCount) {
  return "decode stopped at bit " + std::to_string(stopBit) + " of " +
         std::to_string(8 * byteCount) + " (cut short)";
}

}  // namespace xbtconv
