#include "profile/wmo_fall_rates.h"

#include <algorithm>
#include <array>

namespace xbtconv {
namespace {

// Code 900's row in the probe table gives b already in m/s^2, which would
// put its depths some 2 m too deep at 2,000 m; code 71's a there is 1.779,
// not C-3's 1.7779.
// clang-format off
constexpr std::array<WmoFallRate, 8> kRows{{
    { 71, 1.7779,  -0.255,  nullptr},
    { 81, 1.52,     0.0,    "Sippican AXBT (300 m probes)"},
    {741, 3.42543, -0.47,   nullptr},
    {742, 3.43898, -0.31,   "TSK XCTD-2 / XCTD-2N / XCTD-4A"},
    {743, 3.43898, -0.31,   "TSK XCTD-2F"},
    {744, 5.07598, -0.72,   "TSK XCTD-3 / XCTD-3N"},
    {745, 3.68081, -0.47,   "TSK XCTD-4 / XCTD-4N"},
    {900, 9.727,   -0.0473, nullptr},
}};
// clang-format on

}  // namespace

std::span<const WmoFallRate> wmoFallRates() { return kRows; }

const WmoFallRate* wmoFallRate(int code) {
  const auto* row = std::find_if(kRows.begin(), kRows.end(),
                                 [code](const WmoFallRate& r) { return r.code == code; });
  return row == kRows.end() ? nullptr : &*row;
}

}  // namespace xbtconv
