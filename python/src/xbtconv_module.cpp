// The native part of the Python module: the library's reading, quality
// control and formats, with each observation as a Python object whose
// attributes carry the JSON export's names and whose samples are numpy
// arrays. The public API is used as any other program would use it, and
// beside it only the library's table of the observation's fields, which the
// JSON export is written from too. The arguments arrive checked by the
// package's Python functions.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <xbtconv/xbtconv.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "file_names.h"
#include "library_calls.h"
#include "observation_object.h"

namespace py = pybind11;
using xbtconv::python::fileNameBytes;
using xbtconv::python::PyObservation;
using xbtconv::python::ReadArguments;

PYBIND11_MODULE(_xbtconv, m) {
  m.doc() = "The native part of xbtconv: see the xbtconv package.";
  m.attr("__version__") = XBTCONV_VERSION_TEXT;
  m.attr("netcdf_available") = xbtconv::netcdfAvailable();
  xbtconv::python::defineObservationTypes(m);

  m.def(
      "read_path",
      [](const py::object& path, bool qc, std::optional<std::int64_t> now, double rate) {
        return xbtconv::python::readWithLibrary(fileNameBytes(path), std::nullopt,
                                                ReadArguments{qc, now, rate});
      },
      py::arg("path"), py::arg("qc"), py::arg("now"), py::arg("sample_rate_hz"));
  m.def(
      "read_bytes",
      [](const py::bytes& data, const py::object& name, bool qc, std::optional<std::int64_t> now,
         double rate) {
        return xbtconv::python::readWithLibrary(fileNameBytes(name), std::string_view(data),
                                                ReadArguments{qc, now, rate});
      },
      py::arg("data"), py::arg("name"), py::arg("qc"), py::arg("now"), py::arg("sample_rate_hz"));
  m.def(
      "list_message_files",
      [](const py::object& path, bool recursive) {
        py::list entries;
        for (const xbtconv::MessageFileEntry& entry :
             xbtconv::listMessageFiles(fileNameBytes(path), recursive)) {
          entries.append(py::make_tuple(py::bytes(entry.path),
                                        xbtconv::python::messageText(entry.status.message())));
        }
        return entries;
      },
      py::arg("path"), py::arg("recursive"));
  m.def(
      "write_netcdf",
      [](const py::object& path, const std::vector<const PyObservation*>& items,
         const std::string& history) {
        std::vector<xbtconv::Observation> observations;
        observations.reserve(items.size());
        for (const PyObservation* item : items) observations.push_back(item->observation);
        xbtconv::python::writeNetcdfWithLibrary(fileNameBytes(path), observations, history);
      },
      py::arg("path"), py::arg("observations"), py::arg("history"));
  m.def(
      "parse_time", [](const std::string& text) { return xbtconv::parseTime(text); },
      py::arg("text"),
      "Seconds since 1970-01-01T00:00Z of ISO 8601 text as xbt's --now takes it; None for "
      "text it refuses.");
  m.def(
      "netcdf_usability",
      [](const PyObservation& observation) {
        return xbtconv::python::messageText(
            xbtconv::netcdfUsability(observation.observation).message());
      },
      py::arg("observation"),
      "Why the observation is left out of a netCDF file unless kept (\"no position\"); \"\" "
      "when nothing is.");
  m.def("fields", &xbtconv::python::fieldTable,
        "The observation's fields in the JSON export's order: (group or None, whether the "
        "group may be None, key, type, whether the field may be None, description).");
}
