// Fields packed most significant bit first across octet and word
// boundaries, with the last octet padded by zero bits.
#include "formats/bit_writer.h"

#include <gtest/gtest.h>

#include <string>

namespace xbtconv {
namespace {

// What `write` packs, as the octets it returns.
template <typename Write>
std::string packed(Write write) {
  std::string buffer(64, '\0');
  BitWriter bits(buffer.data());
  write(bits);
  buffer.resize(bits.finish());
  return buffer;
}

TEST(BitWriter, PacksAcrossBoundariesAndPadsTheLastOctet) {
  EXPECT_EQ(packed([](BitWriter& b) { b.put(1, 1); }), "\x80");
  EXPECT_EQ(packed([](BitWriter& b) { b.put(0x1FF, 9); }), "\xFF\x80");
  EXPECT_EQ(packed([](BitWriter& b) {
              b.put(0b101, 3);
              b.putOnes(33);
              b.put(0, 7);
            }),
            std::string("\xBF\xFF\xFF\xFF\xF0\x00", 6));
  EXPECT_EQ(packed([](BitWriter& b) {
              b.put(0, 4);
              b.putText("AB", 5);
            }),
            std::string("\x04\x14\x22\x02\x02\x00", 6));
}

}  // namespace
}  // namespace xbtconv
