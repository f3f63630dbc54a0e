#include "qc/land_mask.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace xbtconv {

// src/qc/land_mask.rle, built in (cmake/embed_bytes.cmake): for each row of
// cells from 90 S northwards, the lengths of its runs of cells from 180 W
// eastwards, water first, each an unsigned LEB128 number.
extern const unsigned char kLandMaskRuns[];
extern const std::size_t kLandMaskRunsSize;

namespace {

constexpr int kRows = 1800;
constexpr int kColumns = 3600;
constexpr double kCellsPerDegree = 10;

// One bit a cell, set for land, row after row.
class Mask {
 public:
  Mask() : bits_((std::size_t{kRows} * kColumns + 63) / 64) {
    std::size_t at = 0;
    int row = 0;
    int column = 0;
    bool land = false;
    while (at < kLandMaskRunsSize && row < kRows) {
      std::uint32_t length = 0;
      for (int shift = 0; at < kLandMaskRunsSize && shift < 32; shift += 7) {
        const unsigned char byte = kLandMaskRuns[at++];
        length |= std::uint32_t{byte & 0x7Fu} << shift;
        if ((byte & 0x80u) == 0) break;
      }
      // A run never passes its row's end: a damaged mask stays in bounds.
      const int end = column + static_cast<int>(std::min<std::uint32_t>(length, kColumns - column));
      if (land) set(static_cast<std::size_t>(row) * kColumns, column, end);
      column = end;
      land = !land;
      if (column == kColumns) {
        ++row;
        column = 0;
        land = false;
      }
    }
  }

  bool land(int row, int column) const {
    const std::size_t cell = static_cast<std::size_t>(row) * kColumns + column;
    return ((bits_[cell / 64] >> (cell % 64)) & 1u) != 0;
  }

 private:
  // Sets the cells from `first` to `end` (excluded) of the row starting at
  // cell `rowStart`, a word at a time where the run covers one whole.
  void set(std::size_t rowStart, int first, int end) {
    std::size_t cell = rowStart + first;
    const std::size_t stop = rowStart + end;
    for (; cell < stop && cell % 64 != 0; ++cell)
      bits_[cell / 64] |= std::uint64_t{1} << (cell % 64);
    for (; cell + 64 <= stop; cell += 64) bits_[cell / 64] = ~std::uint64_t{0};
    for (; cell < stop; ++cell) bits_[cell / 64] |= std::uint64_t{1} << (cell % 64);
  }

  std::vector<std::uint64_t> bits_;
};

const Mask& mask() {
  static const Mask unpacked;
  return unpacked;
}

}  // namespace

Ground groundAt(double latitude, double longitude) {
  const Mask& cells = mask();
  // 90 N lies in the northernmost row; 180 E is 180 W.
  int row = static_cast<int>((latitude + 90) * kCellsPerDegree);
  row = row < 0 ? 0 : (row >= kRows ? kRows - 1 : row);
  int column = static_cast<int>((longitude + 180) * kCellsPerDegree) % kColumns;
  column = column < 0 ? 0 : column;
  if (!cells.land(row, column)) return Ground::kSea;
  for (int r = row - 1; r <= row + 1; ++r) {
    if (r < 0 || r >= kRows) continue;  // beyond a pole: no cell
    for (int c = column - 1; c <= column + 1; ++c) {
      // Across the antimeridian the grid goes on.
      if (!cells.land(r, (c + kColumns) % kColumns)) return Ground::kCoast;
    }
  }
  return Ground::kInland;
}

}  // namespace xbtconv
