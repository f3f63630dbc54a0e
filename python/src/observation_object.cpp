#include "observation_object.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>
#include <xbtconv/formats.h>
#include <xbtconv/qc.h>

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>
#include <utility>

#include "file_names.h"
#include "profile/observation_fields.h"

namespace py = pybind11;

namespace xbtconv::python {
namespace {

// A group of fields as Python has it: a named tuple type with a field per
// field of the group.
struct GroupType {
  const FieldGroup* group;
  py::object type;
  std::vector<const ObservationField*> fields;
};

// Made when the module loads and kept for the life of the process: a
// static object's destructor would run after the interpreter is gone.
std::vector<GroupType>& groupTypes() {
  static auto* const types = new std::vector<GroupType>();
  return *types;
}

bool perSample(const ObservationField& field) {
  return field.type == FieldType::kHundredths || field.type == FieldType::kFlags;
}

// "time_fields" -> "TimeFields".
std::string typeName(std::string_view key) {
  std::string name;
  bool upper = true;
  for (const char c : key) {
    if (c == '_') {
      upper = true;
    } else {
      name += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
      upper = false;
    }
  }
  return name;
}

const char* typeWord(FieldType type) {
  switch (type) {
    case FieldType::kFileName:
      return "file_name";
    case FieldType::kText:
      return "text";
    case FieldType::kInteger:
      return "integer";
    case FieldType::kNumber:
      return "number";
    case FieldType::kBoolean:
      return "boolean";
    case FieldType::kTime:
      return "time";
    case FieldType::kTestNames:
      return "test_names";
    case FieldType::kHundredths:
      return "hundredths";
    case FieldType::kFlags:
      return "flags";
  }
  return "";
}

py::object steal(PyObject* object) {
  if (object == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::object>(object);
}

py::object messageTextValue(std::string_view bytes) {
  // Nearly every text is valid UTF-8, which the data files keep as it is.
  if (PyObject* text =
          PyUnicode_DecodeUTF8(bytes.data(), static_cast<Py_ssize_t>(bytes.size()), nullptr)) {
    return py::reinterpret_steal<py::object>(text);
  }
  PyErr_Clear();
  const std::string utf8 = dataFileText(bytes);
  return steal(PyUnicode_DecodeUTF8(utf8.data(), static_cast<Py_ssize_t>(utf8.size()), nullptr));
}

py::object timeValue(std::int64_t seconds) {
  static const auto* const datetime = new py::object(py::module_::import("datetime"));
  static const auto* const epoch = new py::object(datetime->attr("datetime")(
      1970, 1, 1, py::arg("tzinfo") = datetime->attr("timezone").attr("utc")));
  // datetime holds the years 1 to 9999; a message may send year 0, which
  // numpy's time holds.
  constexpr std::int64_t kFirst = -62135596800;  // 0001-01-01T00:00:00Z
  constexpr std::int64_t kLast = 253402300799;   // 9999-12-31T23:59:59Z
  if (seconds < kFirst || seconds > kLast) {
    return py::module_::import("numpy").attr("datetime64")(seconds, "s");
  }
  return *epoch + datetime->attr("timedelta")(py::arg("seconds") = seconds);
}

py::object readOnly(py::array array) {
  py::detail::array_proxy(array.ptr())->flags &= ~py::detail::npy_api::NPY_ARRAY_WRITEABLE_;
  return std::move(array);
}

py::object sampleValues(const ObservationField& field, const std::vector<Sample>& samples) {
  const auto count = static_cast<py::ssize_t>(samples.size());
  if (field.type == FieldType::kFlags) {
    py::array_t<std::uint8_t> array(count);
    std::uint8_t* out = array.mutable_data();
    const auto member = field.flag;  // held apart from the bytes written
    for (const Sample& sample : samples) *out++ = sample.*member;
    return readOnly(std::move(array));
  }
  py::array_t<double> array(count);
  double* out = array.mutable_data();
  const auto member = field.hundredths;
  for (const Sample& sample : samples) {
    const std::optional<std::int32_t>& value = sample.*member;
    *out++ = value ? *value / 100.0 : std::numeric_limits<double>::quiet_NaN();
  }
  return readOnly(std::move(array));
}

py::object pythonValue(const ObservationField& field, const Observation& observation) {
  if (perSample(field)) return sampleValues(field, observation.profile.samples);
  const FieldValue value = field.get(observation);
  if (!value.present) return py::none();
  switch (field.type) {
    case FieldType::kFileName:
      return fileNameText(std::string(value.text));
    case FieldType::kText:
      return messageTextValue(value.text);
    case FieldType::kInteger:
      return py::int_(value.integer);
    case FieldType::kNumber:
      return py::float_(value.number);
    case FieldType::kBoolean:
      return py::bool_(value.integer != 0);
    case FieldType::kTime:
      return timeValue(value.integer);
    case FieldType::kTestNames: {
      const std::vector<std::string> names = qcTestNames(static_cast<std::uint32_t>(value.integer));
      py::tuple tuple(names.size());
      for (std::size_t i = 0; i < names.size(); ++i) tuple[i] = py::str(names[i]);
      return std::move(tuple);
    }
    case FieldType::kHundredths:
    case FieldType::kFlags:
      break;
  }
  return py::none();
}

py::object groupObject(PyObservation& self, std::size_t index) {
  if (self.groups.empty()) self.groups.resize(groupTypes().size());
  py::object& made = self.groups[index];
  if (!made) {
    const GroupType& type = groupTypes()[index];
    if (type.group->present != nullptr && !type.group->present(self.observation)) {
      made = py::none();
    } else {
      py::tuple values(type.fields.size());
      for (std::size_t i = 0; i < type.fields.size(); ++i) {
        values[i] = pythonValue(*type.fields[i], self.observation);
      }
      // As namedtuple's own _make does, without its Python-level __new__.
      static const auto* const tupleNew = new py::object(
          py::reinterpret_borrow<py::object>(reinterpret_cast<PyObject*>(&PyTuple_Type))
              .attr("__new__"));
      made = (*tupleNew)(type.type, values);
    }
  }
  return made;
}

// Samples travel in a pickle as whole hundredths; none is a number no
// sample holds.
constexpr std::int64_t kNoHundredths = std::numeric_limits<std::int64_t>::min();

py::bytes pickledSamples(const ObservationField& field, const std::vector<Sample>& samples) {
  std::string bytes;
  if (field.type == FieldType::kFlags) {
    for (const Sample& sample : samples) bytes += static_cast<char>(sample.*field.flag);
    return py::bytes(bytes);
  }
  bytes.resize(samples.size() * sizeof(std::int64_t));
  char* out = bytes.data();
  for (const Sample& sample : samples) {
    const std::optional<std::int32_t>& value = sample.*field.hundredths;
    const std::int64_t hundredths = value ? *value : kNoHundredths;
    std::memcpy(out, &hundredths, sizeof hundredths);
    out += sizeof hundredths;
  }
  return py::bytes(bytes);
}

void unpickleSamples(const ObservationField& field, const std::string& bytes,
                     std::vector<Sample>& samples) {
  const std::size_t size = field.type == FieldType::kFlags ? 1 : sizeof(std::int64_t);
  if (samples.empty()) samples.resize(bytes.size() / size);
  if (bytes.size() != samples.size() * size) throw py::value_error("not an Observation's state");
  const char* in = bytes.data();
  for (Sample& sample : samples) {
    if (field.type == FieldType::kFlags) {
      sample.*field.flag = static_cast<std::uint8_t>(*in++);
      continue;
    }
    std::int64_t hundredths = 0;
    std::memcpy(&hundredths, in, sizeof hundredths);
    in += sizeof hundredths;
    sample.*field.hundredths = hundredths == kNoHundredths
                                   ? std::nullopt
                                   : std::optional(static_cast<std::int32_t>(hundredths));
  }
}

// The fields a pickle carries: every one that can be set, and the samples.
bool pickled(const ObservationField& field) { return perSample(field) || field.set != nullptr; }

py::tuple stateOf(const PyObservation& self) {
  const Observation& o = self.observation;
  py::list values;
  for (const ObservationField& field : observationFields()) {
    if (!pickled(field)) continue;
    if (perSample(field)) {
      values.append(pickledSamples(field, o.profile.samples));
      continue;
    }
    const FieldValue value = field.get(o);
    if (!value.present) {
      values.append(py::none());
    } else if (field.type == FieldType::kText || field.type == FieldType::kFileName) {
      values.append(py::bytes(value.text.data(), value.text.size()));
    } else if (field.type == FieldType::kNumber) {
      values.append(py::float_(value.number));
    } else {
      values.append(py::int_(value.integer));
    }
  }
  return py::make_tuple(py::bytes(o.path), py::bytes(self.reason), values);
}

PyObservation fromState(const py::tuple& state) {
  PyObservation self;
  const py::list values = state.size() == 3 ? py::list(state[2]) : py::list();
  std::size_t count = 0;
  for (const ObservationField& field : observationFields()) count += pickled(field) ? 1 : 0;
  if (values.size() != count) throw py::value_error("not an Observation's state");
  Observation& o = self.observation;
  o.path = state[0].cast<std::string>();
  self.reason = state[1].cast<std::string>();
  std::size_t i = 0;
  for (const ObservationField& field : observationFields()) {
    if (!pickled(field)) continue;
    const py::handle value = values[i++];
    if (perSample(field)) {
      unpickleSamples(field, value.cast<std::string>(), o.profile.samples);
      continue;
    }
    if (value.is_none()) continue;
    FieldValue set;
    set.present = true;
    std::string text;
    if (field.type == FieldType::kText || field.type == FieldType::kFileName) {
      text = value.cast<std::string>();
      set.text = text;
    } else if (field.type == FieldType::kNumber) {
      set.number = value.cast<double>();
    } else {
      set.integer = value.cast<std::int64_t>();
    }
    field.set(o, set);
  }
  return self;
}

std::string fieldDoc(const ObservationField& field) {
  std::string doc = field.description;
  if (field.type == FieldType::kHundredths) doc += " (float64 array, NaN for no value)";
  if (field.type == FieldType::kFlags)
    doc += " (uint8 array; 9 for no value, 0 before quality control)";
  return doc;
}

void defineGroupTypes(py::module_& module) {
  const py::object namedtuple = py::module_::import("collections").attr("namedtuple");
  for (const ObservationField& field : observationFields()) {
    if (field.group == nullptr) continue;
    if (groupTypes().empty() || groupTypes().back().group != field.group) {
      groupTypes().push_back({field.group, py::none(), {}});
    }
    groupTypes().back().fields.push_back(&field);
  }
  for (GroupType& group : groupTypes()) {
    py::list keys;
    for (const ObservationField* field : group.fields)
      keys.append(py::str(field->key.data(), field->key.size()));
    const std::string name = typeName(group.group->key);
    group.type = namedtuple(name, keys, py::arg("module") = module.attr("__name__"));
    group.type.attr("__doc__") = "The observation's " + std::string(group.group->key) + ": " +
                                 group.group->description + ". A read-only named tuple.";
    for (const ObservationField* field : group.fields) {
      group.type.attr(py::str(field->key.data(), field->key.size())).attr("__doc__") =
          fieldDoc(*field);
    }
    module.attr(name.c_str()) = group.type;
  }
}

py::str observationRepr(const PyObservation& self) {
  const Observation& o = self.observation;
  return py::str("<xbtconv.Observation {}, kind {}, {} samples{}>")
      .format(fileNameText(o.source), o.kind, o.profile.samples.size(),
              o.decoded ? "" : ", cut short");
}

// Python's name of a BUFR option: "master_table_version".
std::string pythonName(const BufrOptionRange& range) {
  std::string name = range.option;
  for (char& c : name) c = c == '-' ? '_' : c;
  return name;
}

// The BUFR options by Python's names, each checked by the library's range
// for it and refused in its words after the argument's name.
BufrOptions bufrOptions(const py::dict& given) {
  BufrOptions options;
  for (const BufrOptionRange& range : kBufrOptionRanges) {
    const std::string name = pythonName(range);
    const py::handle value = given[name.c_str()];
    if (!PyLong_Check(value.ptr()) || PyBool_Check(value.ptr())) {
      throw py::type_error(name + ": " + outOfRange(range, py::str(value).cast<std::string>()));
    }
    const auto number = value.cast<long long>();
    if (number < range.first || number > range.last) {
      throw py::value_error(name + ": " + outOfRange(range, std::to_string(number)));
    }
    options.*range.member = static_cast<int>(number);
  }
  return options;
}

}  // namespace

void defineObservationTypes(py::module_& module) {
  defineGroupTypes(module);

  py::class_<PyFailure>(module, "Failure",
                        "A file that gave no observation: its path, its status (\"not_a_message\" "
                        "or \"unreadable\"), why, and the system's error number where the system "
                        "refused it. False in a test.")
      .def(py::init([](const py::object& path, std::string status, std::string reason,
                       const std::optional<int>& error) {
             return PyFailure{fileNameBytes(path), std::move(status), std::move(reason),
                              error.value_or(0)};
           }),
           py::arg("path"), py::arg("status"), py::arg("reason"), py::arg("errno") = py::none())
      .def_property_readonly(
          "path", [](const PyFailure& f) { return fileNameText(f.path); },
          "the file, as the path to it was given")
      .def_readonly("status", &PyFailure::status, "not_a_message or unreadable")
      .def_property_readonly(
          "reason", [](const PyFailure& f) { return messageText(f.reason); }, "why, in a few words")
      .def_property_readonly(
          "errno",
          [](const PyFailure& f) {
            return f.error != 0 ? py::object(py::int_(f.error)) : py::none();
          },
          "the system's error number (as OSError.errno) when it refused the file; else None")
      .def("__bool__", [](const PyFailure&) { return false; })
      .def("__repr__",
           [](const PyFailure& f) {
             return py::str("<xbtconv.Failure {}: {}>")
                 .format(fileNameText(f.path), messageText(f.reason));
           })
      .def(py::pickle(
          [](const PyFailure& f) {
            return py::make_tuple(py::bytes(f.path), f.status, py::bytes(f.reason), f.error);
          },
          [](const py::tuple& state) {
            if (state.size() != 3 && state.size() != 4) {
              throw py::value_error("not a Failure's state");
            }
            return PyFailure{state[0].cast<std::string>(), state[1].cast<std::string>(),
                             state[2].cast<std::string>(),
                             state.size() == 4 ? state[3].cast<int>() : 0};
          }));

  py::class_<PyObservation> observation(
      module, "Observation",
      "One decoded XBT message, its attributes named as the JSON export names them. Absent "
      "values are None; groups of fields are read-only named tuples, samples read-only numpy "
      "arrays.");
  for (const ObservationField& field : observationFields()) {
    if (field.group != nullptr) continue;
    const ObservationField* f = &field;
    observation.def_property_readonly(
        std::string(field.key).c_str(),
        [f](const PyObservation& self) { return pythonValue(*f, self.observation); },
        fieldDoc(field).c_str());
  }
  std::size_t profileGroup = 0;
  for (std::size_t i = 0; i < groupTypes().size(); ++i) {
    const FieldGroup& group = *groupTypes()[i].group;
    const std::string key(group.key);
    observation.def_property_readonly(
        key.c_str(), [i](PyObservation& self) { return groupObject(self, i); },
        (std::string(group.description) + " (a " + typeName(key) + ")").c_str());
    if (key == "profile") profileGroup = i;
  }
  // The samples at the top level too, as one most often wants them.
  const std::vector<const ObservationField*>& profileFields = groupTypes()[profileGroup].fields;
  for (std::size_t k = 0; k < profileFields.size(); ++k) {
    if (!perSample(*profileFields[k])) continue;
    observation.def_property_readonly(
        std::string(profileFields[k]->key).c_str(),
        [profileGroup, k](PyObservation& self) {
          const py::object profile = groupObject(self, profileGroup);
          return py::reinterpret_borrow<py::object>(
              PyTuple_GET_ITEM(profile.ptr(), static_cast<Py_ssize_t>(k)));
        },
        (fieldDoc(*profileFields[k]) + "; the same as profile." +
         std::string(profileFields[k]->key))
            .c_str());
  }
  observation
      .def_property_readonly(
          "path", [](const PyObservation& self) { return fileNameText(self.observation.path); },
          "the file as the path to it was given; \"\" for a message read from bytes")
      .def_property_readonly(
          "reason", [](const PyObservation& self) { return messageText(self.reason); },
          "where the decode of a message cut short stopped; \"\" when it was decoded whole")
      .def(
          "to_json", [](const PyObservation& self) { return toJson(self.observation); },
          "The JSON export's document, one line.")
      .def(
          "to_dict",
          [](const PyObservation& self) {
            static const auto* const loads =
                new py::object(py::module_::import("json").attr("loads"));
            return (*loads)(toJson(self.observation));
          },
          "The JSON export's document as a dict (times as its ISO 8601 text).")
      .def(
          "to_csv",
          [](const PyObservation& self, bool header) {
            return (header ? csvHeader() : std::string()) + toCsv(self.observation);
          },
          py::arg("header") = true, "The CSV export's rows, one per sample.")
      .def(
          "to_bufr",
          [](const PyObservation& self, const py::object& centre, const py::object& subcentre,
             const py::object& subcategory, const py::object& masterTableVersion,
             const py::object& localTableVersion, const py::object& updateSequence) {
            py::dict given;
            given["centre"] = centre;
            given["subcentre"] = subcentre;
            given["subcategory"] = subcategory;
            given["master_table_version"] = masterTableVersion;
            given["local_table_version"] = localTableVersion;
            given["update_sequence"] = updateSequence;
            return py::bytes(toBufr(self.observation, bufrOptions(given)));
          },
          py::arg("centre") = BufrOptions{}.centre, py::arg("subcentre") = BufrOptions{}.subcentre,
          py::arg("subcategory") = BufrOptions{}.subcategory,
          py::arg("master_table_version") = BufrOptions{}.masterTableVersion,
          py::arg("local_table_version") = BufrOptions{}.localTableVersion,
          py::arg("update_sequence") = BufrOptions{}.updateSequence,
          "One WMO BUFR message, Section 1 as xbt export's options of the same names set it "
          "(centre for --centre ...), refused in their words.")
      .def(
          "to_svg", [](const PyObservation& self) { return toSvg(self.observation); },
          "A quick-look plot, an SVG image.")
      .def("__bool__", [](const PyObservation&) { return true; })
      .def("__repr__", &observationRepr)
      .def(py::pickle(&stateOf, &fromState));
}

py::list fieldTable() {
  py::list table;
  for (const ObservationField& field : observationFields()) {
    const FieldGroup* group = field.group;
    table.append(py::make_tuple(
        group != nullptr ? py::object(py::str(group->key.data(), group->key.size())) : py::none(),
        group != nullptr && group->present != nullptr, py::str(field.key.data(), field.key.size()),
        typeWord(field.type), field.nullable, field.description));
  }
  return table;
}

}  // namespace xbtconv::python
