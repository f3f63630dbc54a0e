// A short fingerprint of a code table, so that one line of a test can hold
// every row of a table against the published one: a swapped pair of names or
// a mistyped code changes it. The expected values were worked out from the
// published tables with a separate script, not from this code.
#ifndef XBTCONV_TESTS_SUPPORT_TABLE_DIGEST_H_
#define XBTCONV_TESTS_SUPPORT_TABLE_DIGEST_H_

#include <cstdint>
#include <string_view>

namespace xbtconv::testing {

/// 64-bit FNV-1a of `text`.
constexpr std::uint64_t fnv1a(std::string_view text) {
  std::uint64_t hash = 0xcbf29ce484222325u;
  for (char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3u;
  }
  return hash;
}

}  // namespace xbtconv::testing

#endif  // XBTCONV_TESTS_SUPPORT_TABLE_DIGEST_H_
