#include "pipeline/flows/plot_flow.h"

#include <cctype>
#include <cerrno>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "pipeline/inputs/drop_survey.h"
#include "pipeline/inputs/observation_reading.h"
#include "pipeline/outputs/output_names.h"
#include "pipeline/outputs/output_plan.h"
#include "pipeline/run/batch_runner.h"
#include "pipeline/run/input_result.h"
#include "presentation/html_gallery.h"
#include "profile/utc_time.h"
#include "xbtconv/formats.h"
#include "xbtconv/qc.h"
#include "xbtconv/version.h"

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

struct Plotted : InputResult {
  GalleryRow row;
};

std::string optionsText(const PlotOptions& options) {
  std::string text =
      "xbt " XBTCONV_VERSION_TEXT " plot --sample-rate " + std::to_string(options.sampleRateHz);
  if (!options.qualityControl) text += " --no-qc";
  if (options.now) text += " --now " + isoTime(*options.now);
  return text;
}

class Plotter {
 public:
  Plotter(const PlotOptions& options, const OutputPlan& plan, fs::path folder, std::int64_t clock)
      : options_(options),
        plan_(plan),
        folder_(std::move(folder)),
        reading_{options.sampleRateHz, options.qualityControl, clock} {}

  const ObservationOptions& reading() const { return reading_; }
  /// Has `survey` judge each drop's track from now on.
  void judgeTracksBy(const DropSurvey& survey) { survey_ = &survey; }

  Plotted run(const BatchItem& item, MessageReader& reader) const {
    const InputFile& input = item.input;
    Plotted result;
    result.row.name = input.name;
    ObservationRead read = readObservation(reader, input.location(), input.name, reading_);
    if (read.status == ReadStatus::kNotLoaded) {
      result.row.status = read.reason;
      result.skipOrFail(passedOver(input, reader.loadFailure()), input.path, read.reason);
      return result;
    }
    Observation& observation = *read.observation;
    if (survey_ != nullptr) survey_->judgeTrack(input.path, observation);
    result.row = rowOf(observation);
    result.row.name = input.name;
    result.row.ok = read.status == ReadStatus::kDecoded;
    result.row.status = result.row.ok ? "ok" : read.reason;
    if (!result.row.ok) result.fail(input.path, read.reason);
    if (plan_.current(item) != nullptr) {
      if (result.row.ok) result.outcome = Outcome::kUpToDate;
    } else {
      std::string error;
      const std::string svg = toSvg(observation);
      result.pending = writeTemporary(
          item.folder->folder, item.outputName, [&svg](const TextSink& sink) { sink(svg); },
          options_.run.sync, error);
      if (!result.pending) {
        result.fail(input.path, "cannot write " + item.output + ": " + error);
        result.row.ok = false;
        result.row.status = "cannot write the plot: " + error;
        return result;
      }
      result.entry =
          plan_.entryFor(item, reader.fileIdentity(), *result.pending, !result.row.ok, read.reason,
                         options_.now ? std::nullopt : currentUntil(observation, reading_));
    }
    result.row.plot = href(item.output, folder_);
    const fs::path beside = input.directory.empty() ? fs::path(".") : fs::path(input.directory);
    result.row.report =
        existing({folder_ / (input.name + ".srp"), beside / (input.name + ".srp")}, folder_);
    const std::string data = outputName(input.name, ".json");
    result.row.data = existing({folder_ / data, beside / data}, folder_);
    return result;
  }

 private:
  const PlotOptions& options_;
  const OutputPlan& plan_;
  fs::path folder_;
  ObservationOptions reading_;
  const DropSurvey* survey_ = nullptr;
};

constexpr std::string_view kIndex = "index.html";

