// The profile paths: a valid fixed part of either kind, with the profile
// and its layout, group count and length taken from the input; each
// message also goes through the netCDF export.
//
// Input: byte 0 chooses the kind (bit 0) and whether the group count is
// given (bit 1) or missing; byte 1 the type of data (0 to 7); bytes 2 and 3
// the group count; the rest is appended after the fixed part as the
// profile.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_checks.h"
#include "support/message_builder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4 || size > (1u << 16)) return 0;
  const bool extended = (data[0] & 1) != 0;
  const bool counted = (data[0] & 2) != 0;
  xbtconv::testing::ExtendedFields fields;
  fields.header.kind = extended ? 2 : 1;
  fields.typeOfData = data[1] & 7u;
  fields.groupCount =
      counted ? (std::uint64_t{data[2]} << 8 | data[3]) : xbtconv::testing::kAllOnes;
  xbtconv::testing::MessageBuilder builder;
  if (extended) {
    builder.extended(fields);
  } else {
    builder.standard(fields);
  }
  for (std::size_t i = 4; i < size; ++i) builder.bits(data[i], 8);
  const std::vector<std::uint8_t> bytes = builder.bytes();
  const xbtconv::MessageBuffer buffer{static_cast<std::int32_t>(bytes.size()), bytes.data()};
  if (extended) {
    xbtconv::fuzz::decodeAndReport<xbtconv::Jjvv2Message>(buffer, true);
  } else {
    xbtconv::fuzz::decodeAndReport<xbtconv::JjvvMessage>(buffer, true);
    xbtconv::fuzz::decodeAndReport<xbtconv::Jjvv2Message>(buffer);
  }
  return 0;
}
