// Jjvv2Message: the extended XBT message (kind 2). It carries everything of
// the standard message plus the SOOP line, transect and message sequence
// numbers, the launch height, the ship's heading and speed at launch, and a
// 24-bit probe serial number; the extra fields change the bit layout.
//
// It also decodes a message whose kind field reads 1: the extra fields are
// passed over and the 20-bit serial number is read, so exactly the standard
// layout is read. Whatever way decode() ends, the object is left in its
// kind-2 state: kind 2, the 24-bit serial number in the sequence, holding
// the serial number the message carried.
#ifndef XBTCONV_DECODING_JJVV2_MESSAGE_H_
#define XBTCONV_DECODING_JJVV2_MESSAGE_H_

#include <cstdint>
#include <string>

#include "decoding/jjvv_message.h"

namespace xbtconv {

class Jjvv2Message : public JjvvMessage {
 public:
  /// Where the voyage fields (SOOP line, transect and sequence number) stand
  /// in the sequence: right after the longitude.
  static constexpr int kVoyagePosition = 5;
  /// Where the serial number stands, after the voyage fields moved it on.
  static constexpr int kSerialPosition = 17;
  /// Where the launch fields (launch height, ship's heading and speed)
  /// stand: right after the data quality.
  static constexpr int kLaunchPosition = 20;
  /// Entries in each of the two groups of extra fields.
  static constexpr int kExtraFields = 3;

  Jjvv2Message();

  /// Decodes the whole message; false when a field does not fit. What an
  /// earlier decode stored is forgotten first.
  bool decode(const MessageBuffer& buffer, const ProfileLimit& limit = {});
  /// Forgets what decode() stored, as JjvvMessage::clear() does. Like
  /// decode(), it must be called on the extended message itself: the
  /// standard kind's would leave the extended fields and set kind 1.
  void clear();

  /// The SOOP line, at most 6 characters; "Missing" when absent.
  std::string soopLine() const;
  std::int32_t transectNumber() const { return raw(transectNumber_); }
  /// The raw sequence number (its decimal scale is not applied).
  std::int32_t sequenceNumber() const { return raw(sequenceNumber_); }
  std::int32_t shipDirection() const { return raw(shipHeading_); }
  /// Knots to 0.01, rounded half up; -1.0 when missing.
  float shipSpeedKnots() const { return speedKnots(shipSpeed_); }
  /// Metres; -1.0 when missing.
  float launchHeight() const;

 private:
  /// True for the positions of the extra fields while the kind field
  /// names a standard message.
  bool isSkipped(int position) const;
  /// Puts the object back in its kind-2 state after a kind-1 decode.
  void restoreProbeSerial();

  ElementDescriptor probeSerial24_;
  ElementDescriptor shipHeading_;
  ElementDescriptor shipSpeed_;
  ElementDescriptor transectNumber_;
  ElementDescriptor soopLine_;
  ElementDescriptor sequenceNumber_;
  ElementDescriptor launchHeight_;
  bool serialSwapped_ = false;
};

}  // namespace xbtconv

#endif  // XBTCONV_DECODING_JJVV2_MESSAGE_H_
