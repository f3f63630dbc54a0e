#include "relay/kept_copy.h"

#include <gtest/gtest.h>

#include <string>

namespace xbtconv {
namespace {

// A repeated name keeps its extension and as much of its stem as the
// folder's name limit leaves room for, cut only between characters.
TEST(NumberedName, FitsTheLimitWithWholeCharacters) {
  EXPECT_EQ(numberedName("x.bin", "1"), "x.1.bin");
  EXPECT_EQ(numberedName("report", "12"), "report.12");
  // An early dot, or a long "extension", is part of the stem.
  EXPECT_EQ(numberedName(".hidden", "2"), ".hidden.2");
  EXPECT_EQ(numberedName("a.0123456789abcdefgh", "3"), "a.0123456789abcdefgh.3");
  // ASCII cut to exactly the limit.
  EXPECT_EQ(numberedName(std::string(300, 'a') + ".bin", "7", 20), std::string(14, 'a') + ".7.bin");
  // Two-byte characters: room for 14 bytes keeps seven of them; room for
  // 13 keeps six, never half of the seventh.
  std::string accents;
  for (int i = 0; i < 40; ++i) accents += "\xC3\xA9";
  EXPECT_EQ(numberedName(accents + ".bin", "7", 20), accents.substr(0, 14) + ".7.bin");
  EXPECT_EQ(numberedName(accents + ".bin", "17", 20), accents.substr(0, 12) + ".17.bin");
  // A four-byte character that fits exactly stays.
  std::string faces;
  for (int i = 0; i < 10; ++i) faces += "\xF0\x9F\x8C\x8A";
  EXPECT_EQ(numberedName(faces + ".bin", "7", 22), faces.substr(0, 16) + ".7.bin");
  EXPECT_EQ(numberedName(faces + ".bin", "7", 21), faces.substr(0, 12) + ".7.bin");
}

}  // namespace
}  // namespace xbtconv
