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

TEST(ElementDescriptor, RangeTestStoresOutOfRangeValuesAsMissing) {
  const ElementDescriptor fresh;
  EXPECT_FALSE(fresh.hasValue());
  for (std::uint8_t byte : fresh.copyValue()) EXPECT_EQ(byte, 0xFF);

  ElementDescriptor month = buildDescriptor(catalogue::kMonth);
  for (std::uint32_t raw : {0u, 1u, 12u, 13u}) {
    month.setUnsignedValue(raw);
    const bool accepted = raw == 1 || raw == 12;
    EXPECT_EQ(month.hasValue(), accepted) << raw;
    EXPECT_EQ(month.rawValue(), accepted ? raw : 0xFFFFFFFFu) << raw;
  }
  // The tag's limit is 0xFFFFFFFD, one below what a setter could store.
  ElementDescriptor tag = buildDescriptor(catalogue::kUniqueTag);
  tag.setUnsignedValue(4294967293u);
  EXPECT_EQ(tag.rawValue(), 4294967293u);
  tag.setUnsignedValue(4294967294u);
  EXPECT_FALSE(tag.hasValue()) << "a rejected value replaces the one before";

  ElementDescriptor serial20 = buildDescriptor(catalogue::kProbeSerial20);
  ElementDescriptor serial24 = buildDescriptor(catalogue::kProbeSerial24);
  serial20.setUnsignedValue(1000000);
  serial24.setUnsignedValue(1000000);
  EXPECT_FALSE(serial20.hasValue());
  EXPECT_EQ(serial24.rawValue(), 1000000u);

  // The signed setter compares signed: -1 must not pass as 0xFFFFFFFF.
  ElementDescriptor kind = buildDescriptor(catalogue::kKind);
  kind.setSignedValue(1022);
  EXPECT_EQ(kind.rawValue(), 1022u);
  kind.setSignedValue(-1);
  EXPECT_FALSE(kind.hasValue());
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

  // All-ones bits arrive as 0xFF characters and are kept: a missing text.
  std::uint8_t ones[60];
  std::memset(ones, 0xFF, sizeof ones);
  soop.setCharacterValue(ones);
  EXPECT_TRUE(soop.hasValue());
  EXPECT_EQ(soop.rawValue(), 0xFFFFFFFFu);

  // Nine characters fill the call sign; a numeric setter empties it and
  // leaves hasValue alone.
  ElementDescriptor callSign = buildDescriptor(catalogue::kShipCallSign);
  const std::uint8_t ten[60] = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J'};
  callSign.setCharacterValue(ten);
  EXPECT_EQ(textOf(callSign.valueText()), "ABCDEFGHI");
  callSign.setUnsignedValue(3);
  EXPECT_TRUE(callSign.hasValue());
  for (std::uint8_t byte : callSign.copyValue()) EXPECT_EQ(byte, 0xFF);
}

TEST(ElementDescriptor, NumericValueTextIsTheLeftAlignedBitPattern) {
  ElementDescriptor year = buildDescriptor(catalogue::kYear);  // 12 bits
  year.setUnsignedValue(0xABC);
  const ElementDescriptor::ValueBytes text = year.valueText();
  EXPECT_EQ(text[0], 0xAB);
  EXPECT_EQ(text[1], 0xC0);
  for (int i = 2; i < 60; ++i) EXPECT_EQ(text[i], 0) << i;
  ElementDescriptor tag = buildDescriptor(catalogue::kUniqueTag);  // 32 bits: no shift
  tag.setUnsignedValue(0x12345678u);
  EXPECT_EQ(tag.valueText()[0], 0x12);
  EXPECT_EQ(tag.valueText()[3], 0x78);
}

TEST(ElementDescriptor, ScaledValuesAndPowersOfTen) {
  ElementDescriptor temperature = buildDescriptor(catalogue::kSeaTemperature);
  temperature.setUnsignedValue(4094);
  EXPECT_DOUBLE_EQ(temperature.scaledValue(), 36.94);
  temperature.setUnsignedValue(4095);  // all twelve bits: never stored
  EXPECT_DOUBLE_EQ(temperature.scaledValue(), -9999.0);
  EXPECT_EQ(integerPower(2, -2147483647 - 1), 0.0);
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

}  // namespace
}  // namespace xbtconv
