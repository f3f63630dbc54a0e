#include "decoding/bit_reader.h"

#include <algorithm>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define XBTCONV_BYTE_SHUFFLES 1
#endif

namespace xbtconv {
namespace {

#ifdef XBTCONV_BYTE_SHUFFLES
// Reads `groups` groups of eight twelve-bit fields (twelve bytes a group)
// from `bytes`, the first `skipped` bits passed over, into `out`; returns
// the OR of every field plus one (all ones plus one is the only sum with
// bit 12 set). REQUIRES: sixteen bytes from each group's first lie in the
// buffer, 0 <= skipped <= 7.
__attribute__((target("ssse3"))) std::uint32_t unpackGroupsOfEight(const std::uint8_t* bytes,
                                                                   int skipped, std::size_t groups,
                                                                   std::uint32_t* out) {
  // Lane j takes bytes 3j to 3j + 3, the first the most significant: fields
  // 2j and 2j + 1, after the skipped bits.
  const __m128i order = _mm_setr_epi8(3, 2, 1, 0, 6, 5, 4, 3, 9, 8, 7, 6, 12, 11, 10, 9);
  const __m128i skip = _mm_cvtsi32_si128(skipped);
  const __m128i one = _mm_set1_epi32(1);
  __m128i sums = _mm_setzero_si128();
  for (std::size_t g = 0; g < groups; ++g) {
    const __m128i loaded = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 12 * g));
    const __m128i pairs = _mm_sll_epi32(_mm_shuffle_epi8(loaded, order), skip);
    const __m128i first = _mm_srli_epi32(pairs, 20);
    const __m128i second = _mm_srli_epi32(_mm_slli_epi32(pairs, 12), 20);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8 * g), _mm_unpacklo_epi32(first, second));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8 * g + 4),
                     _mm_unpackhi_epi32(first, second));
    sums = _mm_or_si128(sums, _mm_or_si128(_mm_add_epi32(first, one), _mm_add_epi32(second, one)));
  }
  sums = _mm_or_si128(sums, _mm_srli_si128(sums, 8));
  sums = _mm_or_si128(sums, _mm_srli_si128(sums, 4));
  return static_cast<std::uint32_t>(_mm_cvtsi128_si32(sums));
}

bool hasByteShuffles() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}
#endif

// Copies `count` bits starting at bit offset `offset` of the buffer to the
// start of `out`, left-aligned; the bits after them in the last byte written
// become ones. Works a byte at a time: the result is the same as copying bit
// by bit with getBit and setBit into a buffer of ones.
// REQUIRES: offset + count <= 8 * buffer.byteCount.
void copyBits(const MessageBuffer& buffer, std::int64_t offset, int count, std::uint8_t* out) {
  int j = 0;
  // Eight whole bytes at a time while the nine they are taken from lie in
  // the buffer (a text is most of a header's bits).
  for (; 8 * (j + 8) <= count; j += 8) {
    const std::int64_t bitOffset = offset + 8 * std::int64_t{j};
    const std::int64_t index = bitOffset >> 3;
    if (index + 9 > buffer.byteCount) break;
    const int shift = static_cast<int>(bitOffset & 7);
    std::uint64_t bytes = loadBigEndian64(buffer.bytes + index);
    if (shift != 0) bytes = (bytes << shift) | (buffer.bytes[index + 8] >> (8 - shift));
    for (int k = 0; k < 8; ++k) out[j + k] = static_cast<std::uint8_t>(bytes >> (56 - 8 * k));
  }
  for (; 8 * j < count; ++j) {
    const std::int64_t bitOffset = offset + 8 * std::int64_t{j};
    const std::int64_t index = bitOffset >> 3;
    const int shift = static_cast<int>(bitOffset & 7);
    const std::uint32_t high = buffer.bytes[index];
    // The byte after the last one only ever supplies bits beyond the field,
    // which are masked to ones below; it is never read past the buffer.
    const std::uint32_t low = index + 1 < buffer.byteCount ? buffer.bytes[index + 1] : 0xFFu;
    std::uint32_t byte = (((high << 8) | low) >> (8 - shift)) & 0xFFu;
    const int remaining = count - 8 * j;
    if (remaining < 8) byte |= 0xFFu >> remaining;
    out[j] = static_cast<std::uint8_t>(byte);
  }
}

