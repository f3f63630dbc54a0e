#include "export/netcdf_export.h"

namespace xbtconv {

// The fill value of netCDF's float variables (NC_FILL_FLOAT), here too where
// the library is missing.
constexpr float kFillFloat = 9.9692099683868690e+36F;

void NetcdfCollection::add(Observation observation) {
  const auto units = [](const std::optional<std::int32_t>& hundredths) {
    return hundredths ? static_cast<float>(*hundredths / 100.0) : kFillFloat;
  };
  std::vector<Sample>& samples = observation.profile.samples;
  for (const Sample& sample : samples) {
    depths_.push_back(units(sample.depthHundredths));
    temperatures_.push_back(units(sample.temperatureHundredths));
  }
  rowSizes_.push_back(static_cast<int>(samples.size()));
  std::vector<Sample>().swap(samples);
  profiles_.push_back(std::move(observation));
}

void NetcdfCollection::clear() {
  profiles_.clear();
  rowSizes_.clear();
  depths_.clear();
  temperatures_.clear();
}

}  // namespace xbtconv

#ifndef XBTCONV_HAVE_NETCDF

namespace xbtconv {

bool netcdfAvailable() { return false; }

bool NetcdfCollection::write(const std::string& /*path*/, const std::string& /*history*/,
                             std::string& error) const {
  error = "netCDF is not available in this build";
  return false;
}

}  // namespace xbtconv

#else

#include <dlfcn.h>
#include <netcdf.h>

#include <algorithm>
#include <limits>

#include "export/text_encoding.h"
#include "profile/utc_time.h"

