// integerPower: the power function behind every decimal scale (10^scale).
// It is constexpr so that a constant scale costs nothing at run time; the
// result is the same either way.
#ifndef XBTCONV_DESCRIPTORS_INTEGER_POWER_H_
#define XBTCONV_DESCRIPTORS_INTEGER_POWER_H_

#include <cstdint>

namespace xbtconv {

/// `base` raised to `exponent` by repeated squaring, in double precision; a
/// negative exponent gives the reciprocal, an exponent of 0 gives 1.
constexpr double integerPower(double base, std::int32_t exponent) {
  // The magnitude is taken in unsigned arithmetic so that the most negative
  // exponent has one too.
  std::uint32_t remaining = exponent < 0 ? 0u - static_cast<std::uint32_t>(exponent)
                                         : static_cast<std::uint32_t>(exponent);
  double result = 1.0;
  double factor = base;
  while (remaining != 0) {
    if ((remaining & 1u) != 0) result *= factor;
    remaining >>= 1;
    if (remaining != 0) factor *= factor;
  }
  return exponent < 0 ? 1.0 / result : result;
}

}  // namespace xbtconv

#endif  // XBTCONV_DESCRIPTORS_INTEGER_POWER_H_
