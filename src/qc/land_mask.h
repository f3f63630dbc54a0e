// The land mask quality control judges a drop's position by: cells of 0.1
// degree (about 11 km) that are land through and through by the GSHHG
// shorelines (src/qc/land_mask.txt says how the mask was made and under
// which licence). A cell any water reaches counts as sea, so a drop on the
// shelf, in a harbour or in a strait is at sea; a land cell beside one that
// holds water is the coast, where a shoreline's simplification or a small
// error of position may put a drop; beyond it lies land no ship reaches.
// The mask is built into the library and unpacked on first use (810 KiB).
#ifndef XBTCONV_QC_LAND_MASK_H_
#define XBTCONV_QC_LAND_MASK_H_

namespace xbtconv {

enum class Ground {
  kSea,     // the cell holds water
  kCoast,   // a land cell beside one that holds water
  kInland,  // a land cell with land cells all round it
};

/// The ground at a position, the cells west of 180 W those east of it.
/// REQUIRES: latitude in -90..90, longitude in -180..180.
Ground groundAt(double latitude, double longitude);

}  // namespace xbtconv

#endif  // XBTCONV_QC_LAND_MASK_H_
