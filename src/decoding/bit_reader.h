// The bit reader: the only code that reads a message's bits. A message is
// one bit string, read most significant bit first; bit offset 0 is the top
// bit of byte 0. Fields follow one another without gaps, each as wide as its
// descriptor says.
//
// A field that would reach past the last bit of the buffer is not read: the
// call returns false and changes nothing. A numeric field whose bits are all
// ones (the missing value) is consumed but not stored, so the descriptor
// keeps whatever it held before. Out-of-range values are the descriptor's
// business (stored as missing). Positions are 64-bit, so files of any size
// that fits a MessageBuffer are handled without overflow.
#ifndef XBTCONV_DECODING_BIT_READER_H_
#define XBTCONV_DECODING_BIT_READER_H_

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "decoding/message_buffer.h"
#include "descriptors/element_descriptor.h"

namespace xbtconv {

/// Widest field the reader hands over: the 60-byte work buffer.
inline constexpr int kWorkBufferBits = 8 * ElementDescriptor::kValueSize;

/// Whether bit number `bitNumber` (counted from 1) of `bytes` is one.
/// REQUIRES: bitNumber >= 1 and inside `bytes`.
bool getBit(std::int64_t bitNumber, const std::uint8_t* bytes);

/// Clears bit number `bitNumber` (counted from 1) of `buffer` when `bit` is
/// false; leaves it as it is when `bit` is true.
void setBit(std::int64_t bitNumber, bool bit, std::uint8_t* buffer);

/// Reads the field of `descriptor` at `position` and advances `position` by
/// its width. Returns false, changing nothing, when the field does not fit.
bool readDescriptor(const MessageBuffer& buffer, std::int64_t& position,
                    ElementDescriptor& descriptor);

/// The eight bytes at `bytes` as one number, the first byte the highest.
inline std::uint64_t loadBigEndian64(const std::uint8_t* bytes) {
  std::uint64_t word;
  std::memcpy(&word, bytes, sizeof word);
  if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
  return word;
}

/// The `width` bits (0 to 32) at `position` as an unsigned number, most
/// significant first. The fit is the caller's to check: readDescriptor
/// checks each field, the profile loops check many fields at once.
/// REQUIRES: position >= 0 and position + width <= 8 * buffer.byteCount.
inline std::uint32_t bitsInside(const MessageBuffer& buffer, std::int64_t position, int width) {
  if (width == 0) return 0;
  const std::int64_t index = position >> 3;
  const int skipped = static_cast<int>(position & 7);
  const std::uint8_t* bytes = buffer.bytes + index;
  // The common case, a field within four bytes that all lie in the buffer.
  if (skipped + width <= 32 && index + 4 <= buffer.byteCount) {
    const std::uint32_t word = (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
                               (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
    return (word << skipped) >> (32 - width);
  }
  // Otherwise five bytes at most: eight loaded at once where they lie in
  // the buffer; near its end, bytes past it count as zeros, as the field's
  // own bits are all inside it.
  if (index + 8 <= buffer.byteCount) {
    return static_cast<std::uint32_t>((loadBigEndian64(bytes) << skipped) >> (64 - width));
  }
  std::uint64_t window = 0;
  for (std::int64_t k = 0; k < 8; ++k) {
    window = (window << 8) | (index + k < buffer.byteCount ? bytes[k] : 0u);
  }
  return static_cast<std::uint32_t>((window << skipped) >> (64 - width));
}

/// Reads `count` fields of `Width` bits that follow one another from
/// `position`, hands each to `take(i, bits)` in order, and advances
/// `position` past them. A profile is thousands of such fields: wherever
/// eight bytes lie in the buffer, one eight-byte load yields as many whole
/// fields as fit in the 57 bits it holds past any skipped bits.
/// REQUIRES: position >= 0 and position + count * Width <= 8 * byteCount.
template <int Width, typename Take>
void readFieldsInside(const MessageBuffer& buffer, std::int64_t& position, std::size_t count,
                      Take take) {
  static_assert(Width >= 1 && Width <= 32);
  constexpr int kPerLoad = (64 - 7) / Width;
  constexpr std::int64_t kLoadBits = std::int64_t{kPerLoad} * Width;
  // Groups starting before bit `loadable` have the eight bytes from their
  // first byte inside the buffer.
  const std::int64_t loadable = 8 * (std::int64_t{buffer.byteCount} - 7);
  std::int64_t at = position;
  const std::size_t groups =
      at < loadable
          ? std::min(count / kPerLoad,
                     static_cast<std::size_t>((loadable - at + kLoadBits - 1) / kLoadBits))
          : 0;
  const auto takeGroup = [&take](std::size_t first, std::uint64_t word) {
    for (int k = 0; k < kPerLoad; ++k) {
      take(first + k, static_cast<std::uint32_t>((word << (k * Width)) >> (64 - Width)));
    }
  };
  if constexpr (kLoadBits % 8 == 0) {
    // Whole bytes a group (four twelve-bit samples are six): the bits
    // skipped in the first byte are the same for every group.
    const std::uint8_t* const bytes = buffer.bytes + (at >> 3);
    const int skipped = static_cast<int>(at & 7);
    for (std::size_t g = 0; g < groups; ++g) {
      takeGroup(g * kPerLoad, loadBigEndian64(bytes + g * (kLoadBits / 8)) << skipped);
    }
  } else {
    for (std::size_t g = 0; g < groups; ++g) {
      const std::int64_t start = at + static_cast<std::int64_t>(g) * kLoadBits;
      takeGroup(g * kPerLoad, loadBigEndian64(buffer.bytes + (start >> 3)) << (start & 7));
    }
  }
  at += static_cast<std::int64_t>(groups) * kLoadBits;
  for (std::size_t i = groups * kPerLoad; i < count; ++i, at += Width) {
    take(i, bitsInside(buffer, at, Width));
  }
  position = at;
}

/// readFieldsInside for twelve-bit fields, the samples of most profiles:
/// stores them in out[0] ... out[count - 1] and returns whether any was all
/// ones. Where the processor has byte shuffles (SSSE3), eight are read at
/// a time.
/// REQUIRES: position >= 0 and position + count * 12 <= 8 * byteCount.
bool readTwelveBitFields(const MessageBuffer& buffer, std::int64_t& position, std::size_t count,
                         std::uint32_t* out);

/// Tells readRun which positions of a sequence to pass over unread.
using SkipTest = std::function<bool(int)>;

/// Reads sequence[first] .. sequence[first + count - 1] in order, passing
/// over the positions `isSkipped` names. Returns false at the first field
/// that does not fit, leaving `position` at its first bit; the fields before
/// it keep their new values.
/// REQUIRES: the positions lie inside `sequence`.
bool readRun(const std::vector<ElementDescriptor*>& sequence, int first, int count,
             const MessageBuffer& buffer, std::int64_t& position,
             const SkipTest& isSkipped = nullptr);

}  // namespace xbtconv

#endif  // XBTCONV_DECODING_BIT_READER_H_
