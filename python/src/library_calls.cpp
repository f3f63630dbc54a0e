#include "library_calls.h"

#include <xbtconv/formats.h>
#include <xbtconv/reading.h>

#include <stdexcept>
#include <utility>

#include "observation_object.h"

namespace py = pybind11;

namespace xbtconv::python {

py::object readWithLibrary(const std::string& path, const std::optional<std::string_view>& content,
                           const ReadArguments& arguments) {
  ReadOptions options;
  options.qualityControl = arguments.qualityControl;
  options.now = arguments.now;
  options.sampleRateHz = arguments.sampleRateHz;
  ReadResult read;
  {
    const py::gil_scoped_release unlocked;
    read = content ? readMessage(reinterpret_cast<const std::uint8_t*>(content->data()),
                                 content->size(), path, options)
                   : readMessageFile(path, options);
  }
  if (!read.observation) {
    const bool notMessage = read.status.code() == Status::Code::kNotAMessage;
    return py::cast(PyFailure{path, notMessage ? "not_a_message" : "unreadable",
                              read.status.message(), read.status.systemError()});
  }
  return py::cast(PyObservation{std::move(*read.observation), read.status.message(), {}});
}

void writeNetcdfWithLibrary(const std::string& path, const std::vector<Observation>& observations,
                            const std::string& history) {
  NetcdfOptions options;
  options.history = history;
  Status written;
  {
    const py::gil_scoped_release unlocked;
    written = writeNetcdf(path, observations, options);
  }
  if (!written.ok()) throw std::runtime_error(written.message());
}

}  // namespace xbtconv::python
