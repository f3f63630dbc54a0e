// The identity of a drop: which platform made it, when and where, as the
// message sends them. Two messages of the same drop (a retransmission, a
// copy under another file name) give the same identity; two drops of one
// ship minutes apart or at another position do not. Values are taken as
// sent, at the message's own resolution (minutes, 0.00001 degree), so no
// rounding makes two drops one.
#ifndef XBTCONV_PROFILE_DROP_IDENTITY_H_
#define XBTCONV_PROFILE_DROP_IDENTITY_H_

#include <string>

#include "xbtconv/observation.h"

namespace xbtconv {

/// The platform that made a drop: its call sign, else its IMO number ("IMO 9334521"); "" when the
/// message has neither.
std::string platformOf(const Observation& observation);
/// The identity of a drop: platform, the time fields as sent and the position at the message's
/// resolution, as one text (two messages of the same drop give the same text, two drops of one ship
/// minutes apart or at another position do not).
/// "" when the message has neither a time field nor a position: nothing tells such a drop from
/// another.
std::string dropIdentity(const Observation& observation);

}  // namespace xbtconv

#endif  // XBTCONV_PROFILE_DROP_IDENTITY_H_