namespace xbtconv {
namespace {

// The netCDF-C functions the export calls. The library is loaded when the
// first netCDF file is written rather than when xbt starts: it brings some
// forty shared libraries with it, whose loading would otherwise cost every
// run of xbt, netCDF or not, several milliseconds.
struct NetcdfLibrary {
  decltype(&::nc__create) create;
  decltype(&::nc__enddef) enddef;
  decltype(&::nc_abort) abort;
  decltype(&::nc_close) close;
  decltype(&::nc_def_dim) def_dim;
  decltype(&::nc_def_var) def_var;
  decltype(&::nc_put_att_double) put_att_double;
  decltype(&::nc_put_att_schar) put_att_schar;
  decltype(&::nc_put_att_text) put_att_text;
  decltype(&::nc_put_var_double) put_var_double;
  decltype(&::nc_put_var_float) put_var_float;
  decltype(&::nc_put_var_int) put_var_int;
  decltype(&::nc_put_var_text) put_var_text;
  decltype(&::nc_set_fill) set_fill;
  decltype(&::nc_strerror) strerror;
};

template <typename Function>
bool bind(void* handle, const char* name, Function& function) {
  function = reinterpret_cast<Function>(dlsym(handle, name));
  return function != nullptr;
}

// The library, loaded once; nullptr, with the reason in `error`, when it
// cannot be.
const NetcdfLibrary* netcdfLibrary(std::string& error) {
  static std::string failure;
  static const NetcdfLibrary* const library = []() -> const NetcdfLibrary* {
    void* const handle = dlopen(XBTCONV_NETCDF_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      failure = std::string("cannot load the netCDF-C library: ") + dlerror();
      return nullptr;
    }
    static NetcdfLibrary functions{};
    NetcdfLibrary& f = functions;
    if (bind(handle, "nc__create", f.create) && bind(handle, "nc__enddef", f.enddef) &&
        bind(handle, "nc_abort", f.abort) && bind(handle, "nc_close", f.close) &&
        bind(handle, "nc_def_dim", f.def_dim) && bind(handle, "nc_def_var", f.def_var) &&
        bind(handle, "nc_put_att_double", f.put_att_double) &&
        bind(handle, "nc_put_att_schar", f.put_att_schar) &&
        bind(handle, "nc_put_att_text", f.put_att_text) &&
        bind(handle, "nc_put_var_double", f.put_var_double) &&
        bind(handle, "nc_put_var_float", f.put_var_float) &&
        bind(handle, "nc_put_var_int", f.put_var_int) &&
        bind(handle, "nc_put_var_text", f.put_var_text) &&
        bind(handle, "nc_set_fill", f.set_fill) && bind(handle, "nc_strerror", f.strerror)) {
      return &functions;
    }
    failure = std::string("the netCDF-C library lacks a function: ") + dlerror();
    return nullptr;
  }();
  if (library == nullptr) error = failure;
  return library;
}

struct NetcdfError {
  int status;
};

void check(int status) {
  if (status != NC_NOERR) throw NetcdfError{status};
}

using Number = std::optional<double>;
using Text = std::optional<std::string>;

template <typename T>
Number number(const std::optional<T>& value) {
  if (!value) return std::nullopt;
  return static_cast<double>(*value);
}

// A per-profile number: name, type, CF standard name ("" for none), long
// name, units ("" for none) and where its value comes from.
struct NumberVariable {
  const char* name;
  nc_type type;
  const char* standardName;
  const char* longName;
  const char* units;
  Number (*value)(const Observation&);
};

// clang-format off
const NumberVariable kProfileNumbers[] = {
    {"time", NC_DOUBLE, "time", "time of the drop", "seconds since 1970-01-01T00:00:00Z",
     [](const Observation& o) { return number(o.time.utcSeconds); }},
    {"latitude", NC_DOUBLE, "latitude", "latitude of the drop", "degrees_north",
     [](const Observation& o) { return number(o.latitude); }},
    {"longitude", NC_DOUBLE, "longitude", "longitude of the drop", "degrees_east",
     [](const Observation& o) { return number(o.longitude); }},
    {"kind", NC_BYTE, "", "message kind: 1 standard, 2 extended", "",
     [](const Observation& o) -> Number { return o.kind; }},
    {"stop_bit", NC_DOUBLE, "", "bit at which a decode that failed stopped", "",
     [](const Observation& o) { return number(o.stopBit); }},
    {"year", NC_SHORT, "", "year as the message gives it", "",
     [](const Observation& o) { return number(o.time.year); }},
    {"month", NC_SHORT, "", "month as the message gives it", "",
     [](const Observation& o) { return number(o.time.month); }},
    {"day", NC_SHORT, "", "day as the message gives it", "",
     [](const Observation& o) { return number(o.time.day); }},
    {"hour", NC_SHORT, "", "hour as the message gives it", "",
     [](const Observation& o) { return number(o.time.hour); }},
    {"minute", NC_SHORT, "", "minute as the message gives it", "",
     [](const Observation& o) { return number(o.time.minute); }},
    {"imo_number", NC_INT, "", "IMO number of the ship", "",
     [](const Observation& o) { return number(o.ship.imoNumber); }},
    {"transect_number", NC_SHORT, "", "SOOP transect number", "",
     [](const Observation& o) { return number(o.ship.transectNumber); }},
    {"ship_heading", NC_SHORT, "platform_orientation", "ship's heading", "degree",
     [](const Observation& o) { return number(o.ship.headingDeg); }},
    {"ship_speed", NC_FLOAT, "platform_speed_wrt_ground", "ship's speed", "m s-1",
     [](const Observation& o) { return number(o.ship.speedMs); }},
    {"probe_code", NC_SHORT, "", "probe type (WMO code table 0 22 067)", "",
     [](const Observation& o) { return number(o.probe.code); }},
    {"probe_serial_number", NC_INT, "", "probe serial number", "",
     [](const Observation& o) { return number(o.probe.serialNumber); }},
    {"fall_rate_a", NC_DOUBLE, "", "fall-rate coefficient a of z = a t + b t^2", "m s-1",
     [](const Observation& o) { return number(o.probe.fallRateA); }},
    {"fall_rate_b", NC_DOUBLE, "", "fall-rate coefficient b of z = a t + b t^2", "m s-2",
     [](const Observation& o) { return number(o.probe.fallRateB); }},
    {"probe_max_depth", NC_INT, "", "probe's rated maximum depth", "m",
     [](const Observation& o) { return number(o.probe.maxDepthM); }},
    {"recorder_code", NC_SHORT, "", "recorder type (WMO code table 0 22 068)", "",
     [](const Observation& o) { return number(o.probe.recorderCode); }},
    {"sequence_number", NC_INT, "", "message sequence number", "",
     [](const Observation& o) { return number(o.probe.sequenceNumber); }},
    {"launch_height", NC_FLOAT, "", "height of the launcher above the sea surface", "m",
     [](const Observation& o) { return number(o.probe.launchHeightM); }},
    {"wind_instrument_code", NC_SHORT, "", "wind instrument type", "",
     [](const Observation& o) { return number(o.surface.windInstrumentCode); }},
    {"wind_from_direction", NC_SHORT, "wind_from_direction", "wind direction", "degree",
     [](const Observation& o) { return number(o.surface.windDirectionDeg); }},
    {"wind_speed", NC_FLOAT, "wind_speed", "wind speed", "m s-1",
     [](const Observation& o) { return number(o.surface.windSpeedMs); }},
    {"air_temperature", NC_FLOAT, "air_temperature", "air (dry-bulb) temperature",
     "degree_Celsius", [](const Observation& o) { return number(o.surface.airTemperatureC); }},
    {"current_method_code", NC_SHORT, "", "method of current measurement", "",
     [](const Observation& o) { return number(o.surface.currentMethodCode); }},
    {"current_direction", NC_SHORT, "direction_of_sea_water_velocity",
     "direction of the surface current", "degree",
     [](const Observation& o) { return number(o.surface.currentDirectionDeg); }},
    {"current_speed", NC_FLOAT, "sea_water_speed", "speed of the surface current", "m s-1",
     [](const Observation& o) { return number(o.surface.currentSpeedMs); }},
    {"bottom_depth", NC_SHORT, "sea_floor_depth_below_sea_surface", "bottom depth", "m",
     [](const Observation& o) { return number(o.bottomDepthM); }},
    {"sample_rate", NC_DOUBLE, "", "samples per second that full-resolution depths assume",
     "s-1", [](const Observation& o) -> Number {
       if (o.profile.layout != ProfileLayout::kFullResolution) return std::nullopt;
       return o.profile.sampleRateHz;
     }},
};

// A per-profile text: name, long name and where it comes from.
struct TextVariable {
  const char* name;
  const char* longName;
  Text (*value)(const Observation&);
};

const TextVariable kProfileTexts[] = {
    {"profile_id", "message file the profile comes from",
     [](const Observation& o) -> Text { return o.source; }},
    {"ship_name", "ship name", [](const Observation& o) { return o.ship.name; }},
    {"call_sign", "ship's call sign", [](const Observation& o) { return o.ship.callSign; }},
    {"soop_line", "SOOP line", [](const Observation& o) { return o.ship.soopLine; }},
    {"probe_name", "probe type", [](const Observation& o) { return o.probe.name; }},
    {"recorder_name", "recorder type", [](const Observation& o) { return o.probe.recorderName; }},
    {"software_version", "recorder software version",
     [](const Observation& o) { return o.probe.softwareVersion; }},
    {"unique_tag", "unique tag of the message", [](const Observation& o) { return o.probe.uniqueTag; }},
    {"wind_instrument_name", "wind instrument type",
     [](const Observation& o) { return o.surface.windInstrumentName; }},
    {"current_method_name", "method of current measurement",
     [](const Observation& o) { return o.surface.currentMethodName; }},
};
// clang-format on

double fillValue(nc_type type) {
  switch (type) {
    case NC_BYTE:
      return NC_FILL_BYTE;
    case NC_SHORT:
      return NC_FILL_SHORT;
    case NC_INT:
      return NC_FILL_INT;
    case NC_FLOAT:
      return kFillFloat;
    default:
      return NC_FILL_DOUBLE;
  }
}

class Writer {
 public:
  Writer(const NetcdfLibrary& nc, const std::vector<Observation>& observations,
         const std::vector<int>& rowSizes, const std::vector<float>& depths,
         const std::vector<float>& temperatures)
      : nc_(nc),
        observations_(observations),
        rowSizes_(rowSizes),
        depths_(depths),
        temperatures_(temperatures),
        samples_(depths.size()) {}

