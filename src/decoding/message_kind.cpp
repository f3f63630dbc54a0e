#include "decoding/message_kind.h"

namespace xbtconv {

int messageKind(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < static_cast<std::size_t>(kKindBytes)) return -1;
  const std::uint8_t b9 = bytes[9];
  if (b9 < 252) return -1;
  return (b9 & 3) * 256 + bytes[10];
}

}  // namespace xbtconv
