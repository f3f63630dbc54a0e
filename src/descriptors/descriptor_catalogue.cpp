#include "descriptors/descriptor_catalogue.h"

namespace xbtconv {

void applyRow(ElementDescriptor& descriptor, const CatalogueRow& row) {
  descriptor.setParameters(row.number, 1, row.reference, row.minimum, row.width, row.maximum,
                           row.scale, row.name, row.unit);
}

ElementDescriptor buildDescriptor(const CatalogueRow& row) {
  ElementDescriptor descriptor;
  applyRow(descriptor, row);
  return descriptor;
}

}  // namespace xbtconv
