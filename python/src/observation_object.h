// The Python objects of a read: an Observation, whose attributes are the
// fields of the library's field table (profile/observation_fields.h) under
// the JSON export's names, and a Failure, a read that gave none.
//
// An observation's values are made when first asked for and kept: each
// group (ship, probe, qc, profile ...) is one read-only named tuple, the
// samples read-only numpy arrays, so that obs.depth_m is the same array
// every time and writing to it raises. Texts the message sent are UTF-8
// as the data files write them; file names are spelt as os.fsdecode spells
// them. Both objects pickle, for multiprocessing and dask.
#ifndef XBTCONV_PYTHON_OBSERVATION_OBJECT_H_
#define XBTCONV_PYTHON_OBSERVATION_OBJECT_H_

#include <pybind11/pybind11.h>
#include <xbtconv/observation.h>

#include <string>
#include <vector>

namespace xbtconv::python {

/// A read that gave an observation, with the reason when it is not whole.
struct PyObservation {
  Observation observation;
  std::string reason;
  std::vector<pybind11::object> groups;  // each group's object once made, by group
};

/// A read that gave none.
struct PyFailure {
  std::string path;    // the bytes of the file's name
  std::string status;  // "not_a_message" or "unreadable"
  std::string reason;
  int error = 0;  // the system's error number, when it refused the file
};

/// Defines Observation, Failure and a named tuple type for each group of
/// fields (TimeFields, Ship, Probe, Surface, Qc, Profile) in `module`.
void defineObservationTypes(pybind11::module_& module);

/// The field table as (group or None, whether the group may be absent, key,
/// type, whether the field may be None, description) tuples.
pybind11::list fieldTable();

}  // namespace xbtconv::python

#endif  // XBTCONV_PYTHON_OBSERVATION_OBJECT_H_
