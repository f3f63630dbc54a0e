// An observation as one JSON document: UTF-8, absent values as null, keys in
// snake case with units as suffixes (bottom_depth_m, wind_speed_m_s). The
// layout is fixed by schema/observation.schema.json, which other tools read.
#ifndef XBTCONV_FORMATS_JSON_EXPORT_H_
#define XBTCONV_FORMATS_JSON_EXPORT_H_

#include <string>

#include "xbtconv/formats.h"
#include "xbtconv/observation.h"

namespace xbtconv {

/// Appends toJson(observation) (xbtconv/formats.h) to `text`. Numbers are
/// written in the shortest form that reads back as the same value.
void appendObservationJson(std::string& text, const Observation& observation);

}  // namespace xbtconv

#endif  // XBTCONV_FORMATS_JSON_EXPORT_H_
