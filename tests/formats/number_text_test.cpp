#include "formats/number_text.h"

#include <gtest/gtest.h>

#include <charconv>
#include <string>

namespace xbtconv {
namespace {

// Hundredths are written from the integer; the text must be the shortest
// one of the double nearest to them, as a JSON library writes doubles.
TEST(NumberText, HundredthsAreTheShortestTextOfTheirDouble) {
  for (std::int64_t n = -100000; n < 10000000; n += n < 5000 ? 1 : 7) {
    char written[kNumberRoom];
    const std::string text(written, writeHundredths(written, n));
    char shortest[kNumberRoom];
    std::string expected(
        shortest, std::to_chars(shortest, shortest + 24, static_cast<double>(n) / 100.0).ptr);
    if (expected.find_first_of(".e") == std::string::npos) expected += ".0";
    ASSERT_EQ(text, expected) << n;
  }
}

}  // namespace
}  // namespace xbtconv
