// ConversionWorkspace: what converting message files one after another
// reuses from file to file: a message of each kind and the report's text.
// Building them for each file would cost more than decoding most files.
#ifndef XBTCONV_DRIVER_CONVERSION_WORKSPACE_H_
#define XBTCONV_DRIVER_CONVERSION_WORKSPACE_H_

#include "decoding/jjvv2_message.h"
#include "decoding/jjvv_message.h"
#include "report/report_text.h"

namespace xbtconv {

struct ConversionWorkspace {
  JjvvMessage standard;
  Jjvv2Message extended;
  ReportText report;
};

}  // namespace xbtconv

#endif  // XBTCONV_DRIVER_CONVERSION_WORKSPACE_H_
