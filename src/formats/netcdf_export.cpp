#include "formats/netcdf_export.h"

#include "formats/private_file.h"

#ifndef XBTCONV_HAVE_NETCDF

namespace xbtconv {

struct NetcdfCollection::Spooled {
  std::size_t profiles = 0;
};

NetcdfCollection::NetcdfCollection(const std::string& /*beside*/, const std::string& /*idRoot*/,
                                   std::size_t /*memoryBound*/)
    : spooled_(std::make_unique<Spooled>()) {}
NetcdfCollection::~NetcdfCollection() = default;
void NetcdfCollection::add(const Observation& /*observation*/) { ++spooled_->profiles; }
std::size_t NetcdfCollection::size() const { return spooled_->profiles; }

bool NetcdfCollection::write(const std::string& /*path*/, const NetcdfOptions& /*options*/,
                             std::string& error) {
  error = "netCDF is not available in this build";
  return false;
}

}  // namespace xbtconv

#else

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <unordered_set>

#include "formats/netcdf_layout.h"
#include "formats/netcdf_library.h"
#include "formats/profile_id.h"
#include "profile/text_encoding.h"

namespace xbtconv {
namespace {

// Bytes read back from a scratch file per call.
constexpr std::size_t kSpoolReadBlock = std::size_t{1} << 20;
// Profiles and samples written to the file per call.
constexpr std::size_t kProfileBlock = 4096;
constexpr std::size_t kSampleBlock = std::size_t{1} << 18;

// A byte stream written once from start to end, then read back once: in
// memory up to a bound, in a scratch file beyond it.
class Spool {
 public:
  Spool(std::string beside, std::size_t memoryBound)
      : beside_(std::move(beside)), memoryBound_(memoryBound) {}
  ~Spool() {
    if (fd_ >= 0) ::close(fd_);
  }
  Spool(const Spool&) = delete;
  Spool& operator=(const Spool&) = delete;

  void append(const void* data, std::size_t size) {
    // Moved out before the bound would be passed, and grown by doubling no
    // further than the bound: left to the string, the room could reach
    // twice the bound.
    if (!buffer_.empty() && buffer_.size() + size > memoryBound_) spill();
    if (buffer_.size() + size > buffer_.capacity()) {
      buffer_.reserve(
          std::max(buffer_.size() + size, std::min(memoryBound_, 2 * buffer_.capacity())));
    }
    buffer_.append(static_cast<const char*>(data), size);
    written_ += size;
  }

  // The bytes appended so far: where the next append starts.
  std::uint64_t size() const { return written_; }

  // The `size` bytes from `offset` on, after rewind(); false when they
  // cannot be read.
  bool readAt(std::uint64_t offset, void* data, std::size_t size) {
    if (fd_ < 0) {
      if (offset + size > buffer_.size()) return false;
      std::memcpy(data, buffer_.data() + offset, size);
      return true;
    }
    auto* out = static_cast<char*>(data);
    while (size > 0) {
      const ssize_t got = ::pread(fd_, out, size, static_cast<off_t>(offset));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;
      out += got;
      offset += static_cast<std::uint64_t>(got);
      size -= static_cast<std::size_t>(got);
    }
    return true;
  }

  // Starts reading from the beginning; false with the reason when the
  // scratch file failed.
  bool rewind(std::string& error) {
    if (fd_ >= 0) {
      spill();
      buffer_.clear();
      if (::lseek(fd_, 0, SEEK_SET) != 0) failure_ = errno;
    }
    readAt_ = 0;
    if (failure_ != 0) error = "scratch file beside " + beside_ + ": " + std::strerror(failure_);
    return failure_ == 0;
  }

  // The next `size` bytes; false when the spool or its file ends first.
  bool read(void* data, std::size_t size) {
    auto* out = static_cast<char*>(data);
    while (size > 0) {
      if (readAt_ == buffer_.size()) {
        if (fd_ < 0 || !refill()) return false;
      }
      const std::size_t count = std::min(size, buffer_.size() - readAt_);
      std::memcpy(out, buffer_.data() + readAt_, count);
      readAt_ += count;
      out += count;
      size -= count;
    }
    return true;
  }

