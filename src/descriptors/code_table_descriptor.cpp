#include "descriptors/code_table_descriptor.h"

namespace xbtconv {

CodeEntry CodeTableDescriptor::lookup(std::int32_t code) const {
  const CodeEntry noMatch{-1, ""};
  if (appended_.empty()) return firstMatch<CodeEntry>(shared_, code, noMatch);
  std::vector<CodeEntry> entries(shared_.begin(), shared_.end());
  entries.insert(entries.end(), appended_.begin(), appended_.end());
  return firstMatch<CodeEntry>(entries, code, noMatch);
}

CodeTableDescriptor buildCodeTableDescriptor(const CatalogueRow& row,
                                             std::span<const CodeEntry> entries) {
  CodeTableDescriptor descriptor(entries);
  applyRow(descriptor, row);
  return descriptor;
}

}  // namespace xbtconv
