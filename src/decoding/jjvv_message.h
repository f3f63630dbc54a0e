// JjvvMessage: the standard XBT message (kind 1). After the header come the
// ship's name and numbers, the software version and probe serial number,
// the probe and recorder types, surface weather and current, the water
// depth, and a replicated temperature profile whose layout "TYPE OF DATA"
// selects: full resolution (temperatures), two-metre resolution
// (temperatures, listed as depth pairs) or inflection points (depth and
// temperature).
//
// decode() returns false when a field the layout calls for does not fit in
// the buffer; everything read before that point is kept, so the report of a
// cut-off transmission still shows what arrived. Out-of-range values are
// missing values, not failures. A missing group count makes the profile
// run to the end of the buffer (and so fail); the profile lists hold one
// compact entry per sample, so memory stays proportional to the file.
#ifndef XBTCONV_DECODING_JJVV_MESSAGE_H_
#define XBTCONV_DECODING_JJVV_MESSAGE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "decoding/bit_reader.h"
#include "decoding/message_buffer.h"
#include "decoding/message_header_block.h"
#include "descriptors/code_table_descriptor.h"
#include "descriptors/element_descriptor.h"
#include "descriptors/probe_type_descriptor.h"

namespace xbtconv {

/// One point of an inflection-point profile.
struct InflectionPoint {
  std::int32_t depth = 0;    // raw "DEPTH BELOW SEA SURFACE", not scaled
  float temperature = 0.0f;  // degrees Celsius
  // The raw "SEA TEMPERATURE" the temperature comes from.
  std::uint32_t temperatureRaw = ElementDescriptor::kMissingRaw;
};

/// How much of a profile a decode keeps. A message may be handed over as its
/// first bytes only: where the decode stops, and whether it succeeds, are
/// then worked out for the whole message, as if every group had been read.
struct ProfileLimit {
  /// Groups kept; those past it are counted in groupsLeftOut().
  std::size_t maxGroups = SIZE_MAX;
  /// The whole message's size in bytes, at least the buffer's; -1 when the
  /// buffer is the whole message.
  std::int64_t messageBytes = -1;
};

/// Index in `sequence` of the first descriptor whose name contains "PROBE
/// SERIAL NUMBER" (the probe serial number, 20 or 24 bits wide); -1 when
/// there is none.
int probeSerialIndex(const std::vector<ElementDescriptor*>& sequence);

class JjvvMessage : public MessageHeaderBlock {
 public:
  /// Type-of-data codes that select the profile layout.
  static constexpr std::int32_t kFullResolution = 1;
  static constexpr std::int32_t kTwoMeter = 2;
  static constexpr std::int32_t kInflectionPoints = 3;

  JjvvMessage();

  /// Decodes the whole message; false when a field does not fit. What an
  /// earlier decode stored is forgotten first, so the result is always
  /// that of a new message. With a `limit`, the profile keeps at most its
  /// first groups.
  bool decode(const MessageBuffer& buffer, const ProfileLimit& limit = {});
  /// Forgets what decode() stored: the message is as a new one, except that
  /// its profile lists keep their room (up to a bound) for the next decode.
  /// A batch reuses one message for file after file, which saves building
  /// one and allocating its lists per file.
  void clear();

  std::string shipName() const;
  std::int32_t uniqueTag() const { return raw(uniqueTag_); }
  std::int32_t imoNumber() const { return raw(imoNumber_); }
  std::int32_t softwareVersion() const { return raw(softwareVersion_); }
  std::int32_t probeSerialNumber() const { return raw(probeSerial_); }
  std::int32_t typeOfData() const { return raw(typeOfData_); }
  std::int32_t probeTypeCode() const { return raw(probeType_); }
  ProbeTypeEntry probeType(std::int32_t code) const { return probeType_.lookup(code); }
  std::int32_t recorderTypeCode() const { return raw(recorderType_); }
  CodeEntry recorderType(std::int32_t code) const { return recorderType_.lookup(code); }
  std::int32_t windInstrumentCode() const { return raw(windInstrument_); }
  CodeEntry windInstrument(std::int32_t code) const { return windInstrument_.lookup(code); }
  std::int32_t windDirection() const { return raw(windDirection_); }
  /// Knots to 0.1, rounded half up; -1.0 when missing.
  float windSpeedKnots() const { return speedKnots(windSpeed_); }
  /// Kelvin less 273.1; -9999.0 when missing.
  float dryBulbCelsius() const;
  std::int32_t currentMethodCode() const { return raw(currentMethod_); }
  CodeEntry currentMethod(std::int32_t code) const { return currentMethod_.lookup(code); }
  std::int32_t currentDirection() const { return raw(currentDirection_); }
  /// Knots to 0.01, rounded half up; -1.0 when missing.
  float currentSpeedKnots() const { return speedKnots(currentSpeed_); }
  std::int32_t totalWaterDepth() const { return raw(totalWaterDepth_); }