 private:
  // Moves what is in memory to the scratch file, made at the first spill
  // and nameless from then on, so that nothing is left of it whatever
  // becomes of the process.
  void spill() {
    if (fd_ < 0 && failure_ == 0) {
      fd_ = openScratchFile(beside_);
      if (fd_ < 0) failure_ = errno;
    }
    if (failure_ != 0) {
      buffer_.clear();
      return;
    }
    const char* at = buffer_.data();
    std::size_t left = buffer_.size();
    while (left > 0) {
      const ssize_t written = ::write(fd_, at, left);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) {
        failure_ = written < 0 ? errno : EIO;
        break;
      }
      at += written;
      left -= static_cast<std::size_t>(written);
    }
    buffer_.clear();
  }

  bool refill() {
    buffer_.resize(std::min(memoryBound_, kSpoolReadBlock));
    ssize_t got = 0;
    do {
      got = ::read(fd_, buffer_.data(), buffer_.size());
    } while (got < 0 && errno == EINTR);
    buffer_.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    readAt_ = 0;
    return got > 0;
  }

  std::string beside_;
  std::size_t memoryBound_;
  std::string buffer_;
  std::size_t readAt_ = 0;
  std::uint64_t written_ = 0;
  int fd_ = -1;
  int failure_ = 0;
};

// One sample as the file holds it.
struct SampleValues {
  float depth;
  float temperature;
  signed char depthQc;
  signed char temperatureQc;
};

float unitsOrFill(const std::optional<std::int32_t>& hundredths) {
  return hundredths ? static_cast<float>(*hundredths / 100.0) : kNetcdfFillFloat;
}

// Writes one file: the definitions, then the spooled values in blocks.
class Writer {
 public:
  Writer(const NetcdfLibrary& nc, int ncid, NetcdfLayout layout)
      : nc_(nc), ncid_(ncid), ragged_(layout == NetcdfLayout::kContiguousRagged) {}

  void define(const CollectionSummary& summary, const std::vector<std::size_t>& textLengths,
              const NetcdfOptions& options) {
    int unused = 0;
    check(nc_.set_fill(ncid_, NC_NOFILL, &unused));
    check(nc_.def_dim(ncid_, "profile", summary.profiles(), &profile_));
    if (ragged_) {
      check(nc_.def_dim(ncid_, "obs", summary.samples(), &samples_));
    } else {
      // At least one level: a dimension of length 0 would be the unlimited one.
      levels_ = std::max<std::size_t>(1, summary.longestProfile());
      check(nc_.def_dim(ncid_, "z", levels_, &samples_));
    }
    for (const CollectionSummary::Attribute& a : summary.globalAttributes(options)) {
      attribute(NC_GLOBAL, a);
    }
    for (const ProfileVariable& v : profileVariables()) numberIds_.push_back(defineNumber(v));
    const std::vector<TextVariable>& texts = textVariables();
    for (std::size_t t = 0; t < texts.size(); ++t) {
      const std::string dimensionName = std::string(texts[t].name) + "_strlen";
      int dimensions[2] = {profile_, 0};
      check(nc_.def_dim(ncid_, dimensionName.c_str(), textLengths[t], &dimensions[1]));
      int varid = 0;
      check(nc_.def_var(ncid_, texts[t].name, NC_CHAR, 2, dimensions, &varid));
      text(varid, "long_name", texts[t].longName);
      text(varid, "coverage_content_type", "auxiliaryInformation");
      text(varid, "_Encoding", "utf-8");
      if (t == 0) text(varid, "cf_role", "profile_id");
      textIds_.push_back(varid);
    }
    textLengths_ = textLengths;
    if (ragged_) {
      check(nc_.def_var(ncid_, "row_size", NC_INT, 1, &profile_, &rowSizeId_));
      text(rowSizeId_, "long_name", "number of samples in the profile");
      text(rowSizeId_, "sample_dimension", "obs");
      text(rowSizeId_, "coverage_content_type", "auxiliaryInformation");
    }
    defineSamples();
    defineContainers(summary);
    // No room kept for later additions: the files are written once.
    check(nc_.enddef(ncid_, 0, 4, 0, 4));
  }

