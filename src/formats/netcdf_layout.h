// The CF layout of xbt's netCDF files: which variables a file holds, with
// which attributes, and where each value comes from in an observation.
//
// A file is a CF-1.8 discrete sampling geometry of `featureType` profile
// with ACDD-1.3 discovery attributes, laid out as NCEI's profile template
// (version 2.0) asks: a `profile` dimension with each profile's time,
// position, identity, ship, probe, surface values and quality flags, and
// the samples either as a contiguous ragged array (`obs`, with `row_size`)
// or as an incomplete multidimensional array (`profile` by `z`). Scalar
// container variables describe the coordinate reference system (`crs`),
// the ships (`platform`) and the probes (`instrument`).
//
// Each variable is of one kind. Coordinates and measurements are numbers
// with units and CF standard names; codes and quality flags are numbers
// whose meanings their flag attributes give; quantities that describe the
// probe and the launch (the fall-rate coefficients, the rated depth, the
// launch height, the sample rate) are numbers with units, auxiliary
// information; identifiers, names and the date fields as sent are text, as
// archives keep such things. The profile's own values, measurements and
// probe quantities alike, are auxiliary coordinates of its samples: one
// value a profile that goes with each of its samples. Values a profile lacks are fill values; a
// time or position that quality control found impossible (flag 4) is one
// too, its fields as sent kept in the text. Codes and flags that are never
// absent have no fill value, so that readers keep them integers.
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
/// The depths a file holds as valid, in metres: a fall-rate depth past the
/// parabola's turning point (above the surface), or from an absurd
/// sampling rate, is written but outside it.
inline constexpr std::pair<int, int> kDepthRange{0, 12000};

/// Coded values and what each means: flag_values, or flag_masks for bits.
struct NetcdfFlags {
  std::vector<int> values;
  std::string meanings;
  bool masks = false;
};

/// A per-profile number: a coordinate, a measurement, a code or a quality
/// flag (`content`, ACDD's coverage_content_type, says which).
struct ProfileVariable {
  const char* name = "";
  nc_type type = NC_DOUBLE;
  const char* standardName = "";  // "" for none
  const char* longName = "";
  const char* units = "";  // "" for none
  const char* content = "";
  bool fillable = true;  // may be absent: has a _FillValue
  std::optional<std::pair<double, double>> validRange = std::nullopt;
  const NetcdfFlags* flags = nullptr;  // codes and quality flags; nullptr for a quantity
  /// The variable that describes what measured a measurement, and the
  /// variables that say more of a variable's values ("" for none).
  const char* instrument = "";
  const char* ancillary = "";
  const char* references = "";  // where its codes are defined
  /// A measurement's field in WMO's BUFR Table B, whose element numbers
  /// the messages use ("0 11 002"), and what its value stands for (CF
  /// cell_methods).
  const char* element = "";
  const char* cellMethods = "";
  /// Named in the samples' coordinates: a value of the whole profile an
  /// analyst takes with each sample (the surface measurements, the probe's
  /// fall rate and rated depth, the launch height and the sample rate).
  bool profileCoordinate = false;
  std::optional<double> (*value)(const Observation&) = nullptr;
};

/// A per-profile text; `id` is the profile's identity in its file.
struct TextVariable {
  const char* name;
  const char* longName;
  std::optional<std::string> (*value)(const Observation&, const std::string& id);
};

/// The per-profile variables, in the order a file defines them.
const std::vector<ProfileVariable>& profileVariables();
const std::vector<TextVariable>& textVariables();

/// Whether `variable` is a measurement: it gets the coordinates, the
/// coordinate reference system, the platform and its instrument.
bool isMeasurement(const ProfileVariable& variable);

/// The value of `variable` for `observation`, or its fill value.
double valueOrFill(const ProfileVariable& variable, const Observation& observation);
/// The fill value of a variable of `type`.
double fillValueOf(nc_type type);

/// The GTSPP flag scale, as the quality flag variables give it, and where
/// it is defined.
const NetcdfFlags& qcFlagScale();
inline constexpr const char* kGtsppQcManual =
    "IOC Manuals and Guides 22, GTSPP Real-Time Quality Control Manual";
inline constexpr const char* kManualOnCodes = "WMO Manual on Codes (WMO-No. 306)";

/// What the global attributes and the container variables say of all
/// profiles of a file, gathered one profile at a time in constant time
/// each: the extents, the longest profile, and the ships and probes.
class CollectionSummary {
 public:
  void add(const Observation& observation);

  std::size_t profiles() const { return profiles_; }
  std::size_t samples() const { return samples_; }
  std::size_t longestProfile() const { return longest_; }

  /// A name and a text or a number.
  struct Attribute {
    std::string name;
    std::string text;
    std::optional<double> number;  // a number rather than a text
  };
  /// The global attributes of a file of these profiles; `options` adds the
  /// file's identity, the writer's own attributes and the creation date.
  std::vector<Attribute> globalAttributes(const NetcdfOptions& options) const;
  /// The attributes of the `platform` and `instrument` containers: what
  /// all profiles share.
  std::vector<Attribute> platformAttributes() const;
  std::vector<Attribute> instrumentAttributes() const;

 private:
  // The distinct names seen, the first few kept in order; the rest only
  // counted, as hashes, so that a long run keeps no list of names.
  struct Names {
    std::vector<std::string> first;
    std::unordered_set<std::uint64_t> seen;
    void add(const std::optional<std::string>& name);
    std::string text(const char* many, const char* none) const;
    bool listed() const { return !seen.empty() && seen.size() == first.size(); }
  };
  // A value every profile gives alike, or none.
  struct Shared {
    std::optional<std::string> value;
    bool differs = false;
    void add(std::size_t profile, const std::optional<std::string>& seen);
    std::optional<std::string> get() const;
  };

  std::size_t profiles_ = 0;
  std::size_t samples_ = 0;
  std::size_t longest_ = 0;
  std::string firstSource_;
  std::optional<std::string> firstTag_;
  std::optional<double> latitudeMin_, latitudeMax_, longitudeMin_, longitudeMax_;
  std::optional<std::int32_t> depthMin_, depthMax_;
  std::optional<std::int64_t> timeMin_, timeMax_;
  bool qualityControlled_ = false;
  Names ships_;
  Names probes_;
  Shared callSign_, imoNumber_, probeName_, probeCode_, serialNumber_, recorderName_, recorderCode_;
};

}  // namespace xbtconv

#endif  // XBTCONV_HAVE_NETCDF

#endif  // XBTCONV_FORMATS_NETCDF_LAYOUT_H_
