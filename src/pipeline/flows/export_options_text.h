// The text of everything that shapes what an export writes besides its
// inputs, as output records keep it: an output made with other options is
// not current.
#ifndef XBTCONV_PIPELINE_FLOWS_EXPORT_OPTIONS_TEXT_H_
#define XBTCONV_PIPELINE_FLOWS_EXPORT_OPTIONS_TEXT_H_

#include <string>

#include "pipeline/flows/export_flow.h"

namespace xbtconv {

std::string exportOptionsText(const ExportOptions& options);

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_FLOWS_EXPORT_OPTIONS_TEXT_H_
