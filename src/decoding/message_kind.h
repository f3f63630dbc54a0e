// Recognition of the message kind from the first bytes of a file, before any
// message object is built: byte 9 must start with six one bits (the report
// sub-category field at its missing value), and the ten bits that follow
// name the kind (1 standard, 2 extended).
#ifndef XBTCONV_DECODING_MESSAGE_KIND_H_
#define XBTCONV_DECODING_MESSAGE_KIND_H_

#include <cstdint>
#include <span>

namespace xbtconv {

/// Bytes a file needs before its kind can be told.
inline constexpr int kKindBytes = 11;

/// The ten-bit kind field, or -1 when the file is too short or byte 9 does
/// not begin with six ones.
int messageKind(std::span<const std::uint8_t> bytes);

}  // namespace xbtconv

#endif  // XBTCONV_DECODING_MESSAGE_KIND_H_
