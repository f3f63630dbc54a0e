// An observation as the data files and pictures xbt writes: JSON, CSV, WMO
// BUFR, CF-netCDF and an SVG plot, each to a string; writeFile puts any of
// them in a file, and writeNetcdf writes a netCDF file.
//
// None of them fails on what a message holds: absent values are written as
// each format writes no value, and a value a format cannot hold is written
// as missing and said in a warning.
#ifndef XBTCONV_FORMATS_H_
#define XBTCONV_FORMATS_H_

// First: it says so when the compiler is older than the headers need.
#include "xbtconv/visibility.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "xbtconv/observation.h"
#include "xbtconv/status.h"

XBTCONV_PUBLIC_BEGIN
namespace xbtconv {

/// One JSON document on one line, without a line break: UTF-8, absent
/// values as null, keys in snake case with units as suffixes. The layout is
/// fixed by the schema xbt ships (observation.schema.json).
std::string toJson(const Observation& observation);

/// The CSV header line (RFC 4180, CR LF line end).
std::string csvHeader();
/// The observation's CSV rows, one per sample; a message without samples
/// gets one row whose sample fields are empty.
std::string toCsv(const Observation& observation);

/// The master table versions whose tables give the XBT template the layout
/// toBufr writes (its elements' widths, scales and references are the same
/// in all of them).
inline constexpr int kFirstBufrMasterTableVersion = 19;
inline constexpr int kLastBufrMasterTableVersion = 39;

/// What BUFR's Section 1 says of who made the message, what it holds and
/// with which tables.
struct BufrOptions {
  int centre = 65535;  // originating centre, Common Code table C-11; 65535: not set
  int subcentre = 0;
  /// International data sub-category of category 31 (Common Code table
  /// C-13): 3, bathythermal observation (BATHY).
  int subcategory = 3;
  /// 31: the newest both ecCodes and wreport read; the template is the same
  /// in versions 19 to 39.
  int masterTableVersion = 31;
  int localTableVersion = 0;  // 0: no local tables
  int updateSequence = 0;     // 0 for the original, 1, 2 ... for corrections
};

/// The range of each number of BufrOptions, as toBufr and xbt export's
/// options (`--centre` for `centre` ...) check it, and the words a number
/// outside it is refused in (see outOfRange).
struct BufrOptionRange {
  const char* option;  // the command line's option without its "--"
  int BufrOptions::*member;
  int first;
  int last;
  const char* meaning;
};
inline constexpr BufrOptionRange kBufrOptionRanges[] = {
    {"centre", &BufrOptions::centre, 0, 65535, "an originating centre"},
    {"subcentre", &BufrOptions::subcentre, 0, 65535, "an originating subcentre"},
    {"subcategory", &BufrOptions::subcategory, 0, 254, "a data sub-category"},
    {"master-table-version", &BufrOptions::masterTableVersion, kFirstBufrMasterTableVersion,
     kLastBufrMasterTableVersion, "a master table version"},
    {"local-table-version", &BufrOptions::localTableVersion, 0, 254, "a local table version"},
    {"update-sequence", &BufrOptions::updateSequence, 0, 254, "an update sequence number"},
};

/// "an originating centre from 0 to 65535, not '70000'": why `value` (as
/// written) is not a number of `range`.
std::string outOfRange(const BufrOptionRange& range, std::string_view value);
/// Ok when every number of `options` is in its range; else
/// kInvalidArgument, saying of the first that is not what outOfRange says.
Status checkBufrOptions(const BufrOptions& options);

/// One WMO FM 94 BUFR edition 4 message with the XBT template 3 15 004. A
/// value the template cannot hold (beyond its range, a code the master
/// table's code tables do not define, levels beyond the 65,534 a message
/// can count) is encoded as missing or left out; `status`, when given, is
/// then kLossy and says what was ("2 depth below sea surface"), else ok.
/// Options outside their ranges (checkBufrOptions) give no message ("")
/// and, in `status`, kInvalidArgument with the reason.
std::string toBufr(const Observation& observation, const BufrOptions& options = {},
                   Status* status = nullptr);
/// Ok when `observation` can be used on the GTS: it needs a real time and a
/// position (neither found impossible by quality control) and depths; else
/// kIncomplete, saying why ("no position; no depths: the probe has no fall
/// rate").
Status bufrUsability(const Observation& observation);

/// A quick-look plot: a self-contained SVG image 600 px wide.
std::string toSvg(const Observation& observation);

/// How a netCDF file lays out the samples of its profiles. Both hold the
/// same variables and values; only the samples' dimensions differ.
enum class NetcdfLayout {
  /// CF's contiguous ragged array, the most compact: every sample once, in
  /// profile order, along `obs`, and `row_size` says how many are each
  /// profile's.
  kContiguousRagged,
  /// CF's incomplete multidimensional array, the shape of NCEI's profile
  /// template (version 2.0): `profile` by `z`, each profile's samples from
  /// the first level on, the levels past them fill values.
  kIncomplete,
};

struct NetcdfOptions {
  /// The global `history` attribute: what made the file.
  std::string history = "xbtconv library";
  /// The global `id` attribute; "" for the one profile's unique tag (or
  /// file name), or, for a file of many, writeNetcdf's file name.
  std::string id;
  /// Global attributes of the writer's own (ACDD's institution, creator_name,
  /// publisher_name, license, project, naming_authority ...), set after and
  /// over the file's: name and text.
  std::vector<std::pair<std::string, std::string>> attributes;
  /// The global `date_created` attribute, an ISO 8601 time; none by default,
  /// so that the same profiles always give the same file.
  std::string dateCreated;
  NetcdfLayout layout = NetcdfLayout::kContiguousRagged;
};

/// Whether this build can write netCDF (the Windows build cannot).
bool netcdfAvailable();
/// Ok when `observation`'s profile would carry no fill values in its
/// coordinates; else kIncomplete, saying why (its time or position missing
/// or found impossible by quality control, or every depth missing).
Status netcdfUsability(const Observation& observation);
/// Writes `observations` to the CF-netCDF file `path` in the layout
/// `options` asks for, whole or not at all (as writeFile); kCannotWrite
/// with the reason when it cannot, kUnavailable in a build without netCDF,
/// kInvalidArgument for no observations (a file of no profiles).
/// Each profile's `profile_id` is its path below the folder that holds all
/// their files.
Status writeNetcdf(const std::string& path, const std::vector<Observation>& observations,
                   const NetcdfOptions& options);

/// Writes `content` to `path` whole or not at all: through a new temporary
/// file beside it, never through a link, that is renamed over it;
/// kCannotWrite with the reason when it cannot.
Status writeFile(const std::string& path, std::string_view content);

}  // namespace xbtconv
XBTCONV_PUBLIC_END

#endif  // XBTCONV_FORMATS_H_
