// The rules that keep a message back for an operator instead of sending it
// to the GTS: what a receiver could not trust or use, or should not get
// without a person's look. Each rule can be loosened (a flag threshold of
// 0, an age of 0: never held for that); the defaults are what a data
// centre's desk holds.
#ifndef XBTCONV_RELAY_HOLD_RULES_H_
#define XBTCONV_RELAY_HOLD_RULES_H_

#include <cstdint>
#include <string>

#include "xbtconv/observation.h"

namespace xbtconv {

struct HoldRules {
  int profileFlag = 4;       // held when quality control rates the profile this or worse; 0: never
  int timeFlag = 3;          // ... its time
  int positionFlag = 3;      // ... its position
  bool needPlatform = true;  // held without a call sign or IMO number
  int maxAgeDays = 30;       // held when dropped longer ago than this; 0: never
};

/// Why `observation`, quality-controlled against `now` (seconds since
/// 1970), is held: the reasons that apply, joined by "; " ("profile flag 4;
/// no platform identity (neither call sign nor IMO number)"); "" when it
/// may go out. What BUFR cannot carry to the GTS (no time, no position, no
/// depths) is always held.
std::string holdReason(const Observation& observation, const HoldRules& rules, std::int64_t now);

}  // namespace xbtconv

#endif  // XBTCONV_RELAY_HOLD_RULES_H_
