#include "descriptors/element_descriptor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "descriptors/descriptor_catalogue.h"
#include "descriptors/integer_power.h"

namespace xbtconv {
namespace {

std::string textOf(const ElementDescriptor::ValueBytes& bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.data()));
}

TEST(ElementDescriptor, DefaultConstructedHoldsNothing) {
  ElementDescriptor descriptor;
  EXPECT_FALSE(descriptor.hasValue());
  EXPECT_EQ(descriptor.rawValue(), 0xFFFFFFFFu);
  for (std::uint8_t byte : descriptor.copyValue()) EXPECT_EQ(byte, 0xFF);
  EXPECT_STREQ(descriptor.name(), "");
  EXPECT_EQ(descriptor.width(), 0);
}

TEST(ElementDescriptor, RangeTestStoresOutOfRangeValuesAsMissing) {
  ElementDescriptor month = buildDescriptor(catalogue::kMonth);
  month.setUnsignedValue(0);
  EXPECT_FALSE(month.hasValue());
  EXPECT_EQ(month.rawValue(), 0xFFFFFFFFu);
  month.setUnsignedValue(1);
  EXPECT_TRUE(month.hasValue());
  EXPECT_EQ(month.rawValue(), 1u);
  month.setUnsignedValue(12);
  EXPECT_EQ(month.rawValue(), 12u);
  month.setUnsignedValue(13);
  EXPECT_FALSE(month.hasValue());

  // The limit is 0xFFFFFFFD, one below the largest value a setter could
  // otherwise accept.
  ElementDescriptor tag = buildDescriptor(catalogue::kUniqueTag);
  tag.setUnsignedValue(4294967293u);
  EXPECT_TRUE(tag.hasValue());
  EXPECT_EQ(tag.rawValue(), 4294967293u);
  tag.setUnsignedValue(4294967294u);
  EXPECT_FALSE(tag.hasValue());

  // A rejected value replaces the one before it.
  ElementDescriptor hour = buildDescriptor(catalogue::kHour);
  hour.setUnsignedValue(5);
  hour.setUnsignedValue(99999);
  EXPECT_FALSE(hour.hasValue());
  EXPECT_EQ(hour.rawValue(), 0xFFFFFFFFu);

  ElementDescriptor serial20 = buildDescriptor(catalogue::kProbeSerial20);
  ElementDescriptor serial24 = buildDescriptor(catalogue::kProbeSerial24);
  serial20.setUnsignedValue(1000000);
  serial24.setUnsignedValue(1000000);
  EXPECT_FALSE(serial20.hasValue());
  EXPECT_EQ(serial24.rawValue(), 1000000u);
}

TEST(ElementDescriptor, SignedSetterComparesSigned) {
  ElementDescriptor kind = buildDescriptor(catalogue::kKind);
  kind.setSignedValue(2);
  EXPECT_EQ(kind.rawValue(), 2u);
  // -1 would pass an unsigned test against nothing, and must not pass a
  // signed one against 0..1022.
  kind.setSignedValue(-1);
  EXPECT_FALSE(kind.hasValue());
  kind.setSignedValue(1023);
  EXPECT_FALSE(kind.hasValue());
  kind.setSignedValue(1022);
  EXPECT_EQ(kind.rawValue(), 1022u);
}

TEST(ElementDescriptor, CharacterValues) {
  ElementDescriptor soop = buildDescriptor(catalogue::kSoopLine);
  const std::uint8_t input[60] = {'P', 'X', '3', '0', 0, 'Z', 'Z'};
  soop.setCharacterValue(input);
  EXPECT_TRUE(soop.hasValue());
  const ElementDescriptor::ValueBytes value = soop.copyValue();
  EXPECT_EQ(std::memcmp(value.data(), "PX30\0\0", 6), 0);
  for (int i = 6; i < 60; ++i) EXPECT_EQ(value[i], 0xFF) << i;
  EXPECT_EQ(textOf(soop.valueText()), "PX30");

  // All-ones bits arrive as 0xFF characters and are kept, marking a
  // missing text.
  std::uint8_t ones[60];
  std::memset(ones, 0xFF, sizeof ones);
  soop.setCharacterValue(ones);
  EXPECT_TRUE(soop.hasValue());
  EXPECT_EQ(soop.rawValue(), 0xFFFFFFFFu);

  // A numeric setter empties a character value and leaves hasValue alone.
  ElementDescriptor callSign = buildDescriptor(catalogue::kShipCallSign);
  const std::uint8_t abc[60] = {'A', 'B', 'C'};
  callSign.setCharacterValue(abc);
  callSign.setUnsignedValue(3);
  EXPECT_TRUE(callSign.hasValue());
  for (std::uint8_t byte : callSign.copyValue()) EXPECT_EQ(byte, 0xFF);

  // Nine characters fill the call sign; a tenth never gets in.
  const std::uint8_t ten[60] = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J'};
  callSign.setCharacterValue(ten);
  EXPECT_EQ(textOf(callSign.valueText()), "ABCDEFGHI");
}

