// An observation as CSV rows (RFC 4180: comma-separated, CR LF line ends,
// fields quoted when they hold a comma, a quote or a line break), one row
// per profile sample, an empty field for no value. A message without
// samples gives no rows.
#ifndef XBTCONV_EXPORT_CSV_EXPORT_H_
#define XBTCONV_EXPORT_CSV_EXPORT_H_

#include <string>

#include "profile/observation.h"

namespace xbtconv {

/// "source,kind,time,latitude,longitude,call_sign,probe_code,sample,depth_m,
/// temperature_c" and the line end.
std::string csvHeader();

/// The rows of `observation`; samples count from 1.
std::string csvRows(const Observation& observation);

}  // namespace xbtconv

#endif  // XBTCONV_EXPORT_CSV_EXPORT_H_
