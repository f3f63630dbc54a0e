// Observations as CF-netCDF (CF-1.8 discrete sampling geometry
// `featureType = "profile"`, ACDD-1.3 discovery attributes): one file holds
// one profile or a whole run, as a contiguous ragged array. A `profile`
// dimension carries each profile's time, position, ship, probe, surface
// values and the rest of the observation; an `obs` dimension carries the
// samples (depth and temperature) of all profiles one after another, and
// `row_size` says how many belong to each. Absent values are fill values.
//
// The files are netCDF classic (64-bit offset) format, which every netCDF
// reader opens. Builds without the netCDF library (the Windows cross
// build) have no writer.
#ifndef XBTCONV_EXPORT_NETCDF_EXPORT_H_
#define XBTCONV_EXPORT_NETCDF_EXPORT_H_

#include <string>
#include <vector>

#include "profile/observation.h"

namespace xbtconv {

/// Whether this build can write netCDF.
bool netcdfAvailable();

/// Observations gathered for one netCDF file.
class NetcdfCollection {
 public:
  /// Adds a profile to the file.
  void add(Observation observation);
  std::size_t size() const { return profiles_.size(); }
  void clear();

  /// Writes the file `path` with every profile added, in order; false with
  /// the reason in `error` when the library fails or this build has none.
  /// `history` names the program that made the file.
  bool write(const std::string& path, const std::string& history, std::string& error) const;

 private:
  // The profiles without their samples, which are kept as the columns the
  // file holds: a run of many messages takes a third of the memory.
  std::vector<Observation> profiles_;
  std::vector<int> rowSizes_;
  std::vector<float> depths_;
  std::vector<float> temperatures_;
};

}  // namespace xbtconv

#endif  // XBTCONV_EXPORT_NETCDF_EXPORT_H_
