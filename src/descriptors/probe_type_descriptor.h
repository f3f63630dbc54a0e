// ProbeTypeDescriptor: the instrument type of the profile, with the fixed
// table of 55 probe rows (name, fall-rate coefficients, maximum depth). A
// code the table lacks looks up to a row of -1 values and an empty name.
#ifndef XBTCONV_DESCRIPTORS_PROBE_TYPE_DESCRIPTOR_H_
#define XBTCONV_DESCRIPTORS_PROBE_TYPE_DESCRIPTOR_H_

#include <cstdint>
#include <span>

#include "descriptors/element_descriptor.h"

namespace xbtconv {

struct ProbeTypeEntry {
  std::int16_t code;
  double fallRateA;       // -1.0 where the probe has none
  double fallRateB;       // -1.0 where the probe has none
  std::int32_t maxDepth;  // metres; -1 where none is given
  const char* probeName;  // constant text that lives for the whole run
};

class ProbeTypeDescriptor : public ElementDescriptor {
 public:
  static constexpr int kRowCount = 55;

  /// The descriptor with the "INSTRUMENT TYPE FOR WATER PROFILE MEASUREMENT"
  /// parameters and no value.
  ProbeTypeDescriptor();

  /// The first row with `code`, or the no-match row {-1, -1.0, -1.0, -1, ""}.
  ProbeTypeEntry lookup(std::int32_t code) const;

  /// The 55 rows in table order. They are the same for every descriptor and
  /// never change, so they are shared rather than copied into each message.
  static std::span<const ProbeTypeEntry, kRowCount> rows();
};

}  // namespace xbtconv

#endif  // XBTCONV_DESCRIPTORS_PROBE_TYPE_DESCRIPTOR_H_
