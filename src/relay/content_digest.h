// What a message says, as a short fingerprint: two messages that decode to
// the same observation (a byte copy, the same message sent again under
// another name) have the same digest, whatever their file names or the
// clock quality control ran against; any difference in a decoded value
// gives another. The digest is FNV-1a of 128 bits over every field the
// data files carry but the file's name and quality control's: a fingerprint
// for telling repeats apart, not a defence against someone forging one.
#ifndef XBTCONV_RELAY_CONTENT_DIGEST_H_
#define XBTCONV_RELAY_CONTENT_DIGEST_H_

#include <string>

#include "xbtconv/observation.h"

namespace xbtconv {

/// 32 lower-case hexadecimal digits.
std::string contentDigest(const Observation& observation);

}  // namespace xbtconv

#endif  // XBTCONV_RELAY_CONTENT_DIGEST_H_
