#include "formats/number_text.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace xbtconv {
namespace {

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// n / 100 in fixed notation, trailing zeros of the decimals dropped but
// one: for the profile's values (below 10^5) the shortest text of the
// double nearest to n / 100.
constexpr char* writeAnyHundredths(char* out, std::int64_t hundredths) {
  std::uint64_t whole = hundredths < 0 ? 0 - static_cast<std::uint64_t>(hundredths)
                                       : static_cast<std::uint64_t>(hundredths);
  const auto cents = static_cast<std::size_t>(whole % 100);
  whole /= 100;
  if (hundredths < 0) *out++ = '-';
  // Up to four digits (every temperature and nearly every depth) without a
  // loop; more through a small buffer.
  if (whole < 10) {
    *out++ = static_cast<char>('0' + whole);
  } else if (whole < 100) {
    out[0] = kDigitPairs[2 * whole];
    out[1] = kDigitPairs[2 * whole + 1];
    out += 2;
  } else if (whole < 10000) {
    const auto high = static_cast<std::size_t>(whole / 100);
    const auto low = static_cast<std::size_t>(whole % 100);
    if (high >= 10) *out++ = kDigitPairs[2 * high];
    *out++ = kDigitPairs[2 * high + 1];
    out[0] = kDigitPairs[2 * low];
    out[1] = kDigitPairs[2 * low + 1];
    out += 2;
  } else {
    char digits[24];
    char* first = digits + sizeof digits;
    do {
      *--first = static_cast<char>('0' + whole % 10);
      whole /= 10;
    } while (whole != 0);
    const auto length = static_cast<std::size_t>(digits + sizeof digits - first);
    for (std::size_t i = 0; i < length; ++i) out[i] = first[i];
    out += length;
  }
  // Both decimals, then the second dropped when it is a zero: without a
  // branch, as the digits of measured values are anyone's guess.
  out[0] = '.';
  out[1] = kDigitPairs[2 * cents];
  out[2] = kDigitPairs[2 * cents + 1];
  return out + 2 + (cents % 10 != 0 ? 1 : 0);
}

// The texts of every sea temperature (-4.00 to 40.95 degrees), made when
// the program is built: half of a profile's numbers are looked up here.
struct SmallText {
  char text[7];
  std::uint8_t length;
};
constexpr std::int64_t kSmallFirst = -400;
constexpr std::int64_t kSmallEnd = 4096;

constexpr std::array<SmallText, kSmallEnd - kSmallFirst> makeSmallTexts() {
  std::array<SmallText, kSmallEnd - kSmallFirst> texts{};
  for (std::int64_t n = kSmallFirst; n < kSmallEnd; ++n) {
    SmallText& entry = texts[static_cast<std::size_t>(n - kSmallFirst)];
    char buffer[kNumberRoom]{};
    const char* end = writeAnyHundredths(buffer, n);
    entry.length = static_cast<std::uint8_t>(end - buffer);
    for (std::size_t i = 0; i < sizeof entry.text; ++i) entry.text[i] = buffer[i];
  }
  return texts;
}
constexpr std::array<SmallText, kSmallEnd - kSmallFirst> kSmallTexts = makeSmallTexts();

// A value from 0 to 9999.99 (every depth): the whole part's four digits
// and the decimals are made in one eight-byte word, and the text is the
// word without the whole part's leading zeros and the decimals' trailing
// one, copied whole: no loop and hardly a branch.
char* writeUpToTenThousand(char* out, std::uint32_t hundredths) {
  const std::uint32_t whole = hundredths / 100;
  const std::size_t cents = hundredths % 100;
  const std::size_t high = whole / 100;
  const std::size_t low = whole % 100;
  char word[16];
  std::memcpy(word, kDigitPairs + 2 * high, 2);
  std::memcpy(word + 2, kDigitPairs + 2 * low, 2);
  word[4] = '.';
  std::memcpy(word + 5, kDigitPairs + 2 * cents, 2);
  const std::size_t zeros = (whole < 1000 ? 1 : 0) + (whole < 100 ? 1 : 0) + (whole < 10 ? 1 : 0);
  std::memcpy(out, word + zeros, 8);
  return out + (7 - zeros) - (word[6] == '0' ? 1 : 0);
}

}  // namespace

char* writeHundredths(char* out, std::int64_t hundredths) {
  if (hundredths >= kSmallFirst && hundredths < kSmallEnd) {
    const SmallText& entry = kSmallTexts[static_cast<std::size_t>(hundredths - kSmallFirst)];
    // The whole entry in one move: the length byte lands past the text.
    std::memcpy(out, &entry, sizeof entry);
    return out + entry.length;
  }
  if (hundredths >= 0 && hundredths < 1000000) {
    return writeUpToTenThousand(out, static_cast<std::uint32_t>(hundredths));
  }
  return writeAnyHundredths(out, hundredths);
}

void appendNumber(std::string& text, const std::optional<double>& value, const char* absent) {
  if (!value) {
    text += absent;
    return;
  }
  char digits[kNumberRoom];
  char* const end = std::to_chars(digits, digits + sizeof digits - 2, *value).ptr;
  const auto length = static_cast<std::size_t>(end - digits);
  text.append(digits, length);
  if (std::memchr(digits, '.', length) == nullptr && std::memchr(digits, 'e', length) == nullptr) {
    text += ".0";
  }
}

void appendHundredths(std::string& text, const std::optional<std::int32_t>& hundredths,
                      const char* absent) {
  if (!hundredths) {
    text += absent;
    return;
  }
  char digits[kNumberRoom];
  text.append(digits, static_cast<std::size_t>(writeHundredths(digits, *hundredths) - digits));
}

}  // namespace xbtconv