  void write(int ncid, const std::string& history) {
    ncid_ = ncid;
    int unused = 0;
    check(nc_.set_fill(ncid_, NC_NOFILL, &unused));
    check(nc_.def_dim(ncid_, "profile", observations_.size(), &profile_));
    check(nc_.def_dim(ncid_, "obs", samples_, &obs_));
    globalAttributes(history);
    defineProfileVariables();
    defineSampleVariables();
    // No room kept for later additions: the files are written once.
    check(nc_.enddef(ncid_, 0, 4, 0, 4));
    writeProfileVariables();
    writeSampleVariables();
  }

 private:
  void text(int varid, const char* name, const std::string& value) const {
    check(nc_.put_att_text(ncid_, varid, name, value.size(), value.c_str()));
  }

  int variable(const char* name, nc_type type, int dimension, const char* standardName,
               const char* longName, const char* units, bool fillable = true) {
    int varid = 0;
    check(nc_.def_var(ncid_, name, type, 1, &dimension, &varid));
    if (*standardName != '\0') text(varid, "standard_name", standardName);
    text(varid, "long_name", longName);
    if (*units != '\0') text(varid, "units", units);
    if (fillable) {
      const double fill = fillValue(type);
      check(nc_.put_att_double(ncid_, varid, "_FillValue", type, 1, &fill));
    }
    return varid;
  }

