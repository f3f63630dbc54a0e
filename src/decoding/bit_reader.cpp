#include "decoding/bit_reader.h"

#include <algorithm>

namespace xbtconv {
namespace {

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
