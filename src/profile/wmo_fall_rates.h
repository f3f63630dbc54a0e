// The fall rates of WMO common code table C-3 that the data exports take
// where the probe table the legacy reports keep departs from them: codes
// whose row there gives other coefficients (71, 900) or none (741), and
// probes it lacks altogether (81, 742 to 745), which C-3 also names. The
// reports keep their table; JSON, CSV, BUFR and netCDF derive depths with
// these.
#ifndef XBTCONV_PROFILE_WMO_FALL_RATES_H_
#define XBTCONV_PROFILE_WMO_FALL_RATES_H_

#include <span>

namespace xbtconv {

/// A probe's fall rate z = a t + b t^2 as C-3 gives it: a in m/s, b in
/// thousandths of m/s^2.
struct WmoFallRate {
  int code;
  double a;
  double bThousandths;
  /// C-3's name, for a probe the reports' table lacks; nullptr otherwise.
  const char* name;
};

/// The rows, in ascending order of code.
std::span<const WmoFallRate> wmoFallRates();
/// The row of `code`, or nullptr where the probe table's coefficients stand.
const WmoFallRate* wmoFallRate(int code);

}  // namespace xbtconv

#endif  // XBTCONV_PROFILE_WMO_FALL_RATES_H_
