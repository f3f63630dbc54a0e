#include "descriptors/integer_power.h"

namespace xbtconv {

double integerPower(double base, std::int32_t exponent) {
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
