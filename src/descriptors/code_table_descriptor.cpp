#include "descriptors/code_table_descriptor.h"

namespace xbtconv {

CodeEntry CodeTableDescriptor::lookup(std::int32_t code) const {
  return firstMatch<CodeEntry>(entries_, code, CodeEntry{-1, ""});
}

CodeTableDescriptor buildCodeTableDescriptor(const CatalogueRow& row,
                                             std::span<const CodeEntry> entries) {
  CodeTableDescriptor descriptor(entries);
  applyRow(descriptor, row);
  return descriptor;
}

}  // namespace xbtconv
