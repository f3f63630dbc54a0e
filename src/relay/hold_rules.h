// The rules that keep a message back for an operator instead of sending it
// to the GTS: what a receiver could not trust or use, or should not get
// without a person's look. Each rule can be loosened (a flag threshold of
// 0, an age of 0: never held for that); the defaults are what a data
// centre's desk holds.
#ifndef XBTCONV_RELAY_HOLD_RULES_H_
#define XBTCONV_RELAY_HOLD_RULES_H_

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "xbtconv/observation.h"

namespace xbtconv {

struct HoldRules {
  int profileFlag = 4;       // held when quality control rates the profile this or worse; 0: never
  int timeFlag = 3;          // ... its time
  int positionFlag = 3;      // ... its position
  bool needPlatform = true;  // held without a call sign or IMO number
  int maxAgeDays = 30;       // held when dropped longer ago than this; 0: never
  // Who may send for which platforms: each sender's folder in the inbox,
  // by name, and the call signs or IMO numbers it sends drops for ("*":
  // any). Empty: every input counts as the centre's own. Otherwise an
  // input put in the inbox itself comes from no sender, and is held.
  std::map<std::string, std::vector<std::string>, std::less<>> senders;
};

/// Whether `sender` (its folder's name; "" for the inbox itself) may send
/// drops of `observation`'s platform.
bool maySend(const HoldRules& rules, std::string_view sender, const Observation& observation);

/// Why `observation`, quality-controlled against `now` (seconds since
/// 1970), is held: the reasons that apply, joined by "; " ("profile flag 4;
/// no platform identity (neither call sign nor IMO number)"); "" when it
/// may go out. What BUFR cannot carry to the GTS (no time, no position, no
/// depths) is always held. `sender` is the folder the input came from.
std::string holdReason(const Observation& observation, const HoldRules& rules, std::int64_t now,
                       std::string_view sender = {});

}  // namespace xbtconv

#endif  // XBTCONV_RELAY_HOLD_RULES_H_
