// The step every export takes for one input: its observation read and
// quality-controlled (its track judged by the run's survey), held to what the format's receivers
// can use (BUFR and netCDF leave out a message cut short unless `partial`, and one without a real
// time, a position or depths unless `keepIncomplete`), then encoded: the bytes of a JSON, CSV or
// BUFR export, or the observation itself for a netCDF file or collection.
#ifndef XBTCONV_PIPELINE_FLOWS_OBSERVATION_EXPORT_H_
#define XBTCONV_PIPELINE_FLOWS_OBSERVATION_EXPORT_H_

#include <optional>
#include <string>

#include "pipeline/flows/export_flow.h"
#include "pipeline/inputs/observation_reading.h"
#include "pipeline/outputs/file_identity.h"
#include "pipeline/run/batch_runner.h"
#include "pipeline/run/input_result.h"

namespace xbtconv {

/// How a run says an input cut short was written all the same, in the
/// format's own terms: JSON has a field for it, the others do not.
inline const char* writtenAnyway(ExportFormat format) {
  return format == ExportFormat::kJson ? "written with \"decoded\": false"
                                       : "written as far as it was decoded";
}

struct Exported : InputResult {
  std::string data;                          // the encoded bytes (JSON, CSV, BUFR)
  std::optional<Observation> profile;        // for netCDF
  FileIdentity input;                        // the input's, as read
  std::optional<std::int64_t> currentUntil;  // of the output, by the run's clock
};

class DropSurvey;

class ObservationExport {
 public:
  explicit ObservationExport(const ExportOptions& options);

  /// Reads `item`'s message and encodes it; `outcome` says when there is
  /// nothing to write. `withCsvHeader`: a CSV export that starts its own
  /// table.
  Exported run(const BatchItem& item, MessageReader& reader, bool withCsvHeader) const;
  /// How the observations are made.
  const ObservationOptions& reading() const;
  /// Has `survey` judge each drop's track from now on.
  void judgeTracksBy(const DropSurvey& survey) { survey_ = &survey; }
  /// The run's clock, as quality control judges against it.
  std::int64_t clock() const { return reading_.now; }

 private:
  const ExportOptions& options_;
  ObservationOptions reading_;
  const DropSurvey* survey_ = nullptr;
};

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_FLOWS_OBSERVATION_EXPORT_H_
