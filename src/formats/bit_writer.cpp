#include "formats/bit_writer.h"

namespace xbtconv {

std::size_t BitWriter::finish() {
  if (pendingBits_ % 8 != 0) put(0, 8 - pendingBits_ % 8);
  for (; pendingBits_ > 0; pendingBits_ -= 8) {
    *next_++ = static_cast<char>(pending_ >> (pendingBits_ - 8));
  }
  return static_cast<std::size_t>(next_ - start_);
}

}  // namespace xbtconv
