// CodeTableDescriptor: a coded field whose raw value stands for a meaning in
// a table. Looking up a code the table lacks (a missing raw value -1
// included) is not an error: it gives code -1 and an empty meaning.
#ifndef XBTCONV_DESCRIPTORS_CODE_TABLE_DESCRIPTOR_H_
#define XBTCONV_DESCRIPTORS_CODE_TABLE_DESCRIPTOR_H_

#include <cstdint>
#include <span>
#include <vector>

#include "descriptors/descriptor_catalogue.h"
#include "descriptors/element_descriptor.h"

namespace xbtconv {

/// The first of `entries` whose code, widened with its sign, equals `code`;
/// `noMatch` when there is none. Both kinds of table look codes up this way.
template <typename Entry>
Entry firstMatch(std::span<const Entry> entries, std::int32_t code, const Entry& noMatch) {
  for (const Entry& entry : entries) {
    if (entry.code == code) return entry;
  }
  return noMatch;
}

struct CodeEntry {
  std::int16_t code;
  const char* meaning;  // constant text that lives for the whole run
};

class CodeTableDescriptor : public ElementDescriptor {
 public:
  CodeTableDescriptor() = default;
  /// A descriptor whose table begins with `entries`, in order. They are
  /// referred to, not copied: a built-in table lives for the whole run, and
  /// every message shares it.
  explicit CodeTableDescriptor(std::span<const CodeEntry> entries) : shared_(entries) {}

  /// Adds a copy of `entry` at the end of the table.
  void append(const CodeEntry& entry) { appended_.push_back(entry); }
  /// The first entry with `code`, or {-1, ""} when there is none.
  CodeEntry lookup(std::int32_t code) const;
  /// The entries the table was built with, in table order.
  std::span<const CodeEntry> builtIn() const { return shared_; }

 private:
  std::span<const CodeEntry> shared_;
  std::vector<CodeEntry> appended_;
};

/// A descriptor with `entries` in table order, then the row's parameters.
CodeTableDescriptor buildCodeTableDescriptor(const CatalogueRow& row,
                                             std::span<const CodeEntry> entries);

}  // namespace xbtconv

#endif  // XBTCONV_DESCRIPTORS_CODE_TABLE_DESCRIPTOR_H_