bool fits(const MessageBuffer& buffer, std::int64_t position, std::int64_t width) {
  const std::int64_t bitCount = 8 * static_cast<std::int64_t>(std::max(buffer.byteCount, 0));
  return width >= 0 && position >= 0 && position + width <= bitCount;
}

}  // namespace

bool getBit(std::int64_t bitNumber, const std::uint8_t* bytes) {
  const std::int64_t offset = bitNumber - 1;
  return (bytes[offset >> 3] & (0x80u >> (offset & 7))) != 0;
}

void setBit(std::int64_t bitNumber, bool bit, std::uint8_t* buffer) {
  if (bit) return;
  const std::int64_t offset = bitNumber - 1;
  buffer[offset >> 3] = static_cast<std::uint8_t>(buffer[offset >> 3] & ~(0x80u >> (offset & 7)));
}

bool readDescriptor(const MessageBuffer& buffer, std::int64_t& position,
                    ElementDescriptor& descriptor) {
  const std::int32_t width = descriptor.width();
  if (!fits(buffer, position, width)) return false;

  if (descriptor.isCharacter()) {
    ElementDescriptor::ValueBytes work;
    work.fill(0xFF);
    copyBits(buffer, position, std::min(width, kWorkBufferBits), work.data());
    descriptor.setCharacterValue(work);
  } else {
    // Only the first 32 bits of a numeric field make its value; a field of
    // all ones is the missing value and leaves the descriptor as it was.
    const int taken = std::min(width, 32);
    const std::uint32_t bits = bitsInside(buffer, position, taken);
    const std::uint32_t allOnes = taken == 0 ? 0u : 0xFFFFFFFFu >> (32 - taken);
    if (taken != 0 && bits != allOnes) {
      const std::uint32_t shift = (32u - static_cast<std::uint32_t>(width)) % 32u;
      descriptor.setUnsignedValue(width <= 32 ? bits : bits >> shift);
    }
  }
  position += width;
  return true;
}

bool readTwelveBitFields(const MessageBuffer& buffer, std::int64_t& position, std::size_t count,
                         std::uint32_t* out) {
  std::uint32_t sums = 0;
  std::size_t done = 0;
#ifdef XBTCONV_BYTE_SHUFFLES
  // Bytes past the first group's first byte that a sixteen-byte load may
  // still start at.
  const std::int64_t first = position >> 3;
  const std::int64_t room = std::int64_t{buffer.byteCount} - 16 - first;
  if (count >= 8 && room >= 0 && hasByteShuffles()) {
    const std::size_t groups = std::min(count / 8, static_cast<std::size_t>(room / 12) + 1);
    sums = unpackGroupsOfEight(buffer.bytes + first, static_cast<int>(position & 7), groups, out);
    done = 8 * groups;
    position += 96 * static_cast<std::int64_t>(groups);
  }
#endif
  readFieldsInside<12>(buffer, position, count - done,
                       [out = out + done, &sums](std::size_t i, std::uint32_t bits) {
                         out[i] = bits;
                         sums |= bits + 1;
                       });
  return (sums >> 12) != 0;
}

bool readRun(const std::vector<ElementDescriptor*>& sequence, int first, int count,
             const MessageBuffer& buffer, std::int64_t& position, const SkipTest& isSkipped) {
  for (int index = first; index < first + count; ++index) {
    if (isSkipped && isSkipped(index)) continue;
    if (!readDescriptor(buffer, position, *sequence[static_cast<std::size_t>(index)])) {
      return false;
    }
  }
  return true;
}

}  // namespace xbtconv
