// An observation as one JSON document: UTF-8, absent values as null, keys in
// snake case with units as suffixes (bottom_depth_m, wind_speed_m_s). The
// layout is fixed by schema/observation.schema.json, which other tools read.
#ifndef XBTCONV_EXPORT_JSON_EXPORT_H_
#define XBTCONV_EXPORT_JSON_EXPORT_H_

#include <string>

#include "profile/observation.h"

namespace xbtconv {

/// The document on one line, without a line break. Numbers are written in
/// the shortest form that reads back as the same value.
std::string observationJson(const Observation& observation);
/// Appends observationJson(observation) to `text`.
void appendObservationJson(std::string& text, const Observation& observation);

}  // namespace xbtconv

#endif  // XBTCONV_EXPORT_JSON_EXPORT_H_
