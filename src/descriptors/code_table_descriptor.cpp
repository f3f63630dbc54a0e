#include "descriptors/code_table_descriptor.h"

namespace xbtconv {

CodeEntry CodeTableDescriptor::lookup(std::int32_t code) const {
  for (const CodeEntry& entry : entries_) {
    if (entry.code == code) return entry;
  }
  return CodeEntry{-1, ""};
}

CodeTableDescriptor buildCodeTableDescriptor(const CatalogueRow& row,
                                             std::span<const CodeEntry> entries) {
  CodeTableDescriptor descriptor(entries);
  descriptor.setParameters(row.number, 1, row.reference, row.minimum, row.width, row.maximum,
                           row.scale, row.name, row.unit);
  return descriptor;
}

}  // namespace xbtconv
