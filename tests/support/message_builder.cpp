#include "support/message_builder.h"

#include "descriptors/code_tables.h"

namespace xbtconv::testing {

MessageBuilder& MessageBuilder::bits(std::uint64_t value, int width) {
  for (int i = width - 1; i >= 0; --i) {
    const bool bit = i < 64 && ((value >> i) & 1u) != 0;
    if (bitCount_ % 8 == 0) bytes_.push_back(0);
    if (bit) bytes_.back() = static_cast<std::uint8_t>(bytes_.back() | (0x80u >> (bitCount_ % 8)));
    ++bitCount_;
  }
  return *this;
}

MessageBuilder& MessageBuilder::field(const CatalogueRow& row, std::uint64_t raw) {
  return bits(raw, row.width);
}

MessageBuilder& MessageBuilder::text(const CatalogueRow& row, std::string_view text) {
  for (int i = 0; i < row.width / 8; ++i) {
    bits(i < static_cast<int>(text.size()) ? static_cast<unsigned char>(text[i]) : 0u, 8);
  }
  return *this;
}

MessageBuilder& MessageBuilder::header(const HeaderFields& f) {
  text(catalogue::kShipCallSign, f.callSign);
  field(catalogue::kReportSubCategory, f.reportSubCategory);
  field(catalogue::kKind, f.kind);
  field(catalogue::kLatitude, f.latitude);
  field(catalogue::kLongitude, f.longitude);
  field(catalogue::kYear, f.year);
  field(catalogue::kMonth, f.month);
  field(catalogue::kDay, f.day);
  field(catalogue::kHour, f.hour);
  field(catalogue::kMinute, f.minute);
  return *this;
}

MessageBuilder& MessageBuilder::standard(const StandardFields& f) { return message(f, nullptr); }

MessageBuilder& MessageBuilder::extended(const ExtendedFields& f) { return message(f, &f); }

MessageBuilder& MessageBuilder::message(const StandardFields& f, const ExtendedFields* extended) {
  const HeaderFields& h = f.header;
  text(catalogue::kShipCallSign, h.callSign);
  field(catalogue::kReportSubCategory, h.reportSubCategory);
  field(catalogue::kKind, h.kind);
  field(catalogue::kLatitude, h.latitude);
  field(catalogue::kLongitude, h.longitude);
  if (extended != nullptr) {
    text(catalogue::kSoopLine, extended->soopLine);
    field(catalogue::kTransectNumber, extended->transectNumber);
    field(catalogue::kSequenceNumber, extended->sequenceNumber);
  }
  field(catalogue::kYear, h.year);
  field(catalogue::kMonth, h.month);
  field(catalogue::kDay, h.day);
  field(catalogue::kHour, h.hour);
  field(catalogue::kMinute, h.minute);
  text(catalogue::kShipName, f.shipName);
  field(catalogue::kImoNumber, f.imoNumber);
  field(catalogue::kUniqueTag, f.uniqueTag);
  field(catalogue::kSoftwareVersion, f.softwareVersion);
  field(extended != nullptr ? catalogue::kProbeSerial24 : catalogue::kProbeSerial20, f.probeSerial);
  field(codetables::kTypeOfDataRow, f.typeOfData);
  field(codetables::kDataQualityRow, f.dataQuality);
  if (extended != nullptr) {
    field(catalogue::kLaunchHeight, extended->launchHeight);
    field(catalogue::kShipHeading, extended->shipHeading);
    field(catalogue::kShipSpeed, extended->shipSpeed);
  }
  field(codetables::kProbeTypeRow, f.probeType);
  field(codetables::kRecorderTypeRow, f.recorderType);
  field(codetables::kWindInstrumentRow, f.windInstrument);
  field(catalogue::kWindDirection, f.windDirection);
  field(catalogue::kWindSpeed, f.windSpeed);
  field(catalogue::kDryBulb, f.dryBulb);
  field(codetables::kCurrentMethodRow, f.currentMethod);
  field(catalogue::kCurrentDirection, f.currentDirection);
  field(catalogue::kCurrentSpeed, f.currentSpeed);
  field(catalogue::kTotalWaterDepth, f.totalWaterDepth);
  field(catalogue::kReplication, f.replication);
  field(catalogue::kGroupCount, f.groupCount.value_or(f.temperatures.size() + f.points.size()));
  return profile(f);
}

MessageBuilder& MessageBuilder::profile(const StandardFields& f) {
  for (std::uint64_t temperature : f.temperatures) field(catalogue::kSeaTemperature, temperature);
  for (const auto& [depth, temperature] : f.points) {
    field(catalogue::kDepth, depth);
    field(catalogue::kSeaTemperature, temperature);
  }
  return *this;
}

std::vector<std::uint8_t> standardMessage(const StandardFields& fields) {
  return MessageBuilder().standard(fields).bytes();
}

std::vector<std::uint8_t> extendedMessage(const ExtendedFields& fields) {
  return MessageBuilder().extended(fields).bytes();
}

std::vector<std::uint8_t> MessageBuilder::bytes(int padding) const {
  std::vector<std::uint8_t> result = bytes_;
  const int used = static_cast<int>(bitCount_ % 8);
  if (padding != 0 && used != 0) {
    result.back() = static_cast<std::uint8_t>(result.back() | (0xFFu >> used));
  }
  return result;
}

MessageBuffer bufferOf(const std::vector<std::uint8_t>& bytes) {
  return MessageBuffer{static_cast<std::int32_t>(bytes.size()), bytes.data()};
}

std::vector<std::uint8_t> cutAt(const std::vector<std::uint8_t>& bytes, std::size_t length) {
  return std::vector<std::uint8_t>(bytes.begin(),
                                   bytes.begin() + static_cast<std::ptrdiff_t>(length));
}

void setField(std::vector<std::uint8_t>& bytes, std::int64_t position, std::uint64_t value,
              int width) {
  for (int i = 0; i < width; ++i) {
    const std::int64_t bit = position + i;
    const auto mask = static_cast<std::uint8_t>(0x80u >> (bit % 8));
    std::uint8_t& byte = bytes[static_cast<std::size_t>(bit / 8)];
    byte = ((value >> (width - 1 - i)) & 1u) != 0 ? byte | mask : byte & ~mask;
  }
}

}  // namespace xbtconv::testing
