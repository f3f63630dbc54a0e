#include "pipeline/flows/export_options_text.h"

#include "profile/utc_time.h"

namespace xbtconv {

std::string exportOptionsText(const ExportOptions& options) {
  std::string text = "xbt " XBTCONV_VERSION_TEXT " export --format ";
  text += formatName(options.format);
  text += " --sample-rate " + std::to_string(options.sampleRateHz);
  if (options.partial) text += " --partial";
  if (options.keepIncomplete) text += " --keep-incomplete";
  if (!options.qualityControl) text += " --no-qc";
  if (options.now) text += " --now " + isoTime(*options.now);
  if (options.format == ExportFormat::kNetcdf) {
    for (const auto& [name, value] : options.netcdf.attributes) {
      text.append(" --attribute ").append(name).append("=").append(value);
    }
    if (!options.netcdf.dateCreated.empty()) {
      text += " --date-created " + options.netcdf.dateCreated;
    }
    if (options.netcdf.layout == NetcdfLayout::kIncomplete) text += " --layout incomplete";
  }
  if (options.format == ExportFormat::kBufr) {
    const BufrOptions& b = options.bufr;
    text += " --centre " + std::to_string(b.centre) + " --subcentre " +
            std::to_string(b.subcentre) + " --subcategory " + std::to_string(b.subcategory) +
            " --master-table-version " + std::to_string(b.masterTableVersion) +
            " --local-table-version " + std::to_string(b.localTableVersion) +
            " --update-sequence " + std::to_string(b.updateSequence);
  }
  return text;
}

}  // namespace xbtconv
