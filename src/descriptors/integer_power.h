// integerPower: the power function behind every decimal scale (10^scale).
#ifndef XBTCONV_DESCRIPTORS_INTEGER_POWER_H_
#define XBTCONV_DESCRIPTORS_INTEGER_POWER_H_

#include <cstdint>

namespace xbtconv {

/// `base` raised to `exponent` by repeated squaring, in double precision; a
/// negative exponent gives the reciprocal, an exponent of 0 gives 1.
double integerPower(double base, std::int32_t exponent);

}  // namespace xbtconv

#endif  // XBTCONV_DESCRIPTORS_INTEGER_POWER_H_
