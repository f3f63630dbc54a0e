// The native part of the Python module: the library's reading, quality
// control and formats, with each observation as a Python object whose
// attributes carry the JSON export's names and whose samples are numpy
// arrays. Only the public API is used, as any other program would.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <xbtconv/xbtconv.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace py = pybind11;

namespace {

using xbtconv::Observation;
using xbtconv::Sample;

// A read that gave an observation, with the reason when it is not whole.
struct PyObservation {
  Observation observation;
  std::string reason;
};

// A read that gave none.
struct PyFailure {
  std::string path;
  std::string status;  // "not_a_message" or "unreadable"
  std::string reason;
};

template <typename T>
py::object optional(const std::optional<T>& value) {
  return value ? py::cast(*value) : py::none();
}

py::object hundredthsArray(const std::vector<Sample>& samples,
                           std::optional<std::int32_t> Sample::*member) {
  py::array_t<double> array(static_cast<py::ssize_t>(samples.size()));
  double* out = array.mutable_data();
  for (const Sample& sample : samples) {
    const std::optional<std::int32_t>& value = sample.*member;
    *out++ = value ? *value / 100.0 : std::numeric_limits<double>::quiet_NaN();
  }
  return std::move(array);
}

py::object flagArray(const std::vector<Sample>& samples, std::uint8_t Sample::*member) {
  py::array_t<std::uint8_t> array(static_cast<py::ssize_t>(samples.size()));
  std::uint8_t* out = array.mutable_data();
  for (const Sample& sample : samples) *out++ = sample.*member;
  return std::move(array);
}

// A group of named values, read as attributes (obs.ship.name).
py::object group(py::dict values) {
  // Kept for the life of the process: a static object's destructor would
  // run after the interpreter is gone.
  static const auto* const simpleNamespace =
      new py::object(py::module_::import("types").attr("SimpleNamespace"));
  return (*simpleNamespace)(**values);
}

xbtconv::ReadOptions readOptions(bool qc, std::optional<std::string> now, double sampleRateHz) {
  xbtconv::ReadOptions options;
  options.qualityControl = qc;
  options.sampleRateHz = sampleRateHz;
  if (!(std::isfinite(sampleRateHz) && sampleRateHz > 0)) {
    throw py::value_error("sample_rate_hz must be a finite number above 0");
  }
  if (now) {
    const py::object parsed =
        py::module_::import("datetime")
            .attr("datetime")
            .attr("fromisoformat")(now->back() == 'Z' ? now->substr(0, now->size() - 1) : *now);
    const py::object utc = py::module_::import("datetime").attr("timezone").attr("utc");
    options.now = py::int_(parsed.attr("replace")(py::arg("tzinfo") = utc).attr("timestamp")())
                      .cast<std::int64_t>();
  }
  return options;
}

py::object resultOf(xbtconv::ReadResult&& read, const std::string& path) {
  if (!read.observation) {
    const bool notMessage = read.status.code() == xbtconv::Status::Code::kNotAMessage;
    return py::cast(
        PyFailure{path, notMessage ? "not_a_message" : "unreadable", read.status.message()});
  }
  return py::cast(PyObservation{std::move(*read.observation), read.status.message()});
}

py::object readPath(const std::string& path, bool qc, std::optional<std::string> now,
                    double sampleRateHz) {
  const xbtconv::ReadOptions options = readOptions(qc, std::move(now), sampleRateHz);
  xbtconv::ReadResult read;
  {
    const py::gil_scoped_release unlocked;
    read = xbtconv::readMessageFile(path, options);
  }
  return resultOf(std::move(read), path);
}

py::object readBytes(const py::bytes& bytes, const std::string& name, bool qc,
                     std::optional<std::string> now, double sampleRateHz) {
  const std::string_view view = bytes;
  return resultOf(
      xbtconv::readMessage(reinterpret_cast<const std::uint8_t*>(view.data()), view.size(), name,
                           readOptions(qc, std::move(now), sampleRateHz)),
      name);
}

py::dict shipOf(const Observation& o) {
  py::dict d;
  d["name"] = optional(o.ship.name);
  d["call_sign"] = optional(o.ship.callSign);
  d["imo_number"] = optional(o.ship.imoNumber);
  d["soop_line"] = optional(o.ship.soopLine);
  d["transect_number"] = optional(o.ship.transectNumber);
  d["heading_deg"] = optional(o.ship.headingDeg);
  d["speed_m_s"] = optional(o.ship.speedMs);
  return d;
}

py::dict probeOf(const Observation& o) {
  const Observation::Probe& p = o.probe;
  py::dict d;
  d["code"] = optional(p.code);
  d["name"] = optional(p.name);
  d["serial_number"] = optional(p.serialNumber);
  d["fall_rate_a_m_s"] = optional(p.fallRateA);
  d["fall_rate_b_m_s2"] = optional(p.fallRateB);
  d["fall_rate_source"] = optional(p.fallRateSource);
  d["max_depth_m"] = optional(p.maxDepthM);
  d["recorder_code"] = optional(p.recorderCode);
  d["recorder_name"] = optional(p.recorderName);
  d["software_version"] = optional(p.softwareVersion);
  d["unique_tag"] = optional(p.uniqueTag);
  d["sequence_number"] = optional(p.sequenceNumber);
  d["launch_height_m"] = optional(p.launchHeightM);
  return d;
}

py::dict surfaceOf(const Observation& o) {
  const Observation::Surface& s = o.surface;
  py::dict d;
  d["wind_instrument_code"] = optional(s.windInstrumentCode);
  d["wind_instrument_name"] = optional(s.windInstrumentName);
  d["wind_direction_deg"] = optional(s.windDirectionDeg);
  d["wind_speed_m_s"] = optional(s.windSpeedMs);
  d["air_temperature_c"] = optional(s.airTemperatureC);
  d["current_method_code"] = optional(s.currentMethodCode);
  d["current_method_name"] = optional(s.currentMethodName);
  d["current_direction_deg"] = optional(s.currentDirectionDeg);
  d["current_speed_m_s"] = optional(s.currentSpeedMs);
  return d;
}

py::object qcOf(const Observation& o) {
  if (!o.qc) return py::none();
  py::dict d;
  d["profile_flag"] = o.qc->profileFlag;
  d["time_flag"] = o.qc->timeFlag;
  d["position_flag"] = o.qc->positionFlag;
  d["tests_performed"] = o.qc->testsPerformed;
  d["tests_failed"] = o.qc->testsFailed;
  d["failed_tests"] = xbtconv::qcTestNames(o.qc->testsFailed);
  return group(d);
}

py::object profileOf(const Observation& o) {
  const Observation::Profile& p = o.profile;
  py::dict d;
  d["layout"] = p.layout ? py::cast(std::string(xbtconv::layoutName(*p.layout))) : py::none();
  d["depth_source"] =
      p.depthSource ? py::cast(std::string(xbtconv::depthSourceName(*p.depthSource))) : py::none();
  d["sample_rate_hz"] =
      p.layout == xbtconv::ProfileLayout::kFullResolution ? py::cast(p.sampleRateHz) : py::none();
  d["depth_m"] = hundredthsArray(p.samples, &Sample::depthHundredths);
  d["temperature_c"] = hundredthsArray(p.samples, &Sample::temperatureHundredths);
  d["depth_qc"] = flagArray(p.samples, &Sample::depthQc);
  d["temperature_qc"] = flagArray(p.samples, &Sample::temperatureQc);
  return group(d);
}

bool writeNetcdfFile(const std::string& path, const std::vector<const PyObservation*>& items,
                     const std::string& history) {
  std::vector<Observation> observations;
  observations.reserve(items.size());
  for (const PyObservation* item : items) observations.push_back(item->observation);
  xbtconv::NetcdfOptions options;
  options.history = history;
  std::string error;
  bool written = false;
  {
    const py::gil_scoped_release unlocked;
    written = xbtconv::writeNetcdf(path, observations, options, error);
  }
  if (!written) throw std::runtime_error(error);
  return true;
}

}  // namespace

