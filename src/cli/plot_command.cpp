#include "cli/plot_command.h"

#include <filesystem>
#include <system_error>

#include "cli/input_files.h"
#include "cli/observation_file.h"
#include "cli/output_file.h"
#include "export/html_gallery.h"
#include "export/svg_plot.h"
#include "profile/utc_time.h"

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
  if (o.latitude && o.longitude) {
    char position[64];
    std::snprintf(position, sizeof position, "%.3f %.3f", *o.latitude, *o.longitude);
    row.position = position;
  }
  if (o.probe.code) row.probe = std::to_string(*o.probe.code);
  if (o.probe.name) row.probe += " " + *o.probe.name;
  if (o.profile.layout) row.layout = layoutName(*o.profile.layout);
  row.samples = static_cast<int>(o.profile.samples.size());
  return row;
}

}  // namespace

int runPlot(const PlotOptions& options, std::FILE* /*out*/, std::FILE* err) {
  if (!makeOutputFolder(options.outputDirectory, err)) return 1;
  const fs::path folder = options.outputDirectory;
  int plotted = 0;
  int failed = 0;
  int skipped = 0;
  std::vector<GalleryRow> rows;
  const auto visit = [&](const InputFile& input) {
    ObservationFile file = observeFile(input, options.sampleRateHz);
    GalleryRow row;
    if (file.observation) row = rowOf(*file.observation);
    row.name = input.name;
    row.status = file.failure.empty() ? "ok" : file.failure;
    row.ok = file.failure.empty();
    if (!file.observation) {
      sayAbout(err, input.path, file.failure);
      ++(file.skipped ? skipped : failed);
      rows.push_back(row);
      return;
    }
    if (!file.failure.empty()) sayAbout(err, input.path, file.failure);
    const fs::path plot = folder / outputName(input.name, ".svg");
    std::string error;
    if (writeOutputFile(plot.string(), profileSvg(*file.observation), error)) {
      row.plot = href(plot, folder);
    } else {
      sayAbout(err, input.path, "cannot write " + plot.string() + ": " + error);
      row.ok = false;
      row.status = "cannot write the plot: " + error;
    }
    const fs::path beside = input.directory.empty() ? fs::path(".") : fs::path(input.directory);
    row.report = existing({folder / (input.name + ".srp"), beside / (input.name + ".srp")}, folder);
    const std::string data = outputName(input.name, ".json");
    row.data = existing({folder / data, beside / data}, folder);
    ++(row.ok ? plotted : failed);
    rows.push_back(row);
  };
  forEachInputFile(options.paths, false, visit,
                   [&](const std::string& path, const std::string& reason) {
                     sayAbout(err, path, reason);
                     GalleryRow row;
                     row.name = path;
                     row.status = reason;
                     rows.push_back(row);
                     ++failed;
                   });
  const std::string index = (folder / "index.html").string();
  std::string error;
  if (!writeOutputFile(index, galleryHtml(rows), error)) {
    sayAbout(err, index, "cannot write: " + error);
    ++failed;
  }
  std::fprintf(err, "xbt: plotted %d, failed %d, skipped %d\n", plotted, failed, skipped);
  return failed == 0 ? 0 : 1;
}

}  // namespace xbtconv
