#include "decoding/jjvv2_message.h"

#include <cstring>

#include "descriptors/descriptor_catalogue.h"
#include "descriptors/integer_power.h"

namespace xbtconv {

Jjvv2Message::Jjvv2Message()
    : probeSerial24_(prototype<catalogue::kProbeSerial24>()),
      shipHeading_(prototype<catalogue::kShipHeading>()),
      shipSpeed_(prototype<catalogue::kShipSpeed>()),
      transectNumber_(prototype<catalogue::kTransectNumber>()),
      soopLine_(prototype<catalogue::kSoopLine>()),
      sequenceNumber_(prototype<catalogue::kSequenceNumber>()),
      launchHeight_(prototype<catalogue::kLaunchHeight>()) {
  setSubCategory(2);
  for (ElementDescriptor*& entry : sequence_) {
    if (std::strstr(entry->name(), "PROBE SERIAL NUMBER") != nullptr) {
      entry = &probeSerial24_;
      break;
    }
  }
  // Launch height, heading and speed follow the data quality; the SOOP
  // line, transect and sequence number follow the longitude.
  sequence_.insert(sequence_.begin() + 17, {&launchHeight_, &shipHeading_, &shipSpeed_});
  sequence_.insert(sequence_.begin() + 5, {&soopLine_, &transectNumber_, &sequenceNumber_});
}

bool Jjvv2Message::decode(const MessageBuffer& buffer) {
  clearProfile();
  std::int64_t position = 0;
  const SkipTest skip = [this](int index) { return isSkipped(index); };
  if (!readRun(sequence_, 0, headerCount(), buffer, position, skip)) return false;
  if (subCategory() == 1) {
    // A standard message: its 20-bit serial number stands where the
    // extended message has the 24-bit one.
    serialSwapped_ = true;
    sequence_[kSerialPosition] = &probeSerial_;
  }
  const int entries = static_cast<int>(sequence_.size());
  const bool read =
      readRun(sequence_, headerCount(), entries - headerCount(), buffer, position, skip) &&
      decodeProfile(buffer, position);
  if (serialSwapped_) restoreProbeSerial();
  return read;
}

bool Jjvv2Message::isSkipped(int position) const {
  switch (position) {
    case 5:
    case 6:
    case 7:
    case 20:
    case 21:
    case 22:
      return subCategory() == 1;
    default:
      return false;
  }
}

void Jjvv2Message::restoreProbeSerial() {
  setSubCategory(2);
  serialSwapped_ = false;
  probeSerial24_.setSignedValue(raw(probeSerial_));
  sequence_[kSerialPosition] = &probeSerial24_;
}

std::string Jjvv2Message::soopLine() const {
  if (soopLine_.rawValue() == ElementDescriptor::kMissingRaw) return "Missing";
  const ElementDescriptor::ValueBytes text = soopLine_.valueText();
  return std::string(reinterpret_cast<const char*>(text.data()));
}

float Jjvv2Message::launchHeight() const {
  const std::uint32_t rawValue = launchHeight_.rawValue();
  if (rawValue == ElementDescriptor::kMissingRaw) return -1.0f;
  return static_cast<float>(rawValue * integerPower(10.0, -launchHeight_.scale()));
}

}  // namespace xbtconv
