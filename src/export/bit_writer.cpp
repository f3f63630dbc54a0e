#include "export/bit_writer.h"

namespace xbtconv {

void BitWriter::putOnes(int width) {
  for (; width > 32; width -= 32) put(~std::uint32_t{0}, 32);
  put(~std::uint32_t{0}, width);
}

void BitWriter::putText(std::string_view text, int characters) {
  for (const char c : text) put(static_cast<unsigned char>(c), 8);
  for (auto i = static_cast<int>(text.size()); i < characters; ++i) put(' ', 8);
}

}  // namespace xbtconv
