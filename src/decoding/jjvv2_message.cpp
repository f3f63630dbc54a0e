#include "decoding/jjvv2_message.h"

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
  setSubCategory(kExtendedKind);
  sequence_.insert(sequence_.begin() + kVoyagePosition,
                   {&soopLine_, &transectNumber_, &sequenceNumber_});
  sequence_[kSerialPosition] = &probeSerial24_;
  sequence_.insert(sequence_.begin() + kLaunchPosition,
                   {&launchHeight_, &shipHeading_, &shipSpeed_});
  probeSerialPosition_ = kSerialPosition;
}

bool Jjvv2Message::decode(const MessageBuffer& buffer, const ProfileLimit& limit) {
  if (decoded_) clear();
  decoded_ = true;
  std::int64_t position = 0;
  const SkipTest skip = [this](int index) { return isSkipped(index); };
  if (!readRun(sequence_, 0, headerCount(), buffer, position, skip)) {
    stopBit_ = position;
    return false;
  }
  if (subCategory() == kStandardKind) {
    // A standard message: its 20-bit serial number stands where the
    // extended message has the 24-bit one.
    serialSwapped_ = true;
    sequence_[kSerialPosition] = &probeSerial_;
  }
  const int entries = static_cast<int>(sequence_.size());
  const bool read =
      readRun(sequence_, headerCount(), entries - headerCount(), buffer, position, skip) &&
      decodeProfile(buffer, position, limit);
  if (serialSwapped_) restoreProbeSerial();
  stopBit_ = position;
  return read;
}

void Jjvv2Message::clear() {
  clearStandardPart(kExtendedKind);
  for (ElementDescriptor* field : {&probeSerial24_, &shipHeading_, &shipSpeed_, &transectNumber_,
                                   &soopLine_, &sequenceNumber_, &launchHeight_}) {
    field->clearValue();
  }
}

bool Jjvv2Message::isSkipped(int position) const {
  const bool extra = (position >= kVoyagePosition && position < kVoyagePosition + kExtraFields) ||
                     (position >= kLaunchPosition && position < kLaunchPosition + kExtraFields);
  return extra && subCategory() == kStandardKind;
}

void Jjvv2Message::restoreProbeSerial() {
  setSubCategory(kExtendedKind);
  serialSwapped_ = false;
  probeSerial24_.setSignedValue(raw(probeSerial_));
  sequence_[kSerialPosition] = &probeSerial24_;
}

std::string Jjvv2Message::soopLine() const {
  if (soopLine_.rawValue() == ElementDescriptor::kMissingRaw) return "Missing";
  return characterText(soopLine_);
}

float Jjvv2Message::launchHeight() const {
  const std::uint32_t rawValue = launchHeight_.rawValue();
  if (rawValue == ElementDescriptor::kMissingRaw) return kMissingSpeed;
  return static_cast<float>(rawValue * integerPower(10.0, -launchHeight_.scale()));
}

}  // namespace xbtconv
