// Random field values for property tests: mostly in range, sometimes above
// the accepted range, sometimes all ones (missing), so that every decoding
// path is taken.
#ifndef XBTCONV_TESTS_SUPPORT_RANDOM_FIELDS_H_
#define XBTCONV_TESTS_SUPPORT_RANDOM_FIELDS_H_

#include <cstdint>
#include <random>
#include <vector>

#include "support/message_builder.h"

namespace xbtconv::testing {

/// A value for a field of `width` bits whose accepted range ends at
/// `maximum`.
std::uint64_t randomFieldValue(std::mt19937_64& random, int width, std::uint64_t maximum);

/// What a raw-value accessor gives for a value sent in a field accepting
/// `minimum` to `maximum`: the value, or -1.
std::int32_t expectedRaw(std::uint64_t sent, std::uint64_t minimum, std::uint64_t maximum);

/// Random values in every field of a standard message, with a profile of
/// up to 40 groups of a random layout (1 to 3).
StandardFields randomStandardFields(std::mt19937_64& random);

/// The same for an extended message, launch fields included.
ExtendedFields randomExtendedFields(std::mt19937_64& random);

/// The bytes of message number `index` of a random batch: extended for even
/// numbers, standard for odd ones, every fifth cut short.
std::vector<std::uint8_t> randomBatchMessage(std::mt19937_64& random, int index);

}  // namespace xbtconv::testing

#endif  // XBTCONV_TESTS_SUPPORT_RANDOM_FIELDS_H_
