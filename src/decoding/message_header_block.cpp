#include "decoding/message_header_block.h"

#include <algorithm>

#include "descriptors/descriptor_catalogue.h"

namespace xbtconv {
namespace {

// Entries of the longest sequence, the extended message's.
constexpr std::size_t kLongestSequence = 35;

// The raw value of a time field, or -1 when it holds none.
int timeField(const ElementDescriptor& field, int offset) {
  if (!field.hasValue()) return kMissingInteger;
  return static_cast<int>(field.rawValue()) - offset;
}

double position(const ElementDescriptor& field) {
  if (!field.hasValue() || field.rawValue() == ElementDescriptor::kMissingRaw) {
    return kMissingNumber;
  }
  return field.scaledValue();
}

}  // namespace

MessageHeaderBlock::MessageHeaderBlock()
    : callSign_(prototype<catalogue::kShipCallSign>()),
      reportSubCategory_(prototype<catalogue::kReportSubCategory>()),
      kind_(prototype<catalogue::kKind>()),
      latitude_(prototype<catalogue::kLatitude>()),
      longitude_(prototype<catalogue::kLongitude>()),
      year_(prototype<catalogue::kYear>()),
      month_(prototype<catalogue::kMonth>()),
      day_(prototype<catalogue::kDay>()),
      hour_(prototype<catalogue::kHour>()),
      minute_(prototype<catalogue::kMinute>()) {
  sequence_.reserve(kLongestSequence);
  sequence_ = {&callSign_,  &reportSubCategory_,
               &kind_,      &latitude_,
               &longitude_, &year_,
               &month_,     &day_,
               &hour_,      &minute_};
  headerCount_ = static_cast<std::int32_t>(sequence_.size());
}

void MessageHeaderBlock::clearHeaderValues() {
  for (ElementDescriptor* field : {&callSign_, &reportSubCategory_, &kind_, &latitude_, &longitude_,
                                   &year_, &month_, &day_, &hour_, &minute_}) {
    field->clearValue();
  }
}

std::string MessageHeaderBlock::callSign() const { return textOrEmpty(callSign_); }

std::tm& MessageHeaderBlock::observationTime(std::tm& time) const {
  time = std::tm{};
  time.tm_sec = 0;
  time.tm_min = timeField(minute_, 0);
  time.tm_hour = timeField(hour_, 0);
  time.tm_mday = timeField(day_, 0);
  time.tm_mon = timeField(month_, 1);
  time.tm_year = timeField(year_, 1900);
  time.tm_wday = -1;
  time.tm_yday = -1;
  time.tm_isdst = -1;
  return time;
}

double MessageHeaderBlock::latitude() const { return position(latitude_); }

double MessageHeaderBlock::longitude() const { return position(longitude_); }

std::int32_t MessageHeaderBlock::subCategory() const {
  return static_cast<std::int32_t>(kind_.rawValue());
}

void MessageHeaderBlock::setSubCategory(std::int32_t kind) { kind_.setSignedValue(kind); }

std::string textOrEmpty(const ElementDescriptor& descriptor) {
  const ElementDescriptor::ValueBytes value = descriptor.copyValue();
  if (value[0] == 0xFF) return {};
  return characterText(descriptor);
}

std::string characterText(const ElementDescriptor& descriptor) {
  const ElementDescriptor::ValueBytes value = descriptor.copyValue();
  const auto limit = static_cast<std::size_t>(
      std::clamp(descriptor.width() / 8, 0, ElementDescriptor::kValueSize));
  std::size_t length = 0;
  while (length < limit && value[length] != 0) ++length;
  return std::string(reinterpret_cast<const char*>(value.data()), length);
}

}  // namespace xbtconv
