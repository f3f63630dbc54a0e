#include "cli/plot_command.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "pipeline/output_file.h"
#include "pipeline/output_names.h"
#include "presentation/html_gallery.h"
#include "profile/utc_time.h"
#include "xbtconv/formats.h"
#include "xbtconv/qc.h"

namespace xbtconv {
namespace {

namespace fs = std::filesystem;

// `path` as a link from `folder`: relative where it can be, its characters
// outside the plain ones percent-encoded.
std::string href(const fs::path& path, const fs::path& folder) {
  std::error_code code;
  fs::path relative = fs::relative(path, folder, code);
  if (code || relative.empty()) relative = fs::absolute(path, code);
  std::string encoded;
  for (const char8_t unit : relative.generic_u8string()) {
    const auto byte = static_cast<unsigned char>(unit);
    const auto c = static_cast<char>(byte);
    if (std::isalnum(byte) != 0 || std::string_view("-._~/").find(c) != std::string_view::npos) {
      encoded += c;
    } else {
      static constexpr char kHex[] = "0123456789ABCDEF";
      encoded += {'%', kHex[byte >> 4], kHex[byte & 15]};
    }
  }
  return encoded;
}

// A link to the first of `candidates` that exists, or "".
std::string existing(const std::vector<fs::path>& candidates, const fs::path& folder) {
  for (const fs::path& candidate : candidates) {
    std::error_code code;
    if (fs::is_regular_file(candidate, code)) return href(candidate, folder);
  }
  return "";
}

GalleryRow rowOf(const Observation& o) {
  GalleryRow row;
  if (o.time.utcSeconds) row.time = isoTime(*o.time.utcSeconds);
  row.latitude = o.latitude;
  row.longitude = o.longitude;
  if (o.qc) {
    row.qcFlag = o.qc->profileFlag;
    for (const std::string& name : qcTestNames(o.qc->testsFailed)) {
      row.qcTests += (row.qcTests.empty() ? "" : ", ") + name;
    }
  }
  if (o.probe.code) row.probe = std::to_string(*o.probe.code);
  if (o.probe.name) row.probe += " " + *o.probe.name;
  if (o.profile.layout) row.layout = layoutName(*o.profile.layout);
  row.samples = static_cast<int>(o.profile.samples.size());
  return row;
}

struct Plotted {
  Outcome outcome = Outcome::kDone;
  std::string notes;  // for standard error
  GalleryRow row;
};

}  // namespace

int runPlot(const PlotOptions& options, std::FILE* /*out*/, std::FILE* err) {
  catchInterrupts();
  const std::string& folderName = options.run.outputDirectory;
  std::string error;
  if (!makeOutputFolder(folderName, error)) {
    sayAbout(err, folderName, error);
    return 1;
  }
  const fs::path folder = folderName.empty() ? fs::path(".") : fs::path(folderName);
  // A page of the same name that xbt did not write is someone else's.
  const std::string index = (folder / "index.html").string();
  {
    std::ifstream page(index, std::ios::binary);
    std::string head(1024, '\0');
    page.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(page.gcount()));
    if (page.gcount() > 0 && !isGalleryPage(head)) {
      sayAbout(err, index,
               "not written by xbt plot; left as it is (-o DIR plots into another folder)");
      return 1;
    }
  }
  const std::int64_t now = options.now.value_or(currentUtcSeconds());
  const WriteOptions writing{.sync = options.run.sync};
  OutputClaims claims;
  std::vector<GalleryRow> rows;
  Tally tally;
  const auto plot = [&](const BatchItem& item, MessageReader& reader) {
    const InputFile& input = item.input;
    Plotted result;
    result.row.name = input.name;
    if (reader.readFile(input.path) == ReadStatus::kNotLoaded) {
      removeUnfinished(item.output);
      result.outcome =
          passedOver(input, reader.loadFailure()) ? Outcome::kSkipped : Outcome::kFailed;
      result.row.status = reader.reason();
      result.notes = noteAbout(input.path, result.row.status);
      return result;
    }
    Observation observation = reader.observation(input.name, options.sampleRateHz);
    if (options.qualityControl) runQualityControl(observation, now);
    const std::string name = result.row.name;
    result.row = rowOf(observation);
    result.row.name = name;
    result.row.status = reader.status() == ReadStatus::kDecoded ? "ok" : reader.reason();
    result.row.ok = reader.status() == ReadStatus::kDecoded;
    if (!result.row.ok) {
      result.outcome = Outcome::kFailed;
      result.notes = noteAbout(input.path, result.row.status);
    }
    if (options.run.update && isUpToDate(input.path, item.output)) {
      removeUnfinished(item.output);
      if (result.row.ok) result.outcome = Outcome::kUpToDate;
      result.row.plot = href(item.output, folder);
    } else if (std::string reason;
               writeOutputFile(item.output, toSvg(observation), writing, reason)) {
      result.row.plot = href(item.output, folder);
    } else {
      result.notes += noteAbout(input.path, "cannot write " + item.output + ": " + reason);
      result.outcome = Outcome::kFailed;
      result.row.ok = false;
      result.row.status = "cannot write the plot: " + reason;
    }
    const fs::path beside = input.directory.empty() ? fs::path(".") : fs::path(input.directory);
    result.row.report =
        existing({folder / (input.name + ".srp"), beside / (input.name + ".srp")}, folder);
    const std::string data = outputName(input.name, ".json");
    result.row.data = existing({folder / data, beside / data}, folder);
    return result;
  };
  const bool finished = runBatch<Plotted>(
      batchInputs(options.run),
      [&](BatchItem& item) -> std::optional<Plotted> {
        if (!item.listingFailure.empty()) {
          Plotted failed{Outcome::kFailed, noteAbout(item.input.path, item.listingFailure), {}};
          failed.row.name = item.input.path;
          failed.row.status = item.listingFailure;
          return failed;
        }
        item.output = (folder / outputName(item.input.name, ".svg")).string();
        if (const auto taken = claims.claim(item.output, item.input.path)) {
          Plotted failed{Outcome::kFailed, noteAbout(item.input.path, *taken), {}};
          failed.row.name = item.input.name;
          failed.row.status = *taken;
          return failed;
        }
        return std::nullopt;
      },
      plot,
      [&](const BatchItem& /*item*/, Plotted&& plotted) {
        tally.count(plotted.outcome);
        if (!(options.run.quiet && plotted.outcome == Outcome::kSkipped)) {
          std::fputs(plotted.notes.c_str(), err);
        }
        rows.push_back(std::move(plotted.row));
      });
  // The page of what was plotted, also when the run was interrupted. It is
  // no input: a page that cannot be written fails the run, not a file.
  const bool indexWritten = writeOutputFile(index, galleryHtml(rows), writing, error);
  if (!indexWritten) sayAbout(err, index, "cannot write: " + error);
  const int status = endRun(options.run, finished, tally, tally.summary("plotted"), err);
  return status == 0 && !indexWritten ? 1 : status;
}

}  // namespace xbtconv
