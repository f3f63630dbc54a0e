// Building an Observation from a decoded message of either kind: every
// field read back from its raw value with its catalogue scale and
// reference, absent values as no value, and full-resolution depths from
// the probe's fall rate.
#ifndef XBTCONV_PROFILE_OBSERVATION_BUILDER_H_
#define XBTCONV_PROFILE_OBSERVATION_BUILDER_H_

#include <string>

#include "xbtconv/observation.h"

namespace xbtconv {

class JjvvMessage;
class Jjvv2Message;

/// Only what tells the drop `message` (of either kind) holds from others
/// (drop_identity.h): its time, position, call sign and IMO number; the
/// rest is left empty.
Observation buildDrop(const JjvvMessage& message);
/// `message` (decoded, or not) as an observation; `read` is what its decode
/// returned. REQUIRES: sampleRateHz > 0.
Observation buildObservation(const JjvvMessage& message, bool read, std::string source,
                             double sampleRateHz = kDefaultSampleRateHz);
/// The same for an extended message, with its voyage and launch fields.
Observation buildObservation(const Jjvv2Message& message, bool read, std::string source,
                             double sampleRateHz = kDefaultSampleRateHz);

}  // namespace xbtconv

#endif  // XBTCONV_PROFILE_OBSERVATION_BUILDER_H_
