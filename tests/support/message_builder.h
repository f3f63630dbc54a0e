// Builds test messages from field values, most significant bit first, with
// the widths of the descriptor catalogue, so that a test spells a message as
// readable values ("month 12, day 31") instead of a hex blob. Values are cut
// to the field's width, so kAllOnes writes a field's missing value.
#ifndef XBTCONV_TESTS_SUPPORT_MESSAGE_BUILDER_H_
#define XBTCONV_TESTS_SUPPORT_MESSAGE_BUILDER_H_

#include <cstdint>
#include <string>
#include <string_view>
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

  std::int64_t bitCount() const { return bitCount_; }
  /// The message so far; the bits after the last field of the last byte
  /// are `padding` (0 or 1).
  std::vector<std::uint8_t> bytes(int padding = 0) const;

 private:
  std::vector<std::uint8_t> bytes_;
  std::int64_t bitCount_ = 0;
};

/// A MessageBuffer over `bytes`, which must outlive it.
MessageBuffer bufferOf(const std::vector<std::uint8_t>& bytes);

}  // namespace xbtconv::testing

#endif  // XBTCONV_TESTS_SUPPORT_MESSAGE_BUILDER_H_