// Whether what stands at index.html in `folder` is someone else's: a page
// that xbt plot did not write, or anything that is no file (a FIFO, a
// link, a folder), is left alone.
bool someoneElsesPage(const Folder& folder) {
  EntryType found = EntryType::kNone;
  const int fd = folder.openFile(kIndex, found);
  if (fd < 0) return found != EntryType::kNone;
  std::string head(1024, '\0');
#ifdef _WIN32
  const long long got = ::_read(fd, head.data(), static_cast<unsigned>(head.size()));
  ::_close(fd);
#else
  ssize_t got = 0;
  do {
    got = ::read(fd, head.data(), head.size());
  } while (got < 0 && errno == EINTR);
  ::close(fd);
#endif
  head.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return got > 0 && !isGalleryPage(head);
}

}  // namespace

int runPlot(const PlotOptions& options, const RunReport& report) {
  catchInterrupts();
  const RunOptions& run = options.run;
  const std::string& folderName = run.outputDirectory;
  const fs::path folder = folderName.empty() ? fs::path(".") : fs::path(folderName);
  const std::string index = (folder / kIndex).string();
  if (const Folder existing = Folder::open(folderName);
      existing.isOpen() && someoneElsesPage(existing)) {
    report.note(index, "not written by xbt plot; left as it is (-o DIR plots into another folder)");
    return 1;
  }
  const std::int64_t clock = options.now.value_or(currentUtcSeconds());
  OutputPlan plan(run, {".svg", false, true}, optionsText(options), clock);
  if (std::optional<std::string> refused = plan.prepareOutputFolder()) {
    report.note(folder.string(), "cannot write: " + *refused);
    return 1;
  }
  const int jobs = jobsFor(run.jobs, true);
  Plotter plotter(options, plan, folder, clock);
  DropSurvey survey(run, plotter.reading(), jobs);
  plotter.judgeTracksBy(survey);
  // The page of what was plotted, a row at a time as the inputs are taken
  // up, also when the run is interrupted. It is no input: a page that
  // cannot be written fails the run, not a file.
  OutputStream page(plan.outputFolder()->folder, std::string(kIndex));
  GalleryPage gallery([&page](std::string_view piece) { page.write(piece); });
  Tally tally;
  const RunEnd end = runInputs<Plotted>(
      {run.paths, run.recursive, jobs, survey.held()},
      [&](BatchItem& item) -> std::optional<Plotted> {
        if (std::optional<InputResult> settled = settleEntry(item, run)) {
          Plotted plotted{std::move(*settled), {}};
          plotted.row.name = item.input.path;
          plotted.row.status = item.listingFailure;
          return plotted;
        }
        if (std::optional<InputResult> refused = plan.place(item)) {
          Plotted failed{std::move(*refused), {}};
          failed.row.name = item.input.name;
          failed.row.status =
              failed.failures.empty() ? "not written" : failed.failures.front().reason;
          return failed;
        }
        return std::nullopt;
      },
      [&](const BatchItem& item, MessageReader& reader) { return plotter.run(item, reader); },
      [&](std::vector<BatchItem>& items, std::vector<std::optional<Plotted>>& results) {
        plan.put(items, results);
      },
      [&](const BatchItem& item, Plotted&& plotted) {
        survey.noteSameDrop(item, plotted);
        takeUp(item, plotted, run, report, tally);
        if (plotted.outcome == Outcome::kRepeated) return;
        if (!plotted.placeFailure.empty()) {
          plotted.row.ok = false;
          plotted.row.status = "cannot write the plot: " + plotted.placeFailure;
          plotted.row.plot.clear();
        }
        gallery.add(plotted.row);
      });
  gallery.finish();
  std::string summary = tally.summary("plotted");
  std::string error;
  std::optional<PendingOutput> written = page.finish(run.sync, error);
  if (written && placeOutput(*written, run.sync, error)) {
    summary += "; the gallery: " + index;
  } else {
    report.note(index, "cannot write: " + error);
    tally.failRun();
  }
  plan.sayLostInputs(end == RunEnd::kFinished, report);
  return endRun(run, end, tally, summary, report);
}

}  // namespace xbtconv
