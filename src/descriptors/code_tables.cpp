#include "descriptors/code_tables.h"

#include <array>

namespace xbtconv::codetables {
namespace {

// clang-format off
constexpr std::array<CodeEntry, 6> kWindInstrument{{
    {0, "Uncertified Instruments meters/sec"},
    {1, "Certified Instruments meters/sec"},
    {2, "Uncertified Instruments knots"},
    {3, "Certified Instruments knots"},
    {4, "Uncertified Instruments kilometers/hour"},
    {5, "Certified Instruments kilometers/hour"},
}};

constexpr std::array<CodeEntry, 7> kCurrentMethod{{
    {0, "Reserved"},
    {1, "ADCP Acoustic Doppler Current Profiler"},
    {2, "GEK Geomagnetic ElectroKinetograph"},
    {3, "Ship's set and drift determined by fixes 3-6 hours apart"},
    {4, "Ship's set and drift determined by fixes > 6 hours but < 12 hours apart"},
    {5, "Drift of buoy"},
    {6, "Reserved"},
}};

constexpr std::array<CodeEntry, 31> kRecorderType{{
    { 1, "Sippican Strip Chart Recorder"},
    { 2, "Sippican MK2A/SSQ-61"},
    { 3, "Sippican MK-9"},
    { 4, "Sippican AN/BHQ-7/MK8"},
    { 5, "Sippican MK-12"},
    { 6, "Sippican MK-21"},
    {10, "Sparton SOC BT/SV Processor Model 10"},
    {11, "Lockheed-Sanders Model QL5005"},
    {20, "ARGOS XBT-ST"},
    {21, "CLS-ARGOS/Protecno XBT-ST Model-1"},
    {22, "CLS-ARGOS/Protecno XBT-ST Model-2"},
    {30, "Bathy Systems SA-810"},
    {31, "Scripps Metrobyte Controller"},
    {32, "Murayama Denki Z-60-16 III"},
    {33, "Murayama Denki Z-60-16 II"},
    {34, "Protecno ETSM2"},
    {35, "Nautilus Marine Service NMS-XBT"},
    {40, "TSK MK-2A"},
    {41, "TSK MK-2S"},
    {42, "TSK MK-30"},
    {43, "TSK MK-30N"},
    {45, "TSK MK-100"},
    {46, "TSK MK-130"},
    {48, "TSK AXBT Receiver MK-300"},
    {50, "JMA ASTOS"},
    {60, "ARGOS Communications, Sampling on up transit"},
    {61, "ARGOS Communications, Sampling on down transit"},
    {62, "Orbcomm Communications, Sampling on up transit"},
    {63, "Orbcomm Communications, Sampling on down transit"},
    {71, "CSIRO Devil"},
    {99, "Unknown"},
}};

constexpr std::array<CodeEntry, 4> kDataQuality{{
    {0, "Data Not Suspect"},
    {1, "Data Slightly Suspect"},
    {2, "Data Highly Suspect"},
    {3, "Data Unfit For Use"},
}};

constexpr std::array<CodeEntry, 3> kTypeOfData{{
    {1, "Full Resolution"},
    {2, "2 Meter Resolution"},
    {3, "Inflection Points"},
}};
// clang-format on

}  // namespace

CodeTableDescriptor buildWindInstrumentDescriptor() {
  static const CodeTableDescriptor descriptor =
      buildCodeTableDescriptor(kWindInstrumentRow, kWindInstrument);
  return descriptor;
}
CodeTableDescriptor buildCurrentMethodDescriptor() {
  static const CodeTableDescriptor descriptor =
      buildCodeTableDescriptor(kCurrentMethodRow, kCurrentMethod);
  return descriptor;
}
CodeTableDescriptor buildRecorderTypeDescriptor() {
  static const CodeTableDescriptor descriptor =
      buildCodeTableDescriptor(kRecorderTypeRow, kRecorderType);
  return descriptor;
}
CodeTableDescriptor buildDataQualityDescriptor() {
  static const CodeTableDescriptor descriptor =
      buildCodeTableDescriptor(kDataQualityRow, kDataQuality);
  return descriptor;
}
CodeTableDescriptor buildTypeOfDataDescriptor() {
  static const CodeTableDescriptor descriptor =
      buildCodeTableDescriptor(kTypeOfDataRow, kTypeOfData);
  return descriptor;
}

}  // namespace xbtconv::codetables