  // A coded byte: its values (0 to count - 1, count at most 3) and what
  // each means.
  int flagVariable(const char* name, const char* longName, const char* meanings, int count) {
    const int varid = variable(name, NC_BYTE, profile_, "", longName, "");
    static constexpr signed char kValues[] = {0, 1, 2};
    check(nc_.put_att_schar(ncid_, varid, "flag_values", NC_BYTE, static_cast<std::size_t>(count),
                            kValues));
    text(varid, "flag_meanings", meanings);
    return varid;
  }

  void defineProfileVariables() {
    for (const NumberVariable& v : kProfileNumbers) {
      numberIds_.push_back(variable(v.name, v.type, profile_, v.standardName, v.longName, v.units));
    }
    text(numberIds_[0], "axis", "T");
    // The seconds count days of the Gregorian calendar back to year 0, as
    // the message's date fields do, also before its adoption in 1582.
    text(numberIds_[0], "calendar", "proleptic_gregorian");
    text(numberIds_[1], "axis", "Y");
    text(numberIds_[2], "axis", "X");
    decodedId_ =
        flagVariable("decoded", "whether the whole message was decoded", "stopped_early whole", 2);
    layoutId_ = flagVariable("profile_layout", "layout of the profile in the message",
                             "full_resolution two_meter inflection_points", 3);
    depthSourceId_ =
        flagVariable("depth_source", "where the depths come from", "message fall_rate", 2);
    for (const TextVariable& v : kProfileTexts) {
      // Each profile's text in UTF-8 ("" for none), kept for the writing.
      std::vector<std::string>& texts = texts_.emplace_back(observations_.size());
      std::size_t length = 1;
      for (std::size_t i = 0; i < observations_.size(); ++i) {
        if (const Text value = v.value(observations_[i])) texts[i] = utf8Text(*value);
        length = std::max(length, texts[i].size());
      }
      const std::string dimensionName = std::string(v.name) + "_strlen";
      int dimensions[2] = {profile_, 0};
      check(nc_.def_dim(ncid_, dimensionName.c_str(), length, &dimensions[1]));
      int varid = 0;
      check(nc_.def_var(ncid_, v.name, NC_CHAR, 2, dimensions, &varid));
      text(varid, "long_name", v.longName);
      text(varid, "_Encoding", "utf-8");
      textIds_.push_back(varid);
      textLengths_.push_back(length);
    }
    text(textIds_[0], "cf_role", "profile_id");
    rowSizeId_ =
        variable("row_size", NC_INT, profile_, "", "number of samples in the profile", "", false);
    text(rowSizeId_, "sample_dimension", "obs");
  }

