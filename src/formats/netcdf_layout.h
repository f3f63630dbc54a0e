// The CF layout of xbt's netCDF files: which variables a file holds, with
// which attributes, and where each value comes from in an observation.
//
// A file is a CF-1.8 discrete sampling geometry of `featureType` profile,
// stored as a contiguous ragged array: a `profile` dimension with each
// profile's time, position, identity, ship, probe, surface values and
// quality flags, an `obs` dimension with the samples of all profiles one
// after another, and `row_size` saying how many belong to each. Values a
// profile lacks are fill values; flags and codes that are never absent have
// none, so that readers keep them integers.
#ifndef XBTCONV_FORMATS_NETCDF_LAYOUT_H_
#define XBTCONV_FORMATS_NETCDF_LAYOUT_H_

#ifdef XBTCONV_HAVE_NETCDF

#include <netcdf.h>

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "xbtconv/formats.h"
#include "xbtconv/observation.h"

namespace xbtconv {

/// The fill value of float variables (NC_FILL_FLOAT).
inline constexpr float kNetcdfFillFloat = 9.9692099683868690e+36F;

/// Coded values and what each means: flag_values, or flag_masks for bits.
struct NetcdfFlags {
  std::vector<int> values;
  const char* meanings;
  bool masks = false;
};

/// A per-profile number, code or flag.
struct ProfileVariable {
  const char* name;
  nc_type type;
  const char* standardName;  // "" for none
  const char* longName;
  const char* units;    // "" for none
  const char* content;  // ACDD coverage_content_type
  bool fillable;        // may be absent: has a _FillValue
  std::optional<std::pair<double, double>> validRange;
  const NetcdfFlags* flags;  // nullptr for a plain number
  std::optional<double> (*value)(const Observation&);
};

/// A per-profile text; `id` is the profile's identity in its file.
struct TextVariable {
  const char* name;
  const char* longName;
  const char* content;
  std::optional<std::string> (*value)(const Observation&, const std::string& id);
};

/// The per-profile variables, in the order a file defines them.
const std::vector<ProfileVariable>& profileVariables();
const std::vector<TextVariable>& textVariables();

/// The value of `variable` for `observation`, or its fill value.
double valueOrFill(const ProfileVariable& variable, const Observation& observation);
/// The fill value of a variable of `type`.
double fillValueOf(nc_type type);

/// What the global attributes say of all profiles of a file, gathered one
/// profile at a time in constant time each: the extents, and the distinct
/// ship and probe names up to a handful.
class CollectionSummary {
 public:
  void add(const Observation& observation);

  std::size_t profiles() const { return profiles_; }
  std::size_t samples() const { return samples_; }

  /// The global attributes of a file of these profiles, as name and text
  /// or number; `options` adds the file's identity, the writer's own
  /// attributes and the creation date.
  struct Attribute {
    std::string name;
    std::string text;
    std::optional<double> number;  // a number rather than a text
  };
  std::vector<Attribute> globalAttributes(const NetcdfOptions& options) const;

 private:
  // The distinct names seen, the first few kept in order; the rest only
  // counted, as hashes, so that a long run keeps no list of names.
  struct Names {
    std::vector<std::string> first;
    std::unordered_set<std::uint64_t> seen;
    void add(const std::optional<std::string>& name);
    std::string text(const char* many, const char* none) const;
  };

  std::size_t profiles_ = 0;
  std::size_t samples_ = 0;
  std::string firstSource_;
  std::optional<std::string> firstTag_;
  std::optional<double> latitudeMin_, latitudeMax_, longitudeMin_, longitudeMax_;
  std::optional<std::int32_t> depthMin_, depthMax_;
  std::optional<std::int64_t> timeMin_, timeMax_;
  bool qualityControlled_ = false;
  Names ships_;
  Names probes_;
};

}  // namespace xbtconv

#endif  // XBTCONV_HAVE_NETCDF

#endif  // XBTCONV_FORMATS_NETCDF_LAYOUT_H_
