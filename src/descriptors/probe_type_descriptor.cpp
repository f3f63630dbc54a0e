#include "descriptors/probe_type_descriptor.h"

#include <array>

#include "descriptors/code_tables.h"

namespace xbtconv {
namespace {

// Several probes stand under two codes with different coefficients; the
// rows are as the probe makers publish them, in table order.
// clang-format off
constexpr std::array<ProbeTypeEntry, ProbeTypeDescriptor::kRowCount> kProbeRows{{
    {  1, 6.472, -2.16,      460, "Sippican T-4"},
    {  2, 6.691, -2.25,      460, "Sippican T-4"},
    { 11, 6.828, -1.82,     1830, "Sippican T-5"},
    { 21, 6.346, -1.82,     1000, "Sippican Fast Deep"},
    { 31, 6.472, -2.16,      460, "Sippican T-6"},
    { 32, 6.691, -2.25,      460, "Sippican T-6"},
    { 41, 6.472, -2.16,      760, "Sippican T-7"},
    { 42, 6.691, -2.25,      760, "Sippican T-7"},
    { 51, 6.472, -2.16,      760, "Sippican Deep Blue"},
    { 52, 6.691, -2.25,      760, "Sippican Deep Blue"},
    { 61, 6.301, -2.16,      200, "Sippican T-10"},
    { 71, 1.779, -0.255,     460, "Sippican T-11"},
    {201, 6.472, -2.16,      460, "TSK T-4"},
    {202, 6.691, -2.25,      460, "TSK T-4"},
    {211, 6.472, -2.16,      460, "TSK T-6"},
    {212, 6.691, -2.25,      460, "TSK T-6"},
    {221, 6.472, -2.16,      760, "TSK T-7"},
    {222, 6.691, -2.25,      760, "TSK T-7"},
    {231, 6.828, -1.82,     1830, "TSK T-5"},
    {241, 6.301, -2.16,      200, "TSK T-10"},
    {251, 6.472, -2.16,      760, "TSK Deep Blue"},
    {252, 6.691, -2.25,      760, "TSK Deep Blue"},
    {261, -1.0,  -1.0,        -1, "TSK AXBT"},
    {401, 6.301, -2.16,       -1, "Sparton XBT-1"},
    {411, 5.861, -0.0904,     -1, "Sparton XBT-3"},
    {421, 6.472, -2.16,       -1, "Sparton XBT-4"},
    {431, 6.828, -1.82,       -1, "Sparton XBT-5"},
    {441, 6.828, -1.82,       -1, "Sparton XBT-5DB"},
    {451, 6.472, -2.16,       -1, "Sparton XBT-6"},
    {461, 6.472, -2.16,       -1, "Sparton XBT-7"},
    {462, 6.705, -2.28,       -1, "Sparton XBT-7"},
    {471, 6.472, -2.16,       -1, "Sparton XBT-7DB"},
    {481, 6.301, -2.16,       -1, "Sparton XBT-10"},
    {491, 6.472, -2.16,       -1, "Sparton XBT-20"},
    {501, 6.472, -2.16,       -1, "Sparton XBT-20DB"},
    {510, 1.524,  0.0,        -1, "Sparton 536 AXBT-7"},
    {700, -1.0,  -1.0,        -1, "Sippican XCTD Standard"},
    {730, -1.0,  -1.0,        -1, "Sippican SXCTD"},
    {741, -1.0,  -1.0,        -1, "TSK XCTD"},
    {751, -1.0,  -1.0,        -1, "TSK AXCTD"},
    {800, -1.0,  -1.0,        -1, "Mechanical BT"},
    {810, -1.0,  -1.0,        -1, "Hydrocast"},
    {820, -1.0,  -1.0,        -1, "Thermistor Chain"},
    {830, -1.0,  -1.0,        -1, "CTD"},
    {831, -1.0,  -1.0,        -1, "CTD-P-ALACE Float"},
    {840, -1.0,  -1.0,        -1, "PROVOR No Conductivity"},
    {841, -1.0,  -1.0,        -1, "PROVOR Seabird Conductivity"},
    {842, -1.0,  -1.0,        -1, "PROVOR FSI Conductivity"},
    {845, -1.0,  -1.0,        -1, "Web Research No Conductivity"},
    {846, -1.0,  -1.0,        -1, "Web Research Seabird Conductivity"},
    {847, -1.0,  -1.0,        -1, "Web Research FSI Conductivity"},
    {850, -1.0,  -1.0,        -1, "SOLO No Conductivity"},
    {851, -1.0,  -1.0,        -1, "SOLO Seabird Conductivity"},
    {852, -1.0,  -1.0,        -1, "SOLO FSI Conductivity"},
    {900, 9.727, -0.0000473, 2000, "Sippican T-12 (LMP5-T1)"},
}};
// clang-format on

}  // namespace

ProbeTypeDescriptor::ProbeTypeDescriptor() { applyRow(*this, codetables::kProbeTypeRow); }

ProbeTypeEntry ProbeTypeDescriptor::lookup(std::int32_t code) const {
  return firstMatch<ProbeTypeEntry>(kProbeRows, code, ProbeTypeEntry{-1, -1.0, -1.0, -1, ""});
}

std::span<const ProbeTypeEntry, ProbeTypeDescriptor::kRowCount> ProbeTypeDescriptor::rows() {
  return kProbeRows;
}

}  // namespace xbtconv
