#include "decoding/jjvv_message.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <string_view>

#include "descriptors/code_tables.h"
#include "descriptors/descriptor_catalogue.h"
#include "descriptors/integer_power.h"

namespace xbtconv {
namespace {

// One numeric profile field taken again and again, group after group, with
// the rules a descriptor applies: all ones keeps the previous value (the
// first time: missing), an out-of-range value is missing.
class ProfileField {
 public:
  explicit ProfileField(const CatalogueRow& row)
      : row_(row), allOnes_(0xFFFFFFFFu >> (32 - row.width)) {}

  int width() const { return row_.width; }

  // Takes the field's next bits.
  void take(std::uint32_t bits) {
    allOnesRead_ = bits == allOnes_;
    if (bits != allOnes_) {
      raw_ = row_.minimum <= bits && bits <= row_.maximum ? bits : ElementDescriptor::kMissingRaw;
    }
  }

  std::uint32_t raw() const { return raw_; }
  // Whether the last bits taken were all ones, so that raw() repeats the
  // value before.
  bool allOnesRead() const { return allOnesRead_; }

 private:
  const CatalogueRow& row_;
  const std::uint32_t allOnes_;
  std::uint32_t raw_ = ElementDescriptor::kMissingRaw;
  bool allOnesRead_ = false;
};

// Empties a profile list. A list that held a profile far longer than any
// observed one (a corrupt count meets a large file) gives its memory back,
// so that a reused message never keeps a huge file's lists.
template <typename List>
void emptyList(List& list) {
  constexpr std::size_t kKeptEntries = std::size_t{1} << 16;
  if (list.capacity() > kKeptEntries) {
    List().swap(list);
  } else {
    list.clear();
  }
}

}  // namespace

int probeSerialIndex(const std::vector<ElementDescriptor*>& sequence) {
  for (std::size_t i = 0; i < sequence.size(); ++i) {
    // The whole name field: past the name it holds only NULs, which the
    // text cannot match, and no length needs counting first.
    const std::string_view name(sequence[i]->name(), ElementDescriptor::kNameSize);
    if (name.find("PROBE SERIAL NUMBER") != std::string_view::npos) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

JjvvMessage::JjvvMessage()
    : shipName_(prototype<catalogue::kShipName>()),
      imoNumber_(prototype<catalogue::kImoNumber>()),
      uniqueTag_(prototype<catalogue::kUniqueTag>()),
      softwareVersion_(prototype<catalogue::kSoftwareVersion>()),
      probeSerial_(prototype<catalogue::kProbeSerial20>()),
      typeOfData_(codetables::buildTypeOfDataDescriptor()),
      dataQuality_(codetables::buildDataQualityDescriptor()),
      recorderType_(codetables::buildRecorderTypeDescriptor()),
      windInstrument_(codetables::buildWindInstrumentDescriptor()),
      windDirection_(prototype<catalogue::kWindDirection>()),
      windSpeed_(prototype<catalogue::kWindSpeed>()),
      dryBulb_(prototype<catalogue::kDryBulb>()),
      currentMethod_(codetables::buildCurrentMethodDescriptor()),
      currentDirection_(prototype<catalogue::kCurrentDirection>()),
      currentSpeed_(prototype<catalogue::kCurrentSpeed>()),
      totalWaterDepth_(prototype<catalogue::kTotalWaterDepth>()),
      replication_(prototype<catalogue::kReplication>()),
      groupCount_(prototype<catalogue::kGroupCount>()) {
  setSubCategory(kStandardKind);
  sequence_.insert(sequence_.end(),
                   {&shipName_, &imoNumber_, &uniqueTag_, &softwareVersion_, &probeSerial_,
                    &typeOfData_, &dataQuality_, &probeType_, &recorderType_, &windInstrument_,
                    &windDirection_, &windSpeed_, &dryBulb_, &currentMethod_, &currentDirection_,
                    &currentSpeed_, &totalWaterDepth_, &replication_, &groupCount_});
  static const int serialPosition = probeSerialIndex(sequence_);
  probeSerialPosition_ = serialPosition;
}

bool JjvvMessage::decode(const MessageBuffer& buffer, const ProfileLimit& limit) {
  if (decoded_) clear();
  decoded_ = true;
  std::int64_t position = 0;
  const int entries = static_cast<int>(sequence_.size());
  const bool read = readRun(sequence_, 0, headerCount(), buffer, position) &&
                    readRun(sequence_, headerCount(), entries - headerCount(), buffer, position) &&
                    decodeProfile(buffer, position, limit);
  stopBit_ = position;
  return read;
}

void JjvvMessage::clear() { clearStandardPart(kStandardKind); }

void JjvvMessage::clearStandardPart(std::int32_t kind) {
  clearHeaderValues();
  setSubCategory(kind);
  for (ElementDescriptor* field : std::initializer_list<ElementDescriptor*>{
           &shipName_, &imoNumber_, &uniqueTag_, &softwareVersion_, &probeSerial_, &typeOfData_,
           &dataQuality_, &probeType_, &recorderType_, &windInstrument_, &windDirection_,
           &windSpeed_, &dryBulb_, &currentMethod_, &currentDirection_, &currentSpeed_,
           &totalWaterDepth_, &replication_, &groupCount_}) {
    field->clearValue();
  }
  emptyList(fullResolutionList_);
  emptyList(twoMeterList_);
  emptyList(inflectionList_);
  emptyList(temperatureAllOnes_);
  emptyList(depthAllOnes_);
  stopBit_ = 0;
  groupsLeftOut_ = 0;
  decoded_ = false;
}

bool JjvvMessage::decodeProfile(const MessageBuffer& buffer, std::int64_t& position,
                                const ProfileLimit& limit) {
  const std::int32_t type = typeOfData();
  ProfileField depth(catalogue::kDepth);
  ProfileField temperature(catalogue::kSeaTemperature);
  std::int64_t groupBits = 0;
  if (type == kFullResolution || type == kTwoMeter) groupBits = temperature.width();
  if (type == kInflectionPoints) groupBits = depth.width() + temperature.width();
  if (groupBits == 0) return true;

  // The groups are read up to the first that does not fit whole. The count
  // may lie (a missing one reads 0xFFFFFFFF), so what the buffer can hold
  // is worked out first: it bounds the lists' memory and lets the loops
  // read without a fit test per field.
  const std::uint32_t groups = groupCount_.rawValue();
  const std::int64_t messageBytes = std::max(limit.messageBytes, std::int64_t{buffer.byteCount});
  const std::int64_t fitting = std::min<std::int64_t>(
      std::int64_t{groups}, std::max<std::int64_t>(0, 8 * messageBytes - position) / groupBits);
  // The groups kept lie in the buffer, whatever the limit asked.
  const std::int64_t inBuffer =
      std::max<std::int64_t>(0, 8 * std::int64_t{buffer.byteCount} - position) / groupBits;
  const auto count = static_cast<std::size_t>(
      std::min({fitting, inBuffer,
                static_cast<std::int64_t>(std::min<std::size_t>(limit.maxGroups, INT64_MAX))}));
  groupsLeftOut_ = fitting - static_cast<std::int64_t>(count);
  const std::int64_t end = position + fitting * groupBits;

  // Samples of all ones are rare, so their marks get room only once one
  // turns up.
  const auto mark = [count](std::vector<bool>& marks, std::size_t i) {
    if (marks.empty()) marks.resize(count);
    marks[i] = true;
  };
  if (type == kFullResolution || type == kTwoMeter) {
    RawList& list = type == kFullResolution ? fullResolutionList_ : twoMeterList_;
    list.resize(count);
    std::uint32_t* const raws = list.data();
    // The bits go in as they are; the rules are applied after, and only
    // to a profile with a value they change (all ones or out of range).
    constexpr int width = catalogue::kSeaTemperature.width;
    constexpr std::uint32_t allOnes = 0xFFFFFFFFu >> (32 - width);
    constexpr std::uint32_t lowest = catalogue::kSeaTemperature.minimum;
    constexpr std::uint32_t highest = catalogue::kSeaTemperature.maximum;
    // Every temperature but all ones is in range, so the reader's answer
    // tells whether a rule changes anything.
    static_assert(width == 12 && lowest == 0 && highest == allOnes - 1);
    const bool plain = !readTwelveBitFields(buffer, position, count, raws);
    for (std::size_t i = 0; !plain && i < count; ++i) {
      temperature.take(raws[i]);
      raws[i] = temperature.raw();
      if (temperature.allOnesRead()) mark(temperatureAllOnes_, i);
    }
  } else {
    inflectionList_.resize(count);
    constexpr int temperatureWidth = catalogue::kSeaTemperature.width;
    constexpr int pointWidth = catalogue::kDepth.width + temperatureWidth;
    readFieldsInside<pointWidth>(buffer, position, count, [&](std::size_t i, std::uint32_t bits) {
      depth.take(bits >> temperatureWidth);
      temperature.take(bits & ((1u << temperatureWidth) - 1));
      inflectionList_[i] = InflectionPoint{static_cast<std::int32_t>(depth.raw()),
                                           temperatureOf(temperature.raw()), temperature.raw()};
      if (depth.allOnesRead()) mark(depthAllOnes_, i);
      if (temperature.allOnesRead()) mark(temperatureAllOnes_, i);
    });
  }
  position = end;
  return fitting == std::int64_t{groups};
}

std::string JjvvMessage::shipName() const { return textOrEmpty(shipName_); }

float JjvvMessage::dryBulbCelsius() const {
  const std::uint32_t rawValue = dryBulb_.rawValue();
  if (rawValue == ElementDescriptor::kMissingRaw) return static_cast<float>(kMissingNumber);
  const auto kelvin = static_cast<float>(static_cast<double>(rawValue) + dryBulb_.reference());
  // 273.1, not 273.15: the reports have always used it.
  return static_cast<float>(integerPower(10.0, -dryBulb_.scale()) * kelvin - 273.1);
}

float JjvvMessage::temperatureOf(std::uint32_t rawValue) {
  const float celsius =
      static_cast<float>(rawValue) + static_cast<float>(catalogue::kSeaTemperature.reference);
  return static_cast<float>(celsius / integerPower(10.0, catalogue::kSeaTemperature.scale));
}

float JjvvMessage::speedKnots(const ElementDescriptor& speed) {
  const std::uint32_t rawValue = speed.rawValue();
  if (rawValue == ElementDescriptor::kMissingRaw) return kMissingSpeed;
  const std::int32_t scale = speed.scale();
  // Metres per second in steps of 10^-scale; 1852 metres in 3600 seconds
  // make a knot.
  const auto knots = static_cast<float>(static_cast<double>(rawValue) /
                                        (1852.0 / (integerPower(10.0, -scale) * 3600.0)));
  const double steps = std::trunc(integerPower(10.0, scale) * knots + 0.5);
  return static_cast<float>(steps / integerPower(10.0, scale));
}

std::int32_t JjvvMessage::fullResolutionCount() const {
  return static_cast<std::int32_t>(fullResolutionList_.size());
}

float JjvvMessage::fullResolutionTemperature(std::int32_t index) const {
  const auto at = static_cast<std::uint32_t>(index);
  if (at >= fullResolutionList_.size()) return static_cast<float>(kMissingNumber);
  return temperatureOf(fullResolutionList_[at]);
}

std::int32_t JjvvMessage::twoMeterCount() const {
  // Only a two-metre profile of over a thousand million samples (a file of
  // more than 1.6 GB) could pass the count's range; it stops at the largest.
  const std::size_t entries = 2 * twoMeterList_.size();
  return static_cast<std::int32_t>(
      std::min<std::size_t>(entries, std::numeric_limits<std::int32_t>::max()));
}

float JjvvMessage::twoMeterTemperature(std::int32_t position) const {
  if (position < 1 || position > twoMeterCount()) return static_cast<float>(kMissingNumber);
  return temperatureOf(twoMeterList_[static_cast<std::size_t>(position - 1) / 2]);
}

bool JjvvMessage::temperatureAllOnes(std::int32_t index) const {
  const auto at = static_cast<std::uint32_t>(index);
  return at < temperatureAllOnes_.size() && temperatureAllOnes_[at];
}

bool JjvvMessage::depthAllOnes(std::int32_t index) const {
  const auto at = static_cast<std::uint32_t>(index);
  return at < depthAllOnes_.size() && depthAllOnes_[at];
}

std::int32_t JjvvMessage::inflectionPointCount() const {
  return static_cast<std::int32_t>(inflectionList_.size());
}

InflectionPoint JjvvMessage::inflectionPoint(std::int32_t index) const {
  const auto at = static_cast<std::uint32_t>(index);
  if (at >= inflectionList_.size()) return InflectionPoint{};
  return inflectionList_[at];
}

}  // namespace xbtconv
