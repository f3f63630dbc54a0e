// The six coded fields of the standard message: their parameter rows and
// the tables of codes and meanings. Together with descriptor_catalogue.h
// they make up every descriptor that the messages use.
#ifndef XBTCONV_DESCRIPTORS_CODE_TABLES_H_
#define XBTCONV_DESCRIPTORS_CODE_TABLES_H_

#include "descriptors/code_table_descriptor.h"
#include "descriptors/descriptor_catalogue.h"

namespace xbtconv::codetables {

// clang-format off
//                                          number  name                                              unit          ref min width max   scale
inline constexpr CatalogueRow kWindInstrumentRow{ 2002, "TYPE OF INSTR. FOR WIND MEASUREMENT",           "FLAG TABLE", 0, 0,  4, 14,   0};
inline constexpr CatalogueRow kCurrentMethodRow{  2030, "METHOD OF CURRENT MEASUREMENT",                 "CODE TABLE", 0, 0,  3, 6,    0};
inline constexpr CatalogueRow kProbeTypeRow{     22067, "INSTRUMENT TYPE FOR WATER PROFILE MEASUREMENT", "CODE TABLE", 0, 0, 10, 1022, 0};
inline constexpr CatalogueRow kRecorderTypeRow{  22068, "PROFILE MEASUREMENT RECORDER TYPE",             "CODE TABLE", 0, 0,  7, 126,  0};
inline constexpr CatalogueRow kDataQualityRow{   33003, "DATA QUALITY INFORMATION",                      "CODE TABLE", 0, 0,  3, 6,    0};
inline constexpr CatalogueRow kTypeOfDataRow{    48303, "TYPE OF DATA",                                  "CODE TABLE", 0, 0,  3, 6,    0};
// clang-format on

/// Each a descriptor with its table and parameters, and no value: a copy
/// of one made once, which costs a message less than building it anew.
CodeTableDescriptor buildWindInstrumentDescriptor();
CodeTableDescriptor buildCurrentMethodDescriptor();
CodeTableDescriptor buildRecorderTypeDescriptor();
CodeTableDescriptor buildDataQualityDescriptor();
CodeTableDescriptor buildTypeOfDataDescriptor();

}  // namespace xbtconv::codetables

#endif  // XBTCONV_DESCRIPTORS_CODE_TABLES_H_
