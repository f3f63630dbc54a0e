#include "cli/observation_file.h"

#include <vector>

#include "decoding/jjvv2_message.h"
#include "decoding/jjvv_message.h"

namespace xbtconv {
namespace {

template <typename Message>
Observation decodeAs(const std::vector<std::uint8_t>& bytes, const std::string& name,
                     double sampleRateHz) {
  Message message;
  const bool read =
      message.decode(MessageBuffer{static_cast<std::int32_t>(bytes.size()), bytes.data()});
  return buildObservation(message, read, name, sampleRateHz);
}

}  // namespace

ObservationFile observeFile(const InputFile& input, double sampleRateHz) {
  ObservationFile result;
  const LoadedFile file = loadMessageFile(input.path);
  if (file.failure != LoadFailure::kNone) {
    result.failure = loadFailureReason(file);
    result.skipped = passedOver(input, file.failure);
    return result;
  }
  result.observation = file.kind == kExtendedKind
                           ? decodeAs<Jjvv2Message>(file.bytes, input.name, sampleRateHz)
                           : decodeAs<JjvvMessage>(file.bytes, input.name, sampleRateHz);
  if (!result.observation->decoded) {
    result.failure = decodeStopped(*result.observation->stopBit, file.bytes.size());
  }
  return result;
}

bool passedOver(const InputFile& input, LoadFailure failure) {
  return !input.givenByName &&
         (failure == LoadFailure::kNotAMessage || failure == LoadFailure::kTooShort ||
          failure == LoadFailure::kNotRegular);
}

std::string decodeStopped(std::int64_t stopBit, std::size_t byteCount) {
  return "decode stopped at bit " + std::to_string(stopBit) + " of " +
         std::to_string(8 * byteCount) + " (cut short)";
}

}  // namespace xbtconv