  // Writes the profiles, `kProfileBlock` at a time, from `spool`; each
  // record is its row size, its numbers and its texts.
  void writeProfiles(Spool& spool, std::size_t profiles) {
    const std::vector<ProfileVariable>& variables = profileVariables();
    const std::size_t numbers = variables.size();
    std::vector<double> values;
    std::vector<int> rowSizes;
    std::vector<std::string> blocks(textIds_.size());
    std::vector<double> record(numbers);
    for (std::size_t start = 0; start < profiles; start += kProfileBlock) {
      const std::size_t count = std::min(kProfileBlock, profiles - start);
      values.assign(count * numbers, 0);
      rowSizes.assign(count, 0);
      for (std::size_t t = 0; t < blocks.size(); ++t)
        blocks[t].assign(count * textLengths_[t], '\0');
      for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t rowSize = 0;
        readOrThrow(spool, &rowSize, sizeof rowSize);
        rowSizes[i] = static_cast<int>(rowSize);
        if (!ragged_) rowSizes_.push_back(rowSize);
        readOrThrow(spool, record.data(), numbers * sizeof(double));
        // Stored variable by variable, each a column of the block.
        for (std::size_t v = 0; v < numbers; ++v) values[v * count + i] = record[v];
        for (std::size_t t = 0; t < blocks.size(); ++t) {
          std::uint32_t length = 0;
          readOrThrow(spool, &length, sizeof length);
          readOrThrow(spool, blocks[t].data() + i * textLengths_[t], length);
        }
      }
      const std::size_t at[2] = {start, 0};
      const std::size_t span[2] = {count, 0};
      for (std::size_t v = 0; v < numbers; ++v) {
        check(nc_.put_vara_double(ncid_, numberIds_[v], at, span, values.data() + v * count));
      }
      if (ragged_) check(nc_.put_vara_int(ncid_, rowSizeId_, at, span, rowSizes.data()));
      for (std::size_t t = 0; t < blocks.size(); ++t) {
        const std::size_t width[2] = {count, textLengths_[t]};
        check(nc_.put_vara_text(ncid_, textIds_[t], at, width, blocks[t].data()));
      }
    }
  }

  // Writes the samples from `spool`: as they come along `obs`, or each
  // profile's from the first level of its row, the rest of the row fill.
  void writeSamples(Spool& spool, std::size_t samples) {
    if (ragged_) {
      writeSampleRun(spool, samples);
      return;
    }
    const std::size_t rows = rowSizes_.size();
    const std::size_t width = levels_;
    const std::size_t rowsPerBlock = std::max<std::size_t>(1, kSampleBlock / width);
    std::vector<SampleValues> row;
    for (std::size_t start = 0; start < rows; start += rowsPerBlock) {
      const std::size_t count = std::min(rowsPerBlock, rows - start);
      depths_.assign(count * width, kNetcdfFillFloat);
      temperatures_.assign(count * width, kNetcdfFillFloat);
      depthFlags_.assign(count * width, NC_FILL_BYTE);
      temperatureFlags_.assign(count * width, NC_FILL_BYTE);
      for (std::size_t i = 0; i < count; ++i) {
        row.resize(rowSizes_[start + i]);
        readOrThrow(spool, row.data(), row.size() * sizeof(SampleValues));
        for (std::size_t k = 0; k < row.size(); ++k) place(i * width + k, row[k]);
      }
      const std::size_t at[2] = {start, 0};
      const std::size_t span[2] = {count, width};
      putSamples(at, span);
    }
  }

 private:
  static void readOrThrow(Spool& spool, void* data, std::size_t size) {
    if (!spool.read(data, size)) throw NetcdfError{NC_EIO};
  }

  void place(std::size_t at, const SampleValues& sample) {
    depths_[at] = sample.depth;
    temperatures_[at] = sample.temperature;
    depthFlags_[at] = sample.depthQc;
    temperatureFlags_[at] = sample.temperatureQc;
  }

  void putSamples(const std::size_t* at, const std::size_t* span) const {
    check(nc_.put_vara_float(ncid_, depthId_, at, span, depths_.data()));
    check(nc_.put_vara_float(ncid_, temperatureId_, at, span, temperatures_.data()));
    check(nc_.put_vara_schar(ncid_, depthQcId_, at, span, depthFlags_.data()));
    check(nc_.put_vara_schar(ncid_, temperatureQcId_, at, span, temperatureFlags_.data()));
  }

