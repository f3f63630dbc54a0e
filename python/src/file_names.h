// File names between Python and the operating system. The library takes a
// name as the bytes the system gives; Python spells it as text with the
// bytes that are not in the file system's encoding escaped (os.fsencode and
// os.fsdecode), so that every name the system gives can be named back.
#ifndef XBTCONV_PYTHON_FILE_NAMES_H_
#define XBTCONV_PYTHON_FILE_NAMES_H_

#include <pybind11/pybind11.h>

#include <string>

namespace xbtconv::python {

/// The bytes of `name`: a str, bytes or os.PathLike, as os.fsencode gives
/// them. A name holding a NUL is a ValueError, as Python's open says: the
/// system would take the name as ending there, another file.
inline std::string fileNameBytes(pybind11::handle name) {
  std::string bytes;
  // Bytes and text, which a folder's reading passes for every file, without
  // a call into Python.
  if (PyBytes_Check(name.ptr())) {
    bytes = name.cast<std::string>();
  } else if (PyUnicode_Check(name.ptr())) {
    PyObject* encoded = PyUnicode_EncodeFSDefault(name.ptr());
    if (encoded == nullptr) throw pybind11::error_already_set();
    bytes = pybind11::reinterpret_steal<pybind11::bytes>(encoded).cast<std::string>();
  } else {
    static const auto* const fsencode =
        new pybind11::object(pybind11::module_::import("os").attr("fsencode"));
    bytes = (*fsencode)(name).cast<std::string>();
  }
  if (bytes.find('\0') != std::string::npos) throw pybind11::value_error("embedded null byte");
  return bytes;
}

/// `bytes` as Python spells a file name (os.fsdecode).
inline pybind11::str fileNameText(const std::string& bytes) {
  PyObject* text =
      PyUnicode_DecodeFSDefaultAndSize(bytes.data(), static_cast<Py_ssize_t>(bytes.size()));
  if (text == nullptr) throw pybind11::error_already_set();
  return pybind11::reinterpret_steal<pybind11::str>(text);
}

/// A message of the library (a reason) as text; a stray byte becomes U+FFFD
/// rather than an error.
inline pybind11::str messageText(const std::string& bytes) {
  PyObject* text =
      PyUnicode_DecodeUTF8(bytes.data(), static_cast<Py_ssize_t>(bytes.size()), "replace");
  if (text == nullptr) throw pybind11::error_already_set();
  return pybind11::reinterpret_steal<pybind11::str>(text);
}

}  // namespace xbtconv::python

#endif  // XBTCONV_PYTHON_FILE_NAMES_H_
