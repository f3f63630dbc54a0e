// Writes values of any bit width, most significant bit first, into a
// buffer: the packing of binary exchange formats such as BUFR, where
// fields follow one another with no regard for octet boundaries.
#ifndef XBTCONV_FORMATS_BIT_WRITER_H_
#define XBTCONV_FORMATS_BIT_WRITER_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace xbtconv {

class BitWriter {
 public:
  /// How far a writer got: the octets out, and the bits (fewer than 32)
  /// not yet out. A writer over the same buffer (moved since, or grown)
  /// continues from it.
  struct Position {
    std::size_t octets = 0;
    std::uint64_t pending = 0;
    int pendingBits = 0;
  };

  /// Writes from `at` on; the caller makes room for every bit written.
  explicit BitWriter(char* at) : start_(at), next_(at) {}
  /// Continues at `position` of a writer that wrote from `at`.
  BitWriter(char* at, const Position& position)
      : start_(at),
        next_(at + position.octets),
        pending_(position.pending),
        pendingBits_(position.pendingBits) {}

  Position position() const {
    return {static_cast<std::size_t>(next_ - start_), pending_, pendingBits_};
  }

  /// The low `width` bits of `value`. REQUIRES: 0 <= width <= 32.
  void put(std::uint32_t value, int width) {
    pending_ = pending_ << width | (value & mask(width));
    pendingBits_ += width;
    // Out a word at a time: no byte loop per field.
    if (pendingBits_ >= 32) {
      pendingBits_ -= 32;
      const auto word = static_cast<std::uint32_t>(pending_ >> pendingBits_);
      const unsigned char octets[4] = {
          static_cast<unsigned char>(word >> 24), static_cast<unsigned char>(word >> 16),
          static_cast<unsigned char>(word >> 8), static_cast<unsigned char>(word)};
      std::memcpy(next_, octets, 4);
      next_ += 4;
    }
  }

  /// `width` set bits: a missing value. REQUIRES: width >= 0.
  void putOnes(int width) {
    for (; width > 32; width -= 32) put(~std::uint32_t{0}, 32);
    put(~std::uint32_t{0}, width);
  }

  /// `text` in `characters` octets, padded with spaces.
  /// REQUIRES: text.size() <= characters.
  void putText(std::string_view text, std::size_t characters) {
    // Four characters to a word.
    for (std::size_t i = 0; i < characters; i += 4) {
      std::uint32_t word = 0;
      const std::size_t count = characters - i < 4 ? characters - i : 4;
      for (std::size_t j = i; j < i + count; ++j) {
        word = word << 8 | (j < text.size() ? static_cast<unsigned char>(text[j]) : ' ');
      }
      put(word, static_cast<int>(8 * count));
    }
  }

  /// Pads the last octet with zero bits and puts out what is pending;
  /// returns the octets written.
  std::size_t finish();

 private:
  static std::uint32_t mask(int width) {
    return width >= 32 ? ~std::uint32_t{0} : (std::uint32_t{1} << width) - 1;
  }

  char* start_;
  char* next_;
  std::uint64_t pending_ = 0;  // the low `pendingBits_` (< 32) bits are not yet out
  int pendingBits_ = 0;
};

}  // namespace xbtconv

#endif  // XBTCONV_FORMATS_BIT_WRITER_H_