  // The ragged array's samples, `kSampleBlock` at a time.
  void writeSampleRun(Spool& spool, std::size_t samples) {
    std::vector<SampleValues> block;
    for (std::size_t start = 0; start < samples; start += kSampleBlock) {
      const std::size_t count = std::min(kSampleBlock, samples - start);
      block.resize(count);
      readOrThrow(spool, block.data(), count * sizeof(SampleValues));
      depths_.resize(count);
      temperatures_.resize(count);
      depthFlags_.resize(count);
      temperatureFlags_.resize(count);
      for (std::size_t i = 0; i < count; ++i) place(i, block[i]);
      putSamples(&start, &count);
    }
  }

  void text(int varid, const char* name, const std::string& value) const {
    check(nc_.put_att_text(ncid_, varid, name, value.size(), value.c_str()));
  }

  void attribute(int varid, const CollectionSummary::Attribute& a) const {
    if (a.number) {
      check(nc_.put_att(ncid_, varid, a.name.c_str(), NC_DOUBLE, 1, &*a.number));
    } else {
      text(varid, a.name.c_str(), a.text);
    }
  }

  // A number attribute in the variable's own type, as CF asks of
  // _FillValue, valid ranges and flag values.
  void typed(int varid, const char* name, nc_type type, const std::vector<double>& values) const {
    // Each value is converted to the variable's type only: a float fill
    // value has no byte, short or int form.
    const auto put = [&]<typename Number>(Number /*type*/) {
      std::vector<Number> converted(values.begin(), values.end());
      check(nc_.put_att(ncid_, varid, name, type, converted.size(), converted.data()));
    };
    if (type == NC_BYTE) put(static_cast<signed char>(0));
    if (type == NC_SHORT) put(short{0});
    if (type == NC_INT) put(0);
    if (type == NC_FLOAT) put(0.0F);
    if (type == NC_DOUBLE) put(0.0);
  }

  void flags(int varid, nc_type type, const NetcdfFlags& flags) const {
    const std::vector<double> values(flags.values.begin(), flags.values.end());
    typed(varid, flags.masks ? "flag_masks" : "flag_values", type, values);
    text(varid, "flag_meanings", flags.meanings);
  }

  void validRange(int varid, nc_type type, double low, double high) const {
    typed(varid, "valid_min", type, {low});
    typed(varid, "valid_max", type, {high});
  }

  // What a measurement is of: where and when, on which ship, by which
  // instrument.
  void measured(int varid, const char* coordinates, const char* instrument) const {
    text(varid, "coordinates", coordinates);
    text(varid, "grid_mapping", "crs");
    text(varid, "platform", "platform");
    if (*instrument != '\0') text(varid, "instrument", instrument);
  }

  int defineNumber(const ProfileVariable& v) {
    int varid = 0;
    check(nc_.def_var(ncid_, v.name, v.type, 1, &profile_, &varid));
    if (*v.standardName != '\0') text(varid, "standard_name", v.standardName);
    text(varid, "long_name", v.longName);
    if (*v.units != '\0') text(varid, "units", v.units);
    text(varid, "coverage_content_type", v.content);
    if (v.fillable) typed(varid, "_FillValue", v.type, {fillValueOf(v.type)});
    if (v.validRange) validRange(varid, v.type, v.validRange->first, v.validRange->second);
    if (v.flags != nullptr) flags(varid, v.type, *v.flags);
    if (*v.references != '\0') text(varid, "references", v.references);
    const std::string name = v.name;
    if (name == "time") {
      text(varid, "axis", "T");
      // The seconds count days of the Gregorian calendar back to year 0,
      // as the message's date fields do, also before its adoption in 1582.
      text(varid, "calendar", "proleptic_gregorian");
    } else if (name == "latitude" || name == "longitude") {
      text(varid, "axis", name == "latitude" ? "Y" : "X");
    }
    if (isMeasurement(v)) {
      measured(varid, "time latitude longitude", v.instrument);
      text(varid, "source", "the ship's XBT message");
      text(varid, "references",
           std::string(kManualOnCodes) + ", BUFR Table B element " + v.element);
      if (*v.cellMethods != '\0') text(varid, "cell_methods", v.cellMethods);
    }
    if (*v.ancillary != '\0') text(varid, "ancillary_variables", v.ancillary);
    return varid;
  }

