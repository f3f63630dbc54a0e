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
  /// Where the serial number stands in the sequence.
  static constexpr int kSerialPosition = 17;

  Jjvv2Message();

  /// Decodes the whole message; false when a field does not fit.
  bool decode(const MessageBuffer& buffer);

  /// True for the positions of the extra fields (5, 6, 7, 20, 21, 22) while
  /// the kind field reads 1.
  bool isSkipped(int position) const;
  /// Puts the object back in its kind-2 state after a kind-1 decode.
  void restoreProbeSerial();

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
