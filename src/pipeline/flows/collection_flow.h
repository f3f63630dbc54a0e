// xbt export --collection: every message of a run in one netCDF file, in
// input order. The file's folder is made and locked, and the file shown to
// be writable, before any input is read. A collection that is not written
// (an interrupt, a failed write) says so and keeps the one written before;
// none of its inputs counts as exported. Its record holds a digest of every
// input (its one spelling, size and modification time), the options and
// what the run said, so that --update passes over a collection exactly when
// the same inputs would make it again, and repeats the failures it had.
#ifndef XBTCONV_PIPELINE_FLOWS_COLLECTION_FLOW_H_
#define XBTCONV_PIPELINE_FLOWS_COLLECTION_FLOW_H_

#include <string>

#include "pipeline/flows/export_flow.h"
#include "pipeline/run/run_report.h"

namespace xbtconv {

/// Why `options`' collection cannot be: it would replace an input; "" when
/// it can, or when there is none.
std::string collectionUsageProblem(const ExportOptions& options);

/// Runs an export into `options.collection`; returns the exit status.
int runCollection(const ExportOptions& options, const RunReport& report);

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_FLOWS_COLLECTION_FLOW_H_
