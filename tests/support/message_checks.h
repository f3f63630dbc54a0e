// Checks that a decoded message holds the field values it was built from.
#ifndef XBTCONV_TESTS_SUPPORT_MESSAGE_CHECKS_H_
#define XBTCONV_TESTS_SUPPORT_MESSAGE_CHECKS_H_

#include "decoding/jjvv_message.h"
#include "support/message_builder.h"

namespace xbtconv::testing {

/// Every accessor of the header and the standard part, and the profile,
/// against the values `sent`.
void expectStandardFields(const JjvvMessage& message, const StandardFields& sent);

}  // namespace xbtconv::testing

#endif  // XBTCONV_TESTS_SUPPORT_MESSAGE_CHECKS_H_
