// Feeds arbitrary bytes through the whole per-file path: kind recognition,
// the decode of the kind found, the decode of both kinds whatever the kind
// bytes say, and the report.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "decoding/message_kind.h"
#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 16)) return 0;
  const xbtconv::MessageBuffer buffer{static_cast<std::int32_t>(size), data};
  const int kind = xbtconv::messageKind(std::span<const std::uint8_t>(data, size));
  if (kind < -1 || kind > 1023) std::abort();
  // Both kinds, whatever the kind bytes say: this covers the kind found.
  xbtconv::fuzz::decodeAndReport<xbtconv::JjvvMessage>(buffer);
  xbtconv::fuzz::decodeAndReport<xbtconv::Jjvv2Message>(buffer);
  return 0;
}
