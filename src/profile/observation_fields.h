// The observation's fields as the data files name them: one table, in the
// order of the JSON document, that gives each field's group, key, kind of
// value, meaning, and how to read it from an Observation (and write it back
// into one). The JSON export and the Python module are both written from
// this table, so that a field added here appears in both under the same
// name; the JSON schema and Python's type hints are checked against it.
//
// Reading a field never fails: an absent value is a FieldValue that is not
// present. Writing one takes the value as reading gives it; a value of the
// wrong kind for the field is the caller's mistake (REQUIRES below).
//
// The table is the library's own, not installed: its accessors are pointers
// into the code, which no stable interface should hand out.
#ifndef XBTCONV_PROFILE_OBSERVATION_FIELDS_H_
#define XBTCONV_PROFILE_OBSERVATION_FIELDS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xbtconv/observation.h"

namespace xbtconv {

/// A group of fields: an object of the JSON document ("ship"), an
/// attribute of Python's observation whose own attributes are the fields.
struct FieldGroup {
  std::string_view key;
  const char* description;
  /// Whether the group is there: quality control's is not until it has
  /// run (JSON null). nullptr: always there.
  bool (*present)(const Observation&);
};

enum class FieldType : std::uint8_t {
  kFileName,    // the message file's name (text)
  kText,        // a text as the message sent it, or none
  kInteger,     // a whole number, or none
  kNumber,      // a real number, or none
  kBoolean,     // true or false, as integer 1 or 0
  kTime,        // seconds since 1970-01-01T00:00Z, or none; ISO 8601 text in the data files
  kTestNames,   // bits of quality control tests; their names (xbtconv/qc.h) in the data files
  kHundredths,  // per sample: whole hundredths (of a metre, of a degree Celsius), or none
  kFlags,       // per sample: a GTSPP flag (xbtconv/qc.h)
};

/// One value of a field that is not per sample.
struct FieldValue {
  bool present = false;
  std::int64_t integer = 0;  // kInteger, kBoolean, kTime, kTestNames
  double number = 0;         // kNumber
  /// kText, kFileName: bytes as the observation holds them (valid as long
  /// as it is), or a name the library keeps.
  std::string_view text;
};

struct ObservationField {
  const FieldGroup* group;  // nullptr at the top level of the document
  std::string_view key;
  FieldType type;
  bool nullable;  // may have no value (JSON null, Python None)
  const char* description;
  /// The field's value in an observation; for fields that are not per sample.
  FieldValue (*get)(const Observation&);
  /// Sets the field (and makes its group present). nullptr for a field
  /// derived from another one (the failed tests' names from their bits).
  /// REQUIRES: `value` of the kind `get` gives for this field.
  void (*set)(Observation&, const FieldValue& value);
  /// kHundredths, kFlags: the sample's member that holds the field.
  std::optional<std::int32_t> Sample::*hundredths;
  std::uint8_t Sample::*flag;
};

/// Every field, in the order of the JSON document: a group's fields
/// follow each other, after the top-level fields that come before it.
const std::vector<ObservationField>& observationFields();

/// A kText field's bytes as the data files write them, UTF-8: a text that
/// is valid UTF-8 stays as it is; anything else (only a corrupt
/// transmission sends it) is read byte by byte as Latin-1.
std::string dataFileText(std::string_view text);

}  // namespace xbtconv

#endif  // XBTCONV_PROFILE_OBSERVATION_FIELDS_H_
