// The descriptor catalogue: one parameter row for every plain field that the
// two message kinds carry. A message object builds each member descriptor
// from its row; the profile decoding builds its working depth and
// temperature descriptors from the two profile rows. The coded fields, with
// their tables, are in code_tables.h.
#ifndef XBTCONV_DESCRIPTORS_DESCRIPTOR_CATALOGUE_H_
#define XBTCONV_DESCRIPTORS_DESCRIPTOR_CATALOGUE_H_

#include <cstdint>

#include "descriptors/element_descriptor.h"

namespace xbtconv {

struct CatalogueRow {
  std::int32_t number;  // F * 100000 + XX * 1000 + YYY
  const char* name;
  const char* unit;
  std::int32_t reference;
  std::uint32_t minimum;
  std::int32_t width;
  std::uint32_t maximum;
  std::int32_t scale;
};

/// Gives `descriptor` the row's parameters, spare 1 and no value.
void applyRow(ElementDescriptor& descriptor, const CatalogueRow& row);

/// A descriptor with the row's parameters, spare 1 and no value.
ElementDescriptor buildDescriptor(const CatalogueRow& row);

/// buildDescriptor(Row), made once: a message object copies it into its
/// member, which costs less than building the descriptor anew for every
/// file.
template <const CatalogueRow& Row>
const ElementDescriptor& prototype() {
  static const ElementDescriptor descriptor = buildDescriptor(Row);
  return descriptor;
}

namespace catalogue {

// clang-format off
//                                     number  name                                   unit               reference  min width  maximum      scale
inline constexpr CatalogueRow kShipCallSign{      1011, "SHIP CALL SIGN",                      "CCITT IA5",       0,         0,  72, 9,           1};
inline constexpr CatalogueRow kShipHeading{       1012, "DIRECTION SHIP IS HEADING",           "DEGREES TRUE",    0,         0,   9, 510,         0};
inline constexpr CatalogueRow kShipSpeed{         1013, "SHIP'S SPEED",                        "METERS/SEC",      0,         0,  13, 8190,        2};
inline constexpr CatalogueRow kSoopLine{          1080, "SOOP LINE NUMBER",                    "CCITT IA5",       0,         0,  48, 6,           1};
inline constexpr CatalogueRow kShipName{          1200, "SHIP NAME",                           "CCITT IA5",       0,         0, 240, 30,          1};
inline constexpr CatalogueRow kImoNumber{         1201, "IMO NUMBER",                          "NUMERIC",         0,         0,  24, 9999999,     1};
inline constexpr CatalogueRow kYear{              4001, "YEAR",                                "NUMERIC",         0,         0,  12, 4094,        0};
inline constexpr CatalogueRow kMonth{             4002, "MONTH OF YEAR",                       "NUMERIC",         0,         1,   4, 12,          0};
inline constexpr CatalogueRow kDay{               4003, "DAY OF MONTH",                        "NUMERIC",         0,         1,   6, 31,          0};
inline constexpr CatalogueRow kHour{              4004, "HOUR OF DAY",                         "NUMERIC",         0,         0,   5, 23,          0};
inline constexpr CatalogueRow kMinute{            4005, "MINUTE OF HOUR",                      "NUMERIC",         0,         0,   6, 59,          0};
inline constexpr CatalogueRow kLatitude{          5001, "LATITUDE(HIGH ACCURACY)",             "DEGREES",  -9000000,         0,  25, 18000000,    5};
inline constexpr CatalogueRow kTransectNumber{    5036, "SHIP TRANSECT NUMBER",                "NUMERIC",         0,         0,   7, 126,         0};
inline constexpr CatalogueRow kLongitude{         6001, "LONGITUDE(HIGH ACCURACY)",            "DEGREES", -18000000,         0,  26, 36000000,    5};
inline constexpr CatalogueRow kDepth{             7062, "DEPTH BELOW SEA SURFACE",             "METERS",          0,         0,  14, 16382,       2};
inline constexpr CatalogueRow kWindDirection{    11001, "WIND DIRECTION",                      "DEGREES TRUE",    0,         0,   9, 510,         0};
inline constexpr CatalogueRow kWindSpeed{        11002, "WIND SPEED",                          "METERS/SEC",      0,         0,  12, 4094,        1};
inline constexpr CatalogueRow kDryBulb{          12004, "DRY BULB TEMPERATURE",                "DEGREES KELVIN",  0,         0,  12, 4094,        1};
inline constexpr CatalogueRow kCurrentDirection{ 22004, "DIRECTION OF CURRENT",                "DEGREES TRUE",    0,         0,   9, 510,         0};
inline constexpr CatalogueRow kCurrentSpeed{     22031, "SPEED OF CURRENT",                    "METERS/SEC",      0,         0,  13, 8190,        2};
inline constexpr CatalogueRow kSeaTemperature{   22042, "SEA TEMPERATURE",                     "DEGREES CELSIUS", -400,      0,  12, 4094,        2};
inline constexpr CatalogueRow kTotalWaterDepth{  22063, "TOTAL WATER DEPTH",                   "METERS",          0,         0,  14, 16382,       0};
inline constexpr CatalogueRow kGroupCount{       31200, "NUMBER OF GROUPS REPLICATED",         "NUMERIC",         0,         0,  16, 65534,       0};
inline constexpr CatalogueRow kSoftwareVersion{  48201, "TALU SOFTWARE VERSION NUMBER",        "NUMERIC",         0,         0,  10, 999,         0};
inline constexpr CatalogueRow kReportSubCategory{48211, "INMARSAT REPORT SUB-CATEGORY",        "CODE TABLE",      0,         0,   6, 62,          0};
inline constexpr CatalogueRow kKind{             48216, "KAVRIN INMARSAT REPORT SUB-CATEGORY", "CODE TABLE",      0,         0,  10, 1022,        0};
inline constexpr CatalogueRow kProbeSerial20{    48300, "KAVRIN PROBE SERIAL NUMBER",          "NUMERIC",         0,         0,  20, 999999,      0};
inline constexpr CatalogueRow kProbeSerial24{    48300, "KAVRIN PROBE SERIAL NUMBER",          "NUMERIC",         0,         0,  24, 16777214,    0};
inline constexpr CatalogueRow kUniqueTag{        48302, "UNIQUE TAG",                          "NUMERIC",         0,         0,  32, 4294967293u, 0};
inline constexpr CatalogueRow kSequenceNumber{   48304, "Message Sequence Number",             "NUMERIC",         0,         0,  16, 65534,       1};
inline constexpr CatalogueRow kLaunchHeight{     48305, "Launch Height",                       "METERS",          0,         0,  13, 8190,        2};
inline constexpr CatalogueRow kReplication{     100000, "KAVRIN Replication factor",           "NUMERIC",         0,         0,   8, 254,         0};
// clang-format on

}  // namespace catalogue
}  // namespace xbtconv

#endif  // XBTCONV_DESCRIPTORS_DESCRIPTOR_CATALOGUE_H_
