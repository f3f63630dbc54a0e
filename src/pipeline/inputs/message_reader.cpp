#include "pipeline/inputs/message_reader.h"

#include <utility>
#include <vector>

#include "profile/observation_builder.h"
#include "report/report_assembly.h"

namespace xbtconv {
namespace {

template <typename Message>
ReadStatus decodeAs(Message& message, const std::uint8_t* bytes, std::size_t size,
                    const ProfileLimit& limit) {
  return message.decode(MessageBuffer{static_cast<std::int32_t>(size), bytes}, limit)
             ? ReadStatus::kDecoded
             : ReadStatus::kCutShort;
}

}  // namespace

ReadStatus MessageReader::decode(const std::uint8_t* bytes, std::size_t size, bool observation) {
  ProfileLimit limit;
  if (observation) limit = {kObservationSamples, static_cast<std::int64_t>(file_.size)};
  byteCount_ = file_.size;
  return status_ = file_.kind == kExtendedKind ? decodeAs(extended_, bytes, size, limit)
                                               : decodeAs(standard_, bytes, size, limit);
}

ReadStatus MessageReader::readFile(const FileToLoad& at, bool observation) {
  const LoadedFile* held = nullptr;
  if (observation && held_ != nullptr) {
    const auto found = held_->find(std::string(at.path));
    if (found != held_->end()) held = &found->second;
  }
  if (held != nullptr) {
    file_.kind = held->kind;
    file_.bytes.assign(held->bytes.begin(), held->bytes.end());
    file_.size = held->size;
    file_.identity = held->identity;
    file_.failure = LoadFailure::kNone;
  } else {
    loadMessageFile(at, file_, observation ? kObservationBytes : SIZE_MAX);
  }
  if (file_.failure != LoadFailure::kNone) return status_ = ReadStatus::kNotLoaded;
  decode(file_.bytes.data(), file_.bytes.size(), observation);
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

ReadStatus MessageReader::readBytes(const std::uint8_t* bytes, std::size_t size, bool observation) {
  file_ = checkMessageBytes(bytes, size);
  if (file_.failure != LoadFailure::kNone) return status_ = ReadStatus::kNotLoaded;
  return decode(bytes, size, observation);
}

std::int64_t MessageReader::samplesLeftOut() const {
  if (status_ == ReadStatus::kNotLoaded) return 0;
  return file_.kind == kExtendedKind ? extended_.groupsLeftOut() : standard_.groupsLeftOut();
}

std::size_t MessageReader::trailingBytes() const {
  if (status_ != ReadStatus::kDecoded) return 0;
  const std::int64_t stop = file_.kind == kExtendedKind ? extended_.stopBit() : standard_.stopBit();
  const auto used = static_cast<std::size_t>((stop + 7) / 8);
  return byteCount_ > used ? byteCount_ - used : 0;
}

std::string MessageReader::reason() const {
  switch (status_) {
    case ReadStatus::kDecoded:
      return {};
    case ReadStatus::kCutShort: {
      std::string reason = decodeStopped(
          file_.kind == kExtendedKind ? extended_.stopBit() : standard_.stopBit(), byteCount_);
      if (samplesLeftOut() > 0) {
        reason += "; samples past " + std::to_string(kObservationSamples) + " not exported";
      }
      return reason;
    }
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

Observation MessageReader::drop() const {
  return buildDrop(file_.kind == kExtendedKind ? static_cast<const JjvvMessage&>(extended_)
                                               : standard_);
}

std::string decodeStopped(std::int64_t stopBit, std::size_t byteCount) {
  return "decode stopped at bit " + std::to_string(stopBit) + " of " +
         std::to_string(8 * byteCount) + " (cut short)";
}

}  // namespace xbtconv