  void defineSampleVariables() {
    depthId_ = variable("depth", NC_FLOAT, obs_, "depth", "depth of the sample", "m");
    text(depthId_, "positive", "down");
    text(depthId_, "axis", "Z");
    temperatureId_ = variable("temperature", NC_FLOAT, obs_, "sea_water_temperature",
                              "sea water temperature", "degree_Celsius");
    text(temperatureId_, "coordinates", "time latitude longitude depth");
  }

  void writeProfileVariables() {
    std::vector<double> values(observations_.size());
    const auto put = [&](int varid) { check(nc_.put_var_double(ncid_, varid, values.data())); };
    for (std::size_t v = 0; v < std::size(kProfileNumbers); ++v) {
      const double fill = fillValue(kProfileNumbers[v].type);
      for (std::size_t i = 0; i < observations_.size(); ++i) {
        values[i] = kProfileNumbers[v].value(observations_[i]).value_or(fill);
      }
      put(numberIds_[v]);
    }
    const auto flags = [&](int varid, auto code) {
      for (std::size_t i = 0; i < observations_.size(); ++i) values[i] = code(observations_[i]);
      put(varid);
    };
    flags(decodedId_, [](const Observation& o) { return o.decoded ? 1.0 : 0.0; });
    flags(layoutId_, [](const Observation& o) {
      return o.profile.layout ? static_cast<double>(*o.profile.layout) : NC_FILL_BYTE;
    });
    flags(depthSourceId_, [](const Observation& o) {
      return o.profile.depthSource ? static_cast<double>(*o.profile.depthSource) : NC_FILL_BYTE;
    });
    check(nc_.put_var_int(ncid_, rowSizeId_, rowSizes_.data()));
    for (std::size_t v = 0; v < std::size(kProfileTexts); ++v) {
      const std::size_t length = textLengths_[v];
      std::string block(observations_.size() * length, '\0');
      for (std::size_t i = 0; i < observations_.size(); ++i) {
        const std::string& utf8 = texts_[v][i];
        std::copy(utf8.begin(), utf8.end(),
                  block.begin() + static_cast<std::ptrdiff_t>(i * length));
      }
      check(nc_.put_var_text(ncid_, textIds_[v], block.data()));
    }
  }

  void writeSampleVariables() {
    if (samples_ == 0) return;
    check(nc_.put_var_float(ncid_, depthId_, depths_.data()));
    check(nc_.put_var_float(ncid_, temperatureId_, temperatures_.data()));
  }

  void globalAttributes(const std::string& history) {
    const bool single = observations_.size() == 1;
    text(NC_GLOBAL, "Conventions", "CF-1.8, ACDD-1.3");
    text(NC_GLOBAL, "featureType", "profile");
    text(NC_GLOBAL, "cdm_data_type", "Profile");
    text(NC_GLOBAL, "title", single ? "XBT temperature profile" : "XBT temperature profiles");
    text(NC_GLOBAL, "summary",
         (single ? std::string("A sea water temperature profile")
                 : std::to_string(observations_.size()) + " sea water temperature profiles") +
             " measured by ship-launched expendable bathythermographs (XBT), as the ships' "
             "messages sent them.");
    text(NC_GLOBAL, "source",
         single ? "XBT message " + utf8Text(observations_[0].source)
                : std::to_string(observations_.size()) + " XBT messages");
    text(NC_GLOBAL, "history", history);
    text(NC_GLOBAL, "standard_name_vocabulary", "CF Standard Name Table v79");
    text(NC_GLOBAL, "platform",
         distinct([](const Observation& o)
                      -> Text { return o.ship.name ? o.ship.name : o.ship.callSign; },
                  "ship"));
    text(NC_GLOBAL, "instrument",
         distinct([](const Observation& o) { return o.probe.name; }, "XBT"));
    range(
        "geospatial_lat", [](const Observation& o) { return o.latitude; }, "degrees_north");
    range(
        "geospatial_lon", [](const Observation& o) { return o.longitude; }, "degrees_east");
    double shallowest = std::numeric_limits<double>::infinity();
    double deepest = -shallowest;
    for (const float depth : depths_) {
      if (depth != kFillFloat) {
        shallowest = std::min(shallowest, static_cast<double>(depth));
        deepest = std::max(deepest, static_cast<double>(depth));
      }
    }
    if (shallowest <= deepest) {
      check(nc_.put_att_double(ncid_, NC_GLOBAL, "geospatial_vertical_min", NC_DOUBLE, 1,
                               &shallowest));
      check(
          nc_.put_att_double(ncid_, NC_GLOBAL, "geospatial_vertical_max", NC_DOUBLE, 1, &deepest));
      text(NC_GLOBAL, "geospatial_vertical_units", "m");
      text(NC_GLOBAL, "geospatial_vertical_positive", "down");
    }
    std::optional<std::int64_t> first;
    std::optional<std::int64_t> last;
    for (const Observation& o : observations_) {
      if (const std::optional<std::int64_t> t = o.time.utcSeconds) {
        first = std::min(first.value_or(*t), *t);
        last = std::max(last.value_or(*t), *t);
      }
    }
    if (first) {
      text(NC_GLOBAL, "time_coverage_start", isoTime(*first));
      text(NC_GLOBAL, "time_coverage_end", isoTime(*last));
    }
  }

