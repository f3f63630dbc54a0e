#include "descriptors/descriptor_catalogue.h"

namespace xbtconv {

ElementDescriptor buildDescriptor(const CatalogueRow& row) {
  ElementDescriptor descriptor;
  descriptor.setParameters(row.number, 1, row.reference, row.minimum, row.width, row.maximum,
                           row.scale, row.name, row.unit);
  return descriptor;
}

}  // namespace xbtconv