  void defineSamples() {
    const int dimensions[2] = {profile_, samples_};
    const int rank = ragged_ ? 1 : 2;
    const int* dims = ragged_ ? &samples_ : dimensions;
    check(nc_.def_var(ncid_, "depth", NC_FLOAT, rank, dims, &depthId_));
    text(depthId_, "standard_name", "depth");
    text(depthId_, "long_name", "depth of the sample");
    text(depthId_, "units", "m");
    text(depthId_, "positive", "down");
    text(depthId_, "axis", "Z");
    text(depthId_, "coverage_content_type", "coordinate");
    typed(depthId_, "_FillValue", NC_FLOAT, {kNetcdfFillFloat});
    validRange(depthId_, NC_FLOAT, kDepthRange.first, kDepthRange.second);
    text(depthId_, "comment",
         "Depths as the message gives them, or, where depth_source is fall_rate, derived from "
         "the probe's fall rate z = a t + b t^2 with the profile's fall_rate_a and fall_rate_b "
         "(WMO common code table C-3) at t = i / sample_rate seconds for sample i (from 0), "
         "rounded to the centimetre.");
    text(depthId_, "ancillary_variables", "depth_qc");
    check(nc_.def_var(ncid_, "temperature", NC_FLOAT, rank, dims, &temperatureId_));
    text(temperatureId_, "standard_name", "sea_water_temperature");
    text(temperatureId_, "long_name", "sea water temperature");
    text(temperatureId_, "units", "degree_Celsius");
    text(temperatureId_, "coverage_content_type", "physicalMeasurement");
    typed(temperatureId_, "_FillValue", NC_FLOAT, {kNetcdfFillFloat});
    validRange(temperatureId_, NC_FLOAT, -4, 40.95);
    text(temperatureId_, "reference_scale", "ITS-90");
    std::string coordinates = "time latitude longitude depth";
    for (const ProfileVariable& v : profileVariables()) {
      if (v.profileCoordinate) coordinates += std::string(" ") + v.name;
    }
    measured(temperatureId_, coordinates.c_str(), "instrument");
    text(temperatureId_, "source", "expendable bathythermograph (XBT) probe");
    text(temperatureId_, "references",
         std::string(kManualOnCodes) + ", BUFR Table B element 0 22 042");
    text(temperatureId_, "cell_methods",
         "time: point latitude: point longitude: point depth: point");
    text(temperatureId_, "ancillary_variables", "temperature_qc");
    const auto flagVariable = [&](const char* name, const char* standardName,
                                  const char* longName) {
      int varid = 0;
      check(nc_.def_var(ncid_, name, NC_BYTE, rank, dims, &varid));
      text(varid, "standard_name", standardName);
      text(varid, "long_name", longName);
      text(varid, "coverage_content_type", "qualityInformation");
      validRange(varid, NC_BYTE, 0, 9);
      flags(varid, NC_BYTE, qcFlagScale());
      text(varid, "references", kGtsppQcManual);
      return varid;
    };
    depthQcId_ = flagVariable("depth_qc", "depth status_flag", "quality of the depth");
    temperatureQcId_ = flagVariable("temperature_qc", "sea_water_temperature status_flag",
                                    "quality of the temperature");
  }

  // The scalar containers: the coordinate reference system of the
  // positions (WGS 84, as GPS gives them), the ships and the probes.
  void defineContainers(const CollectionSummary& summary) {
    check(nc_.def_var(ncid_, "crs", NC_INT, 0, nullptr, &containerIds_[0]));
    text(containerIds_[0], "long_name", "coordinate reference system of the positions (WGS 84)");
    text(containerIds_[0], "grid_mapping_name", "latitude_longitude");
    text(containerIds_[0], "epsg_code", "EPSG:4326");
    const double semiMajorAxis = 6378137.0;
    const double inverseFlattening = 298.257223563;
    check(nc_.put_att(ncid_, containerIds_[0], "semi_major_axis", NC_DOUBLE, 1, &semiMajorAxis));
    check(nc_.put_att(ncid_, containerIds_[0], "inverse_flattening", NC_DOUBLE, 1,
                      &inverseFlattening));
    check(nc_.def_var(ncid_, "platform", NC_INT, 0, nullptr, &containerIds_[1]));
    for (const CollectionSummary::Attribute& a : summary.platformAttributes()) {
      attribute(containerIds_[1], a);
    }
    check(nc_.def_var(ncid_, "instrument", NC_INT, 0, nullptr, &containerIds_[2]));
    for (const CollectionSummary::Attribute& a : summary.instrumentAttributes()) {
      attribute(containerIds_[2], a);
    }
  }

