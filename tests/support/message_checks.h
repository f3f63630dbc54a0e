// Decoding test messages, and checking that a decoded message holds the
// field values it was built from.
#ifndef XBTCONV_TESTS_SUPPORT_MESSAGE_CHECKS_H_
#define XBTCONV_TESTS_SUPPORT_MESSAGE_CHECKS_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "decoding/jjvv_message.h"
#include "support/message_builder.h"

namespace xbtconv::testing {

/// `bytes` decoded as a `Message` (which can be neither copied nor moved,
/// hence the pointer); `read` receives what decode returned.
template <typename Message = JjvvMessage>
std::unique_ptr<Message> decoded(const std::vector<std::uint8_t>& bytes, bool* read = nullptr) {
  auto message = std::make_unique<Message>();
  const bool whole = message->decode(bufferOf(bytes));
  if (read != nullptr) *read = whole;
  return message;
}

/// The report the converter writes for `bytes`: decoded as the extended
/// kind when the kind bytes say so, as the standard kind otherwise.
std::string reportOf(const std::vector<std::uint8_t>& bytes);

/// Every accessor of the header and the standard part, and the profile,
/// against the values `sent`.
void expectStandardFields(const JjvvMessage& message, const StandardFields& sent);

}  // namespace xbtconv::testing

#endif  // XBTCONV_TESTS_SUPPORT_MESSAGE_CHECKS_H_
