#include "formats/json_export.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <nlohmann/json.hpp>

#include "formats/number_text.h"
#include "profile/observation_fields.h"
#include "profile/text_encoding.h"
#include "profile/utc_time.h"
#include "xbtconv/qc.h"

namespace xbtconv {
namespace {

// Appended as a view: a literal appended as it is would be measured with
// strlen each time, dozens of times a document.
constexpr std::string_view kNull = "null";

// Printable ASCII other than the quote and the backslash: a character that
// stands in a JSON string as it is, so a text of only these needs no
// escaping (nearly every text of a message).
bool isPlain(char c) { return c >= ' ' && c <= '~' && c != '"' && c != '\\'; }

// Writes one document as it goes: the fields and their order from the
// observation's field table, every text escaped by the JSON library, every
// number by the data files' number writer.
// Building the library's document tree first would cost more than
// everything else an export does.
class DocumentWriter {
 public:
  explicit DocumentWriter(std::string& text) : text_(text) { text_ += '{'; }

  void begin(std::string_view name) {
    key(name);
    text_ += '{';
    first_ = true;
  }
  void end() {
    text_ += '}';
    first_ = false;
  }
  void null(std::string_view name) {
    key(name);
    text_ += kNull;
  }
  void field(const ObservationField& field, const Observation& o) {
    if (field.type == FieldType::kHundredths) {
      return column(field.key, o.profile.samples, field.hundredths);
    }
    if (field.type == FieldType::kFlags) return flags(field.key, o.profile.samples, field.flag);
    key(field.key);
    const FieldValue value = field.get(o);
    if (!value.present) {
      text_ += kNull;
      return;
    }
    switch (field.type) {
      case FieldType::kFileName:
      case FieldType::kText:
        text(value.text);
        break;
      case FieldType::kInteger: {
        char digits[24];
        text_.append(digits, std::to_chars(digits, digits + sizeof digits, value.integer).ptr);
        break;
      }
      case FieldType::kNumber:
        appendNumber(text_, value.number, "null");
        break;
      case FieldType::kBoolean:
        text_ += value.integer != 0 ? std::string_view("true") : std::string_view("false");
        break;
      case FieldType::kTime:
        text(isoTime(value.integer));
        break;
      case FieldType::kTestNames:
        names(qcTestNames(static_cast<std::uint32_t>(value.integer)));
        break;
      case FieldType::kHundredths:
      case FieldType::kFlags:
        break;
    }
  }

 private:
  void text(std::string_view value) {
    if (std::all_of(value.begin(), value.end(), isPlain)) {
      text_ += '"';
      text_ += value;
      text_ += '"';
    } else {
      // ASCII only: anything else is escaped, so the document is the same
      // bytes in every encoding a reader may assume.
      text_ += nlohmann::json(utf8Text(value)).dump(-1, ' ', true);
    }
  }
  // One GTSPP flag (a single digit) per sample.
  void flags(std::string_view name, const std::vector<Sample>& samples,
             std::uint8_t Sample::*member) {
    key(name);
    text_ += '[';
    const std::size_t start = text_.size();
    text_.resize(start + 2 * samples.size());
    char* out = text_.data() + start;
    for (const Sample& sample : samples) {
      *out++ = static_cast<char>('0' + sample.*member);
      *out++ = ',';
    }
    // The last comma becomes the closing bracket.
    if (samples.empty()) {
      text_ += ']';
    } else {
      out[-1] = ']';
    }
  }
  void names(const std::vector<std::string>& values) {
    text_ += '[';
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (i != 0) text_ += ',';
      text_ += '"';
      text_ += values[i];
      text_ += '"';
    }
    text_ += ']';
  }
  void column(std::string_view name, const std::vector<Sample>& samples,
              std::optional<std::int32_t> Sample::*member) {
    key(name);
    // Written through a buffer on the stack, a few thousand characters at
    // a time: the profile is most of the document.
    char buffer[4096];
    char* out = buffer;
    *out++ = '[';
    for (const Sample& sample : samples) {
      if (out > buffer + sizeof buffer - kNumberRoom - 8) {
        text_.append(buffer, static_cast<std::size_t>(out - buffer));
        out = buffer;
      }
      if (const std::optional<std::int32_t>& value = sample.*member) {
        out = writeHundredths(out, *value);
      } else {
        std::memcpy(out, "null", 4);
        out += 4;
      }
      *out++ = ',';
    }
    // The last comma becomes the closing bracket.
    if (samples.empty()) {
      *out++ = ']';
    } else {
      out[-1] = ']';
    }
    text_.append(buffer, static_cast<std::size_t>(out - buffer));
  }

  void key(std::string_view name) {
    if (!first_) text_ += ',';
    first_ = false;
    text_ += '"';
    text_ += name;
    text_ += std::string_view("\":");
  }

  std::string& text_;
  bool first_ = true;
};

}  // namespace

std::string toJson(const Observation& observation) {
  std::string text;
  appendObservationJson(text, observation);
  return text;
}

void appendObservationJson(std::string& text, const Observation& o) {
  text.reserve(text.size() + 1024 + 20 * o.profile.samples.size());
  DocumentWriter document(text);
  const FieldGroup* group = nullptr;
  bool skipping = false;  // the fields of a group that is not there
  for (const ObservationField& field : observationFields()) {
    if (field.group != group) {
      if (group != nullptr && !skipping) document.end();
      group = field.group;
      skipping = group != nullptr && group->present != nullptr && !group->present(o);
      if (skipping) {
        document.null(group->key);
      } else if (group != nullptr) {
        document.begin(group->key);
      }
    }
    if (!skipping) document.field(field, o);
  }
  if (group != nullptr && !skipping) document.end();
  document.end();
}

}  // namespace xbtconv