 public:
  // The containers hold no data; a value is written all the same, as
  // nothing is filled in.
  void writeContainers() const {
    const int nothing = 0;
    const std::size_t origin[1] = {0};
    for (const int varid : containerIds_) {
      check(nc_.put_vara_int(ncid_, varid, origin, origin, &nothing));
    }
  }

 private:
  const NetcdfLibrary& nc_;
  int ncid_;
  bool ragged_;
  int profile_ = 0;
  int samples_ = 0;  // obs, or z
  std::size_t levels_ = 0;
  std::vector<int> numberIds_;
  std::vector<int> textIds_;
  std::vector<std::size_t> textLengths_;
  std::vector<std::uint32_t> rowSizes_;  // of the incomplete array's profiles
  int rowSizeId_ = 0;
  int depthId_ = 0;
  int temperatureId_ = 0;
  int depthQcId_ = 0;
  int temperatureQcId_ = 0;
  int containerIds_[3] = {0, 0, 0};
  std::vector<float> depths_;
  std::vector<float> temperatures_;
  std::vector<signed char> depthFlags_;
  std::vector<signed char> temperatureFlags_;
};

}  // namespace

struct NetcdfCollection::Spooled {
  Spooled(const std::string& besidePath, std::string root, std::size_t bound)
      : profiles(besidePath, bound),
        samples(besidePath, bound),
        idRoot(std::move(root)),
        beside(besidePath),
        memoryBound(bound) {}
  Spool profiles;
  Spool samples;
  CollectionSummary summary;
  std::vector<std::size_t> textLengths = std::vector<std::size_t>(textVariables().size(), 1);
  std::vector<double> record;
  std::vector<SampleValues> sampleValues;  // of the observation in hand
  std::string idRoot;
  std::string beside;
  std::size_t memoryBound;
  // The ids given so far, as hashes: ids stay unique in a file whatever
  // paths the caller gave.
  std::unordered_set<std::uint64_t> ids;
  // Where each profile is in the spools, and what it is ordered by: its
  // time (none last), then its id. Profiles come in the order they were
  // read, which may be any; the file has them in time order, whatever the
  // inputs' names or the number of threads.
  struct Entry {
    double time;
    std::string id;
    std::uint64_t profileAt, profileSize, sampleAt;
    std::uint32_t rows;
  };
  std::vector<Entry> entries;
  bool inOrder = true;

  static bool before(const Entry& a, const Entry& b) {
    const bool aTimed = !std::isnan(a.time);
    const bool bTimed = !std::isnan(b.time);
    if (aTimed != bTimed) return aTimed;
    if (aTimed && a.time != b.time) return a.time < b.time;
    return a.id < b.id;
  }

  std::string uniqueId(const Observation& observation) {
    std::string id = profileId(idRoot, observation);
    const std::hash<std::string> hash;
    if (ids.insert(hash(id)).second) return id;
    for (int repeat = 2;; ++repeat) {
      std::string other = id + "#" + std::to_string(repeat);
      if (ids.insert(hash(other)).second) return other;
    }
  }
};

NetcdfCollection::NetcdfCollection(const std::string& beside, const std::string& idRoot,
                                   std::size_t memoryBound)
    : spooled_(std::make_unique<Spooled>(beside, idRoot, std::max<std::size_t>(memoryBound, 1))) {}

NetcdfCollection::~NetcdfCollection() = default;

std::size_t NetcdfCollection::size() const { return spooled_->summary.profiles(); }