  // The distinct values of `value` in order of appearance, joined; `none`
  // when no profile has one.
  template <typename Value>
  std::string distinct(Value value, const char* none) const {
    std::vector<std::string> seen;
    for (const Observation& o : observations_) {
      if (const Text v = value(o)) {
        const std::string utf8 = utf8Text(*v);
        if (std::find(seen.begin(), seen.end(), utf8) == seen.end()) seen.push_back(utf8);
      }
    }
    if (seen.empty()) return none;
    std::string joined;
    for (const std::string& s : seen) joined += (joined.empty() ? "" : ", ") + s;
    return joined;
  }

  template <typename Value>
  void range(const std::string& prefix, Value value, const char* units) {
    std::optional<double> low;
    std::optional<double> high;
    for (const Observation& o : observations_) {
      if (const Number v = value(o)) {
        low = std::min(low.value_or(*v), *v);
        high = std::max(high.value_or(*v), *v);
      }
    }
    if (!low) return;
    check(nc_.put_att_double(ncid_, NC_GLOBAL, (prefix + "_min").c_str(), NC_DOUBLE, 1, &*low));
    check(nc_.put_att_double(ncid_, NC_GLOBAL, (prefix + "_max").c_str(), NC_DOUBLE, 1, &*high));
    text(NC_GLOBAL, (prefix + "_units").c_str(), units);
  }

  const NetcdfLibrary& nc_;
  const std::vector<Observation>& observations_;
  const std::vector<int>& rowSizes_;
  const std::vector<float>& depths_;
  const std::vector<float>& temperatures_;
  std::size_t samples_;
  int ncid_ = 0;
  int profile_ = 0;
  int obs_ = 0;
  std::vector<int> numberIds_;
  std::vector<int> textIds_;
  std::vector<std::size_t> textLengths_;
  std::vector<std::vector<std::string> > texts_;
  int decodedId_ = 0;
  int layoutId_ = 0;
  int depthSourceId_ = 0;
  int rowSizeId_ = 0;
  int depthId_ = 0;
  int temperatureId_ = 0;
};

}  // namespace

bool netcdfAvailable() { return true; }

bool NetcdfCollection::write(const std::string& path, const std::string& history,
                             std::string& error) const {
  if (profiles_.empty()) {
    error = "no profiles to write";
    return false;
  }
  const NetcdfLibrary* const nc = netcdfLibrary(error);
  if (nc == nullptr) return false;
  int ncid = -1;
  try {
    std::size_t chunk = 4096;
    check(nc->create(path.c_str(), NC_CLOBBER | NC_64BIT_OFFSET, 0, &chunk, &ncid));
    Writer(*nc, profiles_, rowSizes_, depths_, temperatures_).write(ncid, history);
    const int status = nc->close(ncid);
    ncid = -1;
    check(status);
    return true;
  } catch (const NetcdfError& failure) {
    if (ncid != -1) nc->abort(ncid);
    error = nc->strerror(failure.status);
    return false;
  }
}

}  // namespace xbtconv

#endif
