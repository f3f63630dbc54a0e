#include "pipeline/flows/observation_export.h"

#include "formats/json_export.h"
#include "pipeline/inputs/drop_survey.h"
#include "pipeline/inputs/input_files.h"
#include "profile/utc_time.h"

namespace xbtconv {

ObservationExport::ObservationExport(const ExportOptions& options)
    : options_(options),
      reading_{options.sampleRateHz, options.qualityControl,
               options.now.value_or(currentUtcSeconds())} {}

const ObservationOptions& ObservationExport::reading() const { return reading_; }

Exported ObservationExport::run(const BatchItem& item, MessageReader& reader,
                                bool withCsvHeader) const {
  const std::string& path = item.input.path;
  Exported result;
  ObservationRead read = readObservation(reader, item.input.location(), item.input.name, reading_);
  result.input = reader.fileIdentity();
  if (read.status == ReadStatus::kNotLoaded) {
    result.skipOrFail(passedOver(item.input, reader.loadFailure()), path, read.reason);
    return result;
  }
  const ExportFormat format = options_.format;
  const bool forReceivers = format == ExportFormat::kBufr || format == ExportFormat::kNetcdf;
  if (read.status == ReadStatus::kCutShort) {
    if (forReceivers && !options_.partial) {
      result.fail(path, read.reason + "; not exported (--partial exports what was decoded)");
      return result;
    }
    result.failWritten(path, read.reason, std::string("; ") + writtenAnyway(format));
  }
  Observation& observation = *read.observation;
  if (survey_ != nullptr) survey_->judgeTrack(path, observation);
  if (!options_.now) result.currentUntil = currentUntil(observation, reading_);
  if (forReceivers && !options_.keepIncomplete) {
    const Status usable =
        format == ExportFormat::kBufr ? bufrUsability(observation) : netcdfUsability(observation);
    if (!usable.ok()) {
      result.fail(path, usable.message() + "; not exported (--keep-incomplete exports it)");
      return result;
    }
  }
  if (!read.impossibleValues.empty()) {
    result.remarks.push_back(
        {path, "warning: out of range, taken as no value: " + read.impossibleValues});
  }
  if (!read.trailing.empty()) result.remarks.push_back({path, "warning: " + read.trailing});
  switch (format) {
    case ExportFormat::kJson:
      appendObservationJson(result.data, observation);
      result.data += '\n';
      break;
    case ExportFormat::kCsv:
      if (withCsvHeader) result.data = csvHeader();
      result.data += toCsv(observation);
      break;
    case ExportFormat::kBufr: {
      Status encoded;
      result.data = toBufr(observation, options_.bufr, &encoded);
      if (!encoded.ok()) {
        result.remarks.push_back(
            {path, "warning: encoded as missing, as BUFR cannot hold them: " + encoded.message()});
      }
      break;
    }
    case ExportFormat::kNetcdf:
      result.profile = std::move(observation);
      break;
  }
  return result;
}

}  // namespace xbtconv
