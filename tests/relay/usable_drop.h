// A drop a relay sends as it is: a platform, a time a day before the
// relay's clock, a position, a profile with depths, every flag good.
#ifndef XBTCONV_TESTS_RELAY_USABLE_DROP_H_
#define XBTCONV_TESTS_RELAY_USABLE_DROP_H_

#include <cstdint>

#include "xbtconv/observation.h"

namespace xbtconv::testing {

constexpr std::int64_t kRelayNow = 1796731200;  // 2026-12-08T12:00Z

inline Observation usableDrop() {
  Observation o;
  o.kind = 1;
  o.decoded = true;
  o.ship.callSign = "ZMFR";
  o.time = {2026, 12, 7, 12, 0, kRelayNow - 86400};
  o.latitude = -41.288;
  o.longitude = 174.783;
  o.profile.layout = ProfileLayout::kTwoMeter;
  o.profile.depthSource = DepthSource::kMessage;
  o.profile.samples = {{200, 1450, 1, 1}, {400, 1449, 1, 1}};
  o.qc = QcSummary{1, 1, 1, 0, 0};
  return o;
}

}  // namespace xbtconv::testing

#endif  // XBTCONV_TESTS_RELAY_USABLE_DROP_H_