TEST(ElementDescriptor, NumericValueTextIsTheLeftAlignedBitPattern) {
  ElementDescriptor year = buildDescriptor(catalogue::kYear);  // 12 bits
  year.setUnsignedValue(0xABC);
  const ElementDescriptor::ValueBytes text = year.valueText();
  EXPECT_EQ(text[0], 0xAB);
  EXPECT_EQ(text[1], 0xC0);
  for (int i = 2; i < 60; ++i) EXPECT_EQ(text[i], 0) << i;

  ElementDescriptor tag = buildDescriptor(catalogue::kUniqueTag);  // 32 bits, no shift
  tag.setUnsignedValue(0x12345678u);
  const ElementDescriptor::ValueBytes tagText = tag.valueText();
  EXPECT_EQ(tagText[0], 0x12);
  EXPECT_EQ(tagText[3], 0x78);
}

TEST(ElementDescriptor, ScaledValues) {
  ElementDescriptor temperature = buildDescriptor(catalogue::kSeaTemperature);
  temperature.setUnsignedValue(2400);
  EXPECT_DOUBLE_EQ(temperature.scaledValue(), 20.0);
  temperature.setUnsignedValue(4094);
  EXPECT_DOUBLE_EQ(temperature.scaledValue(), 36.94);
  temperature.setUnsignedValue(4095);  // all twelve bits: never stored
  EXPECT_FALSE(temperature.hasValue());
  EXPECT_DOUBLE_EQ(temperature.scaledValue(), -9999.0);

  ElementDescriptor latitude = buildDescriptor(catalogue::kLatitude);
  EXPECT_EQ(latitude.reference(), -9000000);
  EXPECT_EQ(latitude.width(), 25);
  EXPECT_EQ(latitude.maximum(), 18000000u);
  EXPECT_EQ(latitude.scale(), 5);
  EXPECT_FALSE(latitude.hasValue());
  latitude.setUnsignedValue(18000000);
  EXPECT_DOUBLE_EQ(latitude.scaledValue(), 90.0);

  ElementDescriptor longitude = buildDescriptor(catalogue::kLongitude);
  longitude.setUnsignedValue(0);
  EXPECT_DOUBLE_EQ(longitude.scaledValue(), -180.0);
  longitude.setUnsignedValue(36000000);
  EXPECT_DOUBLE_EQ(longitude.scaledValue(), 180.0);
  longitude.setUnsignedValue(36000001);
  EXPECT_FALSE(longitude.hasValue());
}

TEST(ElementDescriptor, LongNameAndUnitAreCutToTheirFields) {
  const std::string name(200, 'N');
  const std::string unit(40, 'U');
  ElementDescriptor descriptor;
  descriptor.setParameters(1, 1, 0, 0, 8, 254, 0, name.c_str(), unit.c_str());
  EXPECT_EQ(std::string(descriptor.name()), std::string(79, 'N'));
  EXPECT_EQ(std::string(descriptor.unit()), std::string(15, 'U'));
  // "CCITT IA5" followed by anything is not a character unit.
  descriptor.setParameters(1, 1, 0, 0, 8, 254, 0, "X", "CCITT IA5 ");
  EXPECT_FALSE(descriptor.isCharacter());
}

TEST(IntegerPower, PowersOfTen) {
  EXPECT_EQ(integerPower(10, 5), 100000.0);
  EXPECT_DOUBLE_EQ(integerPower(10, -2), 0.01);
  EXPECT_EQ(integerPower(10, 0), 1.0);
  EXPECT_EQ(integerPower(2, 31), 2147483648.0);
  EXPECT_EQ(integerPower(2, -2147483647 - 1), 0.0);
}

}  // namespace
}  // namespace xbtconv
