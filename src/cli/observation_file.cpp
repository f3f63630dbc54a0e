#include "cli/observation_file.h"

#include <vector>

#include "decoding/jjvv2_message.h"
#include "decoding/jjvv_message.h"
#include "driver/message_file.h"

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
    // A scan meets all sorts of *.bin entries; only what cannot be read is
    // worth a failure there.
    result.skipped = !input.givenByName && (file.failure == LoadFailure::kNotAMessage ||
                                            file.failure == LoadFailure::kTooShort ||
                                            file.failure == LoadFailure::kNotRegular);
    return result;
  }
  result.observation = file.kind == kExtendedKind
                           ? decodeAs<Jjvv2Message>(file.bytes, input.name, sampleRateHz)
                           : decodeAs<JjvvMessage>(file.bytes, input.name, sampleRateHz);
  if (!result.observation->decoded) {
    result.failure = "decode stopped at bit " + std::to_string(*result.observation->stopBit) +
                     " of " + std::to_string(8 * file.bytes.size()) + " (cut short)";
  }
  return result;
}

}  // namespace xbtconv
