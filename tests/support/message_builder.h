// Builds test messages from field values, most significant bit first, with
// the widths of the descriptor catalogue, so that a test spells a message as
// readable values ("month 12, day 31") instead of a hex blob. Values are cut
// to the field's width, so kAllOnes writes a field's missing value.
#ifndef XBTCONV_TESTS_SUPPORT_MESSAGE_BUILDER_H_
#define XBTCONV_TESTS_SUPPORT_MESSAGE_BUILDER_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "decoding/message_buffer.h"
#include "descriptors/descriptor_catalogue.h"

namespace xbtconv::testing {

/// Every bit of a field set: the missing value of a numeric field.
inline constexpr std::uint64_t kAllOnes = ~std::uint64_t{0};

/// The ten header fields as raw values; the defaults make a valid kind-1
/// header (call sign "VRZN9", 12.5 N 45.25 W, 31/12/2004 23:59).
struct HeaderFields {
  std::string callSign = "VRZN9";
  std::uint64_t reportSubCategory = 63;
  std::uint64_t kind = 1;
  std::uint64_t latitude = 10250000;
  std::uint64_t longitude = 13475000;
  std::uint64_t year = 2004;
  std::uint64_t month = 12;
  std::uint64_t day = 31;
  std::uint64_t hour = 23;
  std::uint64_t minute = 59;
};

/// The fields of a standard (kind-1) message after the header, as raw
/// values; the defaults are a plausible full-resolution observation.
/// `groupCount` defaults to the number of temperatures or points given.
struct StandardFields {
  HeaderFields header;
  std::string shipName = "OLEANDER";
  std::uint64_t imoNumber = 9126467;
  std::uint64_t uniqueTag = 0x1A2B3C4D;
  std::uint64_t softwareVersion = 812;
  std::uint64_t probeSerial = 123456;
  std::uint64_t typeOfData = 1;
  std::uint64_t dataQuality = 0;
  std::uint64_t probeType = 52;
  std::uint64_t recorderType = 6;
  std::uint64_t windInstrument = 3;
  std::uint64_t windDirection = 270;
  std::uint64_t windSpeed = 100;
  std::uint64_t dryBulb = 2981;
  std::uint64_t currentMethod = 1;
  std::uint64_t currentDirection = 90;
  std::uint64_t currentSpeed = 100;
  std::uint64_t totalWaterDepth = 4200;
  std::uint64_t replication = 1;
  std::optional<std::uint64_t> groupCount;
  std::vector<std::uint64_t> temperatures;  // raw sea temperatures, types 1 and 2
  std::vector<std::pair<std::uint64_t, std::uint64_t>> points;  // raw depth, raw temperature
};

/// The fields of an extended (kind-2) message: the standard ones (with
/// `probeSerial` written 24 bits wide) and the launch fields. The header's
/// kind defaults to 2.
struct ExtendedFields : StandardFields {
  ExtendedFields() { header.kind = 2; }
  std::string soopLine = "PX30";
  std::uint64_t transectNumber = 12;
  std::uint64_t sequenceNumber = 345;
  std::uint64_t launchHeight = 1250;
  std::uint64_t shipHeading = 270;
  std::uint64_t shipSpeed = 500;
};

/// Bits at which the profile of a standard message starts.
inline constexpr std::int64_t kStandardProfileStart = 621;
/// Bits at which the profile of an extended message starts.
inline constexpr std::int64_t kExtendedProfileStart = 731;

class MessageBuilder {
 public:
  /// Appends the low `width` bits of `value`, most significant first.
  MessageBuilder& bits(std::uint64_t value, int width);
  /// Appends `raw` with the width of `row`.
  MessageBuilder& field(const CatalogueRow& row, std::uint64_t raw);
  /// Appends the characters of `text` with the width of `row`, padded with
  /// NULs (cut when longer than the field).
  MessageBuilder& text(const CatalogueRow& row, std::string_view text);
  /// Appends the ten header fields.
  MessageBuilder& header(const HeaderFields& fields);
  /// Appends a whole standard message: header, fixed part, then the
  /// temperatures and the points.
  MessageBuilder& standard(const StandardFields& fields);
  /// Appends a whole extended message in the extended layout.
  MessageBuilder& extended(const ExtendedFields& fields);
  /// Appends the profile of `fields`: the temperatures, then the points.
  MessageBuilder& profile(const StandardFields& fields);

  std::int64_t bitCount() const { return bitCount_; }
  /// The message so far; the bits after the last field of the last byte
  /// are `padding` (0 or 1).
  std::vector<std::uint8_t> bytes(int padding = 0) const;

 private:
  // A whole message, in the extended layout when `extended` is given.
  MessageBuilder& message(const StandardFields& fields, const ExtendedFields* extended);

  std::vector<std::uint8_t> bytes_;
  std::int64_t bitCount_ = 0;
};

/// The bytes of a standard message with `fields`, padded with zero bits.
std::vector<std::uint8_t> standardMessage(const StandardFields& fields);

/// The bytes of an extended message with `fields`, padded with zero bits.
std::vector<std::uint8_t> extendedMessage(const ExtendedFields& fields);

/// A MessageBuffer over `bytes`, which must outlive it.
MessageBuffer bufferOf(const std::vector<std::uint8_t>& bytes);

/// Damage as a transmission does it: the first `length` bytes of `bytes`.
std::vector<std::uint8_t> cutAt(const std::vector<std::uint8_t>& bytes, std::size_t length);
/// Damage at a field: overwrites the `width` bits at bit `position` with the
/// low bits of `value`.
void setField(std::vector<std::uint8_t>& bytes, std::int64_t position, std::uint64_t value,
              int width);

}  // namespace xbtconv::testing

#endif  // XBTCONV_TESTS_SUPPORT_MESSAGE_BUILDER_H_
