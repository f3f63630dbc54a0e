// Observations as CF-netCDF (the layout of formats/netcdf_layout.h): one
// file holds one profile or any number of them, as a contiguous ragged or
// an incomplete multidimensional array, in netCDF classic (64-bit offset)
// format, which every netCDF reader opens.
//
// A collection keeps no observation: each profile added becomes the values
// the file will hold, spooled in memory up to a bound and beyond it in a
// scratch file beside the output, which no one else sees (it has no name
// once open) and which goes when the collection does. So a collection of
// millions of profiles takes the memory of a few thousand. Writing sizes
// the file from what was spooled, then streams the spool into it.
//
// Builds without the netCDF library (the Windows cross build) have no
// writer: write() says so.
#ifndef XBTCONV_FORMATS_NETCDF_EXPORT_H_
#define XBTCONV_FORMATS_NETCDF_EXPORT_H_

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "xbtconv/formats.h"
#include "xbtconv/observation.h"

namespace xbtconv {

class NetcdfCollection {
 public:
  /// Scratch files, where they are needed, are made beside `beside` (the
  /// output's path), nameless and private to the run (formats/private_file.h).
  /// Profile ids are paths below `idRoot` (formats/profile_id.h); "" names
  /// each profile by its file name. Each of the two spools (profiles,
  /// samples) holds up to `memoryBound` bytes in memory, the rest in its
  /// scratch file.
  static constexpr std::size_t kMemoryBound = std::size_t{16} << 20;
  explicit NetcdfCollection(const std::string& beside, const std::string& idRoot = "",
                            std::size_t memoryBound = kMemoryBound);
  ~NetcdfCollection();
  NetcdfCollection(const NetcdfCollection&) = delete;
  NetcdfCollection& operator=(const NetcdfCollection&) = delete;

  /// Adds a profile. Its identity in the file is its path below the id
  /// root, made unique by "#2", "#3" ... where the caller gave one twice.
  void add(const Observation& observation);
  std::size_t size() const;

  /// Writes the file `path` with every profile added, in order; false with
  /// the reason in `error` when the library fails or this build has none.
  /// A collection is written once.
  bool write(const std::string& path, const NetcdfOptions& options, std::string& error);

 private:
  struct Spooled;
  std::unique_ptr<Spooled> spooled_;
};

}  // namespace xbtconv

#endif  // XBTCONV_FORMATS_NETCDF_EXPORT_H_