PYBIND11_MODULE(_xbtconv, m) {
  m.doc() = "The native part of xbtconv: see the xbtconv package.";
  m.attr("__version__") = XBTCONV_VERSION_TEXT;
  m.attr("netcdf_available") = xbtconv::netcdfAvailable();

  py::class_<PyFailure>(m, "Failure")
      .def(py::init([](std::string path, std::string status, std::string reason) {
             return PyFailure{std::move(path), std::move(status), std::move(reason)};
           }),
           py::arg("path"), py::arg("status"), py::arg("reason"))
      .def_readonly("path", &PyFailure::path)
      .def_readonly("status", &PyFailure::status)
      .def_readonly("reason", &PyFailure::reason)
      .def("__bool__", [](const PyFailure&) { return false; })
      .def("__repr__",
           [](const PyFailure& f) { return "<xbtconv.Failure " + f.path + ": " + f.reason + ">"; });

  py::class_<PyObservation>(m, "Observation")
      .def_property_readonly("source", [](const PyObservation& p) { return p.observation.source; })
      .def_property_readonly("path", [](const PyObservation& p) { return p.observation.path; })
      .def_property_readonly("kind", [](const PyObservation& p) { return p.observation.kind; })
      .def_property_readonly("decoded",
                             [](const PyObservation& p) { return p.observation.decoded; })
      .def_property_readonly("reason", [](const PyObservation& p) { return p.reason; })
      .def_property_readonly("stop_bit",
                             [](const PyObservation& p) { return optional(p.observation.stopBit); })
      .def_property_readonly("time",
                             [](const PyObservation& p) {
                               const std::string text = xbtconv::timeText(p.observation);
                               return text.empty() ? py::none() : py::cast(text);
                             })
      .def_property_readonly("time_fields",
                             [](const PyObservation& p) {
                               const Observation::Time& t = p.observation.time;
                               py::dict d;
                               d["year"] = optional(t.year);
                               d["month"] = optional(t.month);
                               d["day"] = optional(t.day);
                               d["hour"] = optional(t.hour);
                               d["minute"] = optional(t.minute);
                               return d;
                             })
      .def_property_readonly(
          "latitude", [](const PyObservation& p) { return optional(p.observation.latitude); })
      .def_property_readonly(
          "longitude", [](const PyObservation& p) { return optional(p.observation.longitude); })
      .def_property_readonly("ship",
                             [](const PyObservation& p) { return group(shipOf(p.observation)); })
      .def_property_readonly("probe",
                             [](const PyObservation& p) { return group(probeOf(p.observation)); })
      .def_property_readonly("surface",
                             [](const PyObservation& p) { return group(surfaceOf(p.observation)); })
      .def_property_readonly(
          "bottom_depth_m",
          [](const PyObservation& p) { return optional(p.observation.bottomDepthM); })
      .def_property_readonly("qc", [](const PyObservation& p) { return qcOf(p.observation); })
      .def_property_readonly("profile",
                             [](const PyObservation& p) { return profileOf(p.observation); })
      .def_property_readonly("depth_m",
                             [](const PyObservation& p) {
                               return hundredthsArray(p.observation.profile.samples,
                                                      &Sample::depthHundredths);
                             })
      .def_property_readonly("temperature_c",
                             [](const PyObservation& p) {
                               return hundredthsArray(p.observation.profile.samples,
                                                      &Sample::temperatureHundredths);
                             })
      .def_property_readonly("depth_qc",
                             [](const PyObservation& p) {
                               return flagArray(p.observation.profile.samples, &Sample::depthQc);
                             })
      .def_property_readonly("temperature_qc",
                             [](const PyObservation& p) {
                               return flagArray(p.observation.profile.samples,
                                                &Sample::temperatureQc);
                             })
      .def("to_json", [](const PyObservation& p) { return xbtconv::toJson(p.observation); })
      .def("to_dict",
           [](const PyObservation& p) {
             static const auto* const loads =
                 new py::object(py::module_::import("json").attr("loads"));
             return (*loads)(xbtconv::toJson(p.observation));
           })
      .def(
          "to_csv",
          [](const PyObservation& p, bool header) {
            return (header ? xbtconv::csvHeader() : std::string()) + xbtconv::toCsv(p.observation);
          },
          py::arg("header") = true)
      .def(
          "to_bufr",
          [](const PyObservation& p, int centre, int subcentre) {
            xbtconv::BufrOptions options;
            options.centre = centre;
            options.subcentre = subcentre;
            return py::bytes(xbtconv::toBufr(p.observation, options));
          },
          py::arg("centre") = 65535, py::arg("subcentre") = 0)
      .def("to_svg", [](const PyObservation& p) { return xbtconv::toSvg(p.observation); })
      .def("__bool__", [](const PyObservation&) { return true; })
      .def("__repr__", [](const PyObservation& p) {
        return "<xbtconv.Observation " + p.observation.source + ", kind " +
               std::to_string(p.observation.kind) + ", " +
               std::to_string(p.observation.profile.samples.size()) + " samples" +
               (p.observation.decoded ? "" : ", cut short") + ">";
      });

  m.def("read_path", &readPath, py::arg("path"), py::arg("qc"), py::arg("now"),
        py::arg("sample_rate_hz"));
  m.def("read_bytes", &readBytes, py::arg("data"), py::arg("name"), py::arg("qc"), py::arg("now"),
        py::arg("sample_rate_hz"));
  m.def(
      "list_message_files",
      [](const std::string& path, bool recursive) {
        std::vector<std::pair<std::string, std::string>> entries;
        for (xbtconv::MessageFileEntry& entry : xbtconv::listMessageFiles(path, recursive)) {
          entries.emplace_back(std::move(entry.path), entry.status.message());
        }
        return entries;
      },
      py::arg("path"), py::arg("recursive"));
  m.def("write_netcdf", &writeNetcdfFile, py::arg("path"), py::arg("observations"),
        py::arg("history"));
}