  /// The raw temperatures of the full-resolution and two-metre lists, one
  /// per sample.
  std::span<const std::uint32_t> fullResolutionRaws() const { return fullResolutionList_; }
  std::span<const std::uint32_t> twoMeterRaws() const { return twoMeterList_; }
  std::int32_t fullResolutionCount() const;
  /// Sample `index` (from 0) in degrees Celsius; -9999.0 outside the list.
  float fullResolutionTemperature(std::int32_t index) const;
  /// The raw sea temperature behind fullResolutionTemperature(index), for
  /// listings that work on raw values. REQUIRES: index < the count.
  std::uint32_t fullResolutionRaw(std::int32_t index) const {
    return fullResolutionList_[static_cast<std::size_t>(index)];
  }
  /// Entries of the two-metre list, which holds every sample twice.
  std::int32_t twoMeterCount() const;
  /// Entry at `position` (from 1): positions 2k-1 and 2k hold sample k.
  /// -9999.0 outside the list.
  float twoMeterTemperature(std::int32_t position) const;
  /// The raw sea temperature of two-metre sample `sample` (from 1), the one
  /// at positions 2k-1 and 2k. REQUIRES: 1 <= sample <= count / 2.
  std::uint32_t twoMeterRaw(std::int32_t sample) const {
    return twoMeterList_[static_cast<std::size_t>(sample - 1)];
  }
  std::int32_t inflectionPointCount() const;
  /// Point `index` (from 0); {0, 0.0} outside the list.
  InflectionPoint inflectionPoint(std::int32_t index) const;
  /// Whether the temperature bits of sample or point `index` (from 0) were
  /// all ones in the message. The lists then repeat the value before, as
  /// the reports always have; data exports show no value there.
  bool temperatureAllOnes(std::int32_t index) const;
  /// The same for the depth bits of inflection point `index`.
  bool depthAllOnes(std::int32_t index) const;

  /// The groups of the profile that fitted in the message but were past the
  /// decode's limit.
  std::int64_t groupsLeftOut() const { return groupsLeftOut_; }

  /// The bit offset at which the last decode stopped: the end of the
  /// message's layout when it was read whole, else the first bit of the
  /// field that did not fit.
  std::int64_t stopBit() const { return stopBit_; }
  /// probeSerialIndex(sequence()), worked out once for the message's kind:
  /// every message of a kind has the same layout.
  int probeSerialPosition() const { return probeSerialPosition_; }

  /// Degrees Celsius of a raw "SEA TEMPERATURE", in single precision. No
  /// missing test: a raw 0xFFFFFFFF converts like any other number.
  static float temperatureOf(std::uint32_t raw);
  /// Metres per second to knots, rounded half up to 10^-scale knot, in
  /// single precision; -1.0 when missing.
  static float speedKnots(const ElementDescriptor& speed);

 protected:
  /// Reads the profile that starts at `position`, with the layout and
  /// group count decoded into the fixed part, up to `limit`.
  bool decodeProfile(const MessageBuffer& buffer, std::int64_t& position,
                     const ProfileLimit& limit);
  /// Drops every value of the header and the standard part, and the
  /// profile, and sets the kind field to `kind`, as the constructors do.
  void clearStandardPart(std::int32_t kind);

  static std::int32_t raw(const ElementDescriptor& descriptor) {
    return static_cast<std::int32_t>(descriptor.rawValue());
  }

  ElementDescriptor shipName_;
  ElementDescriptor imoNumber_;
  ElementDescriptor uniqueTag_;
  ElementDescriptor softwareVersion_;
  ElementDescriptor probeSerial_;  // the 20-bit serial number
  CodeTableDescriptor typeOfData_;
  CodeTableDescriptor dataQuality_;
  ProbeTypeDescriptor probeType_;
  CodeTableDescriptor recorderType_;
  CodeTableDescriptor windInstrument_;
  ElementDescriptor windDirection_;
  ElementDescriptor windSpeed_;
  ElementDescriptor dryBulb_;
  CodeTableDescriptor currentMethod_;
  ElementDescriptor currentDirection_;
  ElementDescriptor currentSpeed_;
  ElementDescriptor totalWaterDepth_;
  ElementDescriptor replication_;
  ElementDescriptor groupCount_;

 private:
  // Room for raw values that are written right after it is made: grown
  // without zeroing first what is written over at once.
  template <typename T>
  struct UnsetRoom : std::allocator<T> {
    template <typename U>
    struct rebind {
      using other = UnsetRoom<U>;
    };
    UnsetRoom() = default;
    template <typename U>
    explicit UnsetRoom(const UnsetRoom<U>& /*other*/) {}
    template <typename U>
    void construct(U* at) {
      ::new (static_cast<void*>(at)) U;
    }
    template <typename U, typename... Args>
    void construct(U* at, Args&&... args) {
      ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
    }
  };
  using RawList = std::vector<std::uint32_t, UnsetRoom<std::uint32_t>>;

  // Raw temperatures, one per sample (the two-metre list reports each
  // twice without storing it twice).
  RawList fullResolutionList_;
  RawList twoMeterList_;
  std::vector<InflectionPoint> inflectionList_;
  std::vector<bool> temperatureAllOnes_;
  std::vector<bool> depthAllOnes_;

 protected:
  std::int64_t stopBit_ = 0;
  std::int64_t groupsLeftOut_ = 0;
  int probeSerialPosition_ = -1;
  // Whether decode() has stored anything since construction or clear().
  bool decoded_ = false;
};

}  // namespace xbtconv

#endif  // XBTCONV_DECODING_JJVV_MESSAGE_H_
