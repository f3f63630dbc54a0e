// ElementDescriptor: one field of an observation message, described in the
// manner of a BUFR element descriptor (number, name, unit, reference value,
// bit width, decimal scale), with the range of raw values the field accepts
// and the last value stored for it.
//
// A value that fails the range test is stored as missing (raw 0xFFFFFFFF,
// hasValue false) without a word: corrupt fields are routine in received
// messages and are never an error. Character fields ("CCITT IA5") store their
// characters as they arrive; a field of all-ones bits arrives as 0xFF bytes
// and counts as a missing text.
#ifndef XBTCONV_DESCRIPTORS_ELEMENT_DESCRIPTOR_H_
#define XBTCONV_DESCRIPTORS_ELEMENT_DESCRIPTOR_H_

#include <array>
#include <cstdint>
#include <span>

namespace xbtconv {

class ElementDescriptor {
 public:
  static constexpr int kValueSize = 60;
  static constexpr int kNameSize = 80;
  static constexpr int kUnitSize = 16;
  static constexpr std::uint32_t kMissingRaw = 0xFFFFFFFFu;
  using ValueBytes = std::array<std::uint8_t, kValueSize>;

  /// No parameters, no value: every number 0, empty name and unit.
  ElementDescriptor();

  /// Stores the parameters and drops any value. Name and unit are cut to
  /// their fields (79 and 15 characters) so a long text never overruns them.
  void setParameters(std::int32_t number, std::int32_t spare, std::int32_t reference,
                     std::uint32_t minimum, std::int32_t width, std::uint32_t maximum,
                     std::int32_t scale, const char* name, const char* unit);

  std::int32_t number() const { return number_; }
  bool hasValue() const { return hasValue_; }
  std::int32_t reference() const { return reference_; }
  std::uint32_t minimum() const { return minimum_; }
  std::int32_t width() const { return width_; }
  std::uint32_t maximum() const { return maximum_; }
  std::int32_t scale() const { return scale_; }
  const char* name() const { return name_.data(); }
  const char* unit() const { return unit_.data(); }

  /// True when the unit is exactly "CCITT IA5".
  bool isCharacter() const { return character_; }

  /// All 60 bytes of the stored value.
  ValueBytes copyValue() const { return value_; }
  /// The raw value in the first four bytes; 0xFFFFFFFF when missing.
  std::uint32_t rawValue() const;

  /// Character descriptor: the characters up to the first NUL, NUL-padded.
  /// Numeric descriptor: the raw value's bit pattern as the message carries
  /// it, left-aligned and most significant byte first, then zeros.
  ValueBytes valueText() const;

  /// (raw + reference) / 10^scale, with the raw value taken as unsigned;
  /// -9999.0 when the value is missing.
  double scaledValue() const;

  /// Stores width/8 characters from the start of `bytes` the way a bounded
  /// string copy does: stops at the first NUL and pads with NULs.
  void setCharacterValue(std::span<const std::uint8_t> bytes);
  /// Stores `raw` when minimum <= raw <= maximum (unsigned comparison).
  void setUnsignedValue(std::uint32_t raw);
  /// Stores `raw` when minimum <= raw <= maximum (signed comparison).
  void setSignedValue(std::int32_t raw);
  /// Drops the value, as a new descriptor has none.
  void clearValue() {
    value_.fill(0xFF);
    hasValue_ = false;
  }

 private:
  void storeRaw(std::uint32_t raw, bool accepted);

  std::int32_t number_ = 0;
  std::int32_t spare_ = 0;
  std::int32_t reference_ = 0;
  std::uint32_t minimum_ = 0;
  std::int32_t width_ = 0;
  std::uint32_t maximum_ = 0;
  std::int32_t scale_ = 0;
  std::array<char, kNameSize> name_{};
  std::array<char, kUnitSize> unit_{};
  ValueBytes value_;
  bool hasValue_ = false;
  bool character_ = false;  // the unit, decided once in setParameters
};

}  // namespace xbtconv

#endif  // XBTCONV_DESCRIPTORS_ELEMENT_DESCRIPTOR_H_
