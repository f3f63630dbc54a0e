// Appends values of any bit width, most significant bit first, to a byte
// string: the packing of binary exchange formats such as BUFR, where
// fields follow one another with no regard for octet boundaries.
#ifndef XBTCONV_EXPORT_BIT_WRITER_H_
#define XBTCONV_EXPORT_BIT_WRITER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace xbtconv {

class BitWriter {
 public:
  /// Writes to the end of `out`, which must outlive the writer.
  explicit BitWriter(std::string& out) : out_(out), start_(out.size()) {}

  /// The low `width` bits of `value`. REQUIRES: 0 <= width <= 32.
  void put(std::uint32_t value, int width) {
    pending_ = pending_ << width | (value & mask(width));
    pendingBits_ += width;
    while (pendingBits_ >= 8) {
      pendingBits_ -= 8;
      out_ += static_cast<char>(pending_ >> pendingBits_);
    }
  }

  /// `width` set bits: a missing value. REQUIRES: width >= 0.
  void putOnes(int width);

  /// `text` in `characters` octets, padded with spaces.
  /// REQUIRES: text.size() <= characters.
  void putText(std::string_view text, int characters);

  /// Bits written so far.
  std::size_t bitCount() const { return (out_.size() - start_) * 8 + pendingBits_; }

  /// Pads the last octet with zero bits.
  void finish() {
    if (pendingBits_ > 0) put(0, 8 - pendingBits_);
  }

 private:
  static std::uint32_t mask(int width) {
    return width >= 32 ? ~std::uint32_t{0} : (std::uint32_t{1} << width) - 1;
  }

  std::string& out_;
  std::size_t start_;
  std::uint64_t pending_ = 0;  // the low `pendingBits_` bits are not yet out
  int pendingBits_ = 0;
};

}  // namespace xbtconv

#endif  // XBTCONV_EXPORT_BIT_WRITER_H_
