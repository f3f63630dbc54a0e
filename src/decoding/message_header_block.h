// MessageHeaderBlock: the ten fields every message begins with (call sign,
// the two report sub-category fields that name the message kind, position,
// date and time of the observation), and the `sequence`, the message's
// descriptors in the order their values follow one another in the bit
// stream. The message kinds derive from it and add their own descriptors.
//
// The accessors never fail: a field that was not decoded, or was rejected
// as out of range, gives its missing marker (-1 for a time field, -9999.0
// for a position, the empty text for the call sign).
//
// The sequence points at members of the same object, so a message can be
// neither copied nor moved.
#ifndef XBTCONV_DECODING_MESSAGE_HEADER_BLOCK_H_
#define XBTCONV_DECODING_MESSAGE_HEADER_BLOCK_H_

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "descriptors/element_descriptor.h"

namespace xbtconv {

/// Values of the kind field that name the two message kinds.
inline constexpr std::int32_t kStandardKind = 1;
inline constexpr std::int32_t kExtendedKind = 2;

/// What the accessors give for a missing value: raw values, codes and time
/// fields give kMissingInteger; positions and temperatures kMissingNumber;
/// speeds in knots and the launch height kMissingSpeed.
inline constexpr std::int32_t kMissingInteger = -1;
inline constexpr double kMissingNumber = -9999.0;
inline constexpr float kMissingSpeed = -1.0f;

class MessageHeaderBlock {
 public:
  MessageHeaderBlock();
  MessageHeaderBlock(const MessageHeaderBlock&) = delete;
  MessageHeaderBlock& operator=(const MessageHeaderBlock&) = delete;

  /// The call sign up to its first NUL, trailing spaces kept; empty when
  /// missing.
  std::string callSign() const;
  /// Fills `time` as a broken-down time (minutes, hours, day, months since
  /// January, years since 1900), -1 in each field that holds no value, and
  /// returns it. Seconds are 0; week day, year day and the DST flag are -1.
  std::tm& observationTime(std::tm& time) const;
  /// Degrees, north positive; -9999.0 when missing.
  double latitude() const;
  /// Degrees, east positive; -9999.0 when missing.
  double longitude() const;
  /// The message kind field; -1 when missing.
  std::int32_t subCategory() const;
  /// Stores `kind` in the kind field; values outside 0..1022 become missing.
  void setSubCategory(std::int32_t kind);

  const std::vector<ElementDescriptor*>& sequence() const { return sequence_; }
  /// Number of header entries at the start of the sequence, always 10.
  std::int32_t headerCount() const { return headerCount_; }

 protected:
  /// Drops the values of the ten header fields, the kind's included.
  void clearHeaderValues();

  // The derived kinds append, insert and swap entries.
  std::vector<ElementDescriptor*> sequence_;

 private:
  ElementDescriptor callSign_;
  ElementDescriptor reportSubCategory_;
  ElementDescriptor kind_;
  ElementDescriptor latitude_;
  ElementDescriptor longitude_;
  ElementDescriptor year_;
  ElementDescriptor month_;
  ElementDescriptor day_;
  ElementDescriptor hour_;
  ElementDescriptor minute_;
  std::int32_t headerCount_ = 0;
};

/// The characters of a character descriptor up to the first NUL, at most
/// width/8 of them, whatever they are.
std::string characterText(const ElementDescriptor& descriptor);
/// characterText, or the empty text when the value is missing (its first
/// byte 0xFF): how the call sign and the ship name are read.
std::string textOrEmpty(const ElementDescriptor& descriptor);

}  // namespace xbtconv

#endif  // XBTCONV_DECODING_MESSAGE_HEADER_BLOCK_H_
