// The module's calls into the library's reading and netCDF writing, each
// in one place, with the library's results turned into Python's: an
// Observation or a Failure for a read, an exception for a file that could
// not be written. A change in how the library reports its results is met
// here alone.
#ifndef XBTCONV_PYTHON_LIBRARY_CALLS_H_
#define XBTCONV_PYTHON_LIBRARY_CALLS_H_

#include <pybind11/pybind11.h>
#include <xbtconv/observation.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace xbtconv::python {

/// How to read, as the Python functions take it (checked there).
struct ReadArguments {
  bool qualityControl = true;
  std::optional<std::int64_t> now;  // seconds since 1970-01-01T00:00Z; none: the system's clock
  double sampleRateHz = kDefaultSampleRateHz;
};

/// Reads the message file `path` (a file name's bytes) or, when `content`
/// is given, that message, whose file name `path` is: an Observation, or a
/// Failure with the path and the reason.
pybind11::object readWithLibrary(const std::string& path,
                                 const std::optional<std::string_view>& content,
                                 const ReadArguments& arguments);

/// Writes `observations` as one CF-netCDF file at `path` (a file name's
/// bytes); raises RuntimeError with the reason when it cannot.
void writeNetcdfWithLibrary(const std::string& path, const std::vector<Observation>& observations,
                            const std::string& history);

}  // namespace xbtconv::python

#endif  // XBTCONV_PYTHON_LIBRARY_CALLS_H_