void NetcdfCollection::add(const Observation& observation) {
  Spooled& s = *spooled_;
  s.summary.add(observation);
  const std::vector<ProfileVariable>& variables = profileVariables();
  const auto rowSize = static_cast<std::uint32_t>(observation.profile.samples.size());
  s.profiles.append(&rowSize, sizeof rowSize);
  s.record.resize(variables.size());
  for (std::size_t v = 0; v < variables.size(); ++v) {
    s.record[v] = valueOrFill(variables[v], observation);
  }
  s.profiles.append(s.record.data(), s.record.size() * sizeof(double));
  const std::string id = s.uniqueId(observation);
  static const std::size_t timeVariable = static_cast<std::size_t>(
      std::find_if(variables.begin(), variables.end(),
                   [](const ProfileVariable& v) { return std::string_view(v.name) == "time"; }) -
      variables.begin());
  double time = std::nan("");
  if (timeVariable < variables.size() &&
      s.record[timeVariable] != fillValueOf(variables[timeVariable].type)) {
    time = s.record[timeVariable];
  }
  Spooled::Entry entry{time,
                       id,
                       s.profiles.size() - sizeof rowSize - s.record.size() * sizeof(double),
                       0,
                       s.samples.size(),
                       rowSize};
  const std::vector<TextVariable>& texts = textVariables();
  for (std::size_t t = 0; t < texts.size(); ++t) {
    const std::optional<std::string> value = texts[t].value(observation, id);
    const std::string utf8 = value ? utf8Text(*value) : std::string();
    const auto length = static_cast<std::uint32_t>(utf8.size());
    s.profiles.append(&length, sizeof length);
    s.profiles.append(utf8.data(), utf8.size());
    s.textLengths[t] = std::max<std::size_t>(s.textLengths[t], utf8.size());
  }
  s.sampleValues.clear();
  for (const Sample& sample : observation.profile.samples) {
    s.sampleValues.push_back(
        {unitsOrFill(sample.depthHundredths), unitsOrFill(sample.temperatureHundredths),
         static_cast<signed char>(sample.depthQc), static_cast<signed char>(sample.temperatureQc)});
  }
  s.samples.append(s.sampleValues.data(), s.sampleValues.size() * sizeof(SampleValues));
  entry.profileSize = s.profiles.size() - entry.profileAt;
  if (!s.entries.empty() && Spooled::before(entry, s.entries.back())) s.inOrder = false;
  s.entries.push_back(std::move(entry));
}

bool NetcdfCollection::write(const std::string& path, const NetcdfOptions& options,
                             std::string& error) {
  Spooled& s = *spooled_;
  if (s.summary.profiles() == 0) {
    error = "no profiles to write";
    return false;
  }
  const NetcdfLibrary* const nc = netcdfLibrary(error);
  if (nc == nullptr || !s.profiles.rewind(error) || !s.samples.rewind(error)) return false;
  Spool* profiles = &s.profiles;
  Spool* samples = &s.samples;
  std::unique_ptr<Spool> sortedProfiles;
  std::unique_ptr<Spool> sortedSamples;
  if (!s.inOrder) {
    // Copied again in time order, through spools of their own as bounded.
    std::vector<const Spooled::Entry*> order;
    order.reserve(s.entries.size());
    for (const Spooled::Entry& entry : s.entries) order.push_back(&entry);
    std::stable_sort(order.begin(), order.end(),
                     [](const auto* a, const auto* b) { return Spooled::before(*a, *b); });
    sortedProfiles = std::make_unique<Spool>(s.beside, s.memoryBound);
    sortedSamples = std::make_unique<Spool>(s.beside, s.memoryBound);
    std::vector<char> bytes;
    for (const Spooled::Entry* entry : order) {
      bytes.resize(std::max<std::size_t>(entry->profileSize, entry->rows * sizeof(SampleValues)));
      const std::size_t sampleSize = entry->rows * sizeof(SampleValues);
      if (!s.profiles.readAt(entry->profileAt, bytes.data(), entry->profileSize)) {
        error = "cannot read back the spooled profiles";
        return false;
      }
      sortedProfiles->append(bytes.data(), entry->profileSize);
      if (!s.samples.readAt(entry->sampleAt, bytes.data(), sampleSize)) {
        error = "cannot read back the spooled samples";
        return false;
      }
      sortedSamples->append(bytes.data(), sampleSize);
    }
    if (!sortedProfiles->rewind(error) || !sortedSamples->rewind(error)) return false;
    profiles = sortedProfiles.get();
    samples = sortedSamples.get();
  }
  // The netCDF-C library is not safe to call from two threads at once.
  static std::mutex libraryInUse;
  const std::lock_guard<std::mutex> guard(libraryInUse);
  int ncid = -1;
  try {
    std::size_t chunk = std::size_t{1} << 20;
    check(nc->create(path.c_str(), NC_CLOBBER | NC_64BIT_OFFSET, 0, &chunk, &ncid));
    Writer writer(*nc, ncid, options.layout);
    writer.define(s.summary, s.textLengths, options);
    writer.writeProfiles(*profiles, s.summary.profiles());
    writer.writeSamples(*samples, s.summary.samples());
    writer.writeContainers();
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
