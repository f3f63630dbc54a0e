#include "pipeline/flows/collection_flow.h"

#include <charconv>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <unordered_map>

#include "formats/netcdf_export.h"
#include "formats/profile_id.h"
#include "pipeline/flows/export_options_text.h"
#include "pipeline/flows/observation_export.h"
#include "pipeline/inputs/directory_listing.h"
#include "pipeline/inputs/drop_survey.h"
#include "pipeline/inputs/path_spelling.h"
#include "pipeline/inputs/repeated_inputs.h"
#include "pipeline/outputs/output_folders.h"
#include "pipeline/run/batch_runner.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace xbtconv {
namespace {

namespace fs = std::filesystem;

// A digest of a run's inputs in order: each one's spelling from the
// collection's folder and its identity, and each folder that could not be
// listed.
class InputsDigest {
 public:
  explicit InputsDigest(std::string folder) : folder_(std::move(folder)) {}

  /// `path` as the record keeps it.
  std::string spelling(const std::string& path) const { return spelledFrom(folder_, path); }
  void add(const std::string& path, const FileIdentity& identity) {
    text_ = spelling(path);
    text_ += '\t' + std::to_string(identity.size) + '\t' + std::to_string(identity.modified);
    mix();
  }
  void addUnlisted(const std::string& folder) {
    text_ = "unlisted\t" + spelling(folder);
    mix();
  }
  std::string text() const {
    char digits[17];
    auto* const end = std::to_chars(digits, digits + sizeof digits, hash_, 16).ptr;
    return "inputs " + std::string(digits, end) + " " + std::to_string(count_);
  }

 private:
  void mix() {
    for (const char c : text_) hash_ = (hash_ ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    hash_ = (hash_ ^ '\n') * 1099511628211ull;
    ++count_;
  }

  std::string folder_;
  std::string text_;
  std::uint64_t hash_ = 14695981039346656037ull;
  std::size_t count_ = 0;
};

// The warning that names another input: its path is kept apart, so that
// --update names it as the run does, not as the first run did.
constexpr std::string_view kSameDrop = "warning: the same drop as ";

// What a run said, as the record keeps it for --update to say again: the
// counts, then each failure and each remark (a file passed over, a
// warning) in the order said, its subject (and another input it names) as
// the record keeps a path.
struct RunSaid {
  struct Line {
    bool failure = true;
    Note note;
    std::string other;  // the input the reason names at its end, or ""
  };
  int done = 0, failed = 0, skipped = 0, written = 0;
  std::vector<Line> lines;

  void add(const InputResult& result, const InputsDigest& digest) {
    for (const auto* notes : {&result.failures, &result.remarks}) {
      for (const Note& note : *notes) {
        Line line{notes == &result.failures, {digest.spelling(note.subject), note.reason}, ""};
        if (note.reason.starts_with(kSameDrop)) {
          line.other = digest.spelling(note.reason.substr(kSameDrop.size()));
          line.note.reason = kSameDrop;
        }
        lines.push_back(std::move(line));
      }
    }
  }
  std::string text() const {
    std::string out = std::to_string(done) + ' ' + std::to_string(failed) + ' ' +
                      std::to_string(skipped) + ' ' + std::to_string(written) + '\n';
    for (const Line& line : lines) {
      out.append(line.failure ? "F\t" : "R\t").append(line.note.subject);
      out.append("\t").append(line.note.reason);
      if (!line.other.empty()) out.append("\t").append(line.other);
      out.append("\n");
    }
    return out;
  }
  static RunSaid from(const std::string& text) {
    RunSaid said;
    std::size_t end = text.find('\n');
    std::string_view counts = std::string_view(text).substr(0, end);
    for (int* count : {&said.done, &said.failed, &said.skipped, &said.written}) {
      const auto [next, error] =
          std::from_chars(counts.data(), counts.data() + counts.size(), *count);
      if (error != std::errc()) break;
      counts.remove_prefix(static_cast<std::size_t>(next - counts.data()));
      if (!counts.empty()) counts.remove_prefix(1);
    }
    while (end != std::string::npos && end + 1 < text.size()) {
      const std::size_t start = end + 1;
      end = text.find('\n', start);
      const std::string line = text.substr(start, end - start);
      const std::size_t tab = line.find('\t', 2);
      if (line.size() < 2 || line[1] != '\t' || tab == std::string::npos) continue;
      std::string reason = line.substr(tab + 1);
      std::string other;
      if (reason.starts_with(kSameDrop) && reason.size() > kSameDrop.size() &&
          reason[kSameDrop.size()] == '\t') {
        other = reason.substr(kSameDrop.size() + 1);
        reason.resize(kSameDrop.size());
      }
      said.lines.push_back({line[0] == 'F', {line.substr(2, tab - 2), reason}, other});
    }
    return said;
  }
};

// The digest the inputs of `options` have now, without reading them; the
// paths of `said`'s lines as this run names them.
std::string currentInputs(const ExportOptions& options, const std::string& folder, RunSaid& said) {
  InputsDigest digest(folder);
  std::unordered_map<std::string, std::vector<std::string*>> named;
  for (RunSaid::Line& line : said.lines) {
    named[line.note.subject].push_back(&line.note.subject);
    if (!line.other.empty()) named[line.other].push_back(&line.other);
  }
  const auto name = [&](const std::string& path) {
    if (named.empty()) return;
    if (const auto found = named.find(digest.spelling(path)); found != named.end()) {
      for (std::string* spelled : found->second) *spelled = path;
    }
  };
  forEachInputFile(
      options.run.paths, options.run.recursive,
      [&](const InputFile& input) {
        if (!metThroughEarlierPath(input, options.run.paths, options.run.recursive)) {
          digest.add(input.path, input.identity().value_or(FileIdentity{}));
          name(input.path);
        }
        return true;
      },
      [&](const std::string& unlisted, const std::string&) {
        digest.addUnlisted(unlisted);
        name(unlisted);
      });
  return digest.text();
}

// Says again what the run that made the current collection said.
int repeat(const RunSaid& said, const ExportOptions& options, const RunReport& report) {
  Tally tally;
  for (const RunSaid::Line& line : said.lines) {
    if (line.failure || !options.run.quiet) {
      report.note(line.note.subject, line.note.reason + line.other);
    }
  }
  for (int i = 0; i < said.done; ++i) tally.count(Outcome::kUpToDate);
  for (int i = 0; i < said.failed; ++i) tally.count(Outcome::kFailed);
  for (int i = 0; i < said.skipped; ++i) tally.count(Outcome::kSkipped);
  for (int i = 0; i < said.written; ++i) tally.countWrittenFailure();
  return endRun(options.run, RunEnd::kFinished, tally,
                tally.summary("exported", writtenAnyway(ExportFormat::kNetcdf)), report);
}

// Whether a file can be made beside `name` in `folder`: a collection that
// cannot be written is said before any input is read.
std::string writableBeside(const Folder& folder, const std::string& name) {
  std::string error;
  const std::optional<NewTemporary> probe = createTemporary(folder, name, error);
  if (!probe) return error;
#ifdef _WIN32
  ::_close(probe->fd);
#else
  ::close(probe->fd);
#endif
  folder.remove(probe->temporary);
  return "";
}

}  // namespace

std::string collectionUsageProblem(const ExportOptions& options) {
  const std::string& collection = options.collection;
  if (collection.empty()) return "";
  const std::string spelled = spelledOnce(collection);
  bool input = isMessageFileName(fs::path(collection).filename().string());
  for (const std::string& path : options.run.paths) input = input || spelledOnce(path) == spelled;
  return input ? "--collection " + collection + " would replace an input; name a .nc file" : "";
}

namespace {

// Writes the collection gathered from a run that ended (`end`), with its
// record entry, or says why it was not written; its inputs are then counted
// not written.
void writeCollection(NetcdfCollection& collection, const ExportOptions& options, RunEnd end,
                     const RecordEntry& entry, OutputFolder& folder, const RunReport& report,
                     Tally& tally) {
  const std::string& path = options.collection;
  const std::string name = fs::path(path).filename().string();
  const std::string kept =
      folder.folder.typeOf(name) != EntryType::kNone ? "; the one written before is kept" : "";
  if (end != RunEnd::kFinished) {
    report.note(path, std::string("not written: ") +
                          (end == RunEnd::kInterrupted ? "interrupted" : kOutOfMemory) + kept);
    tally.leaveOutEveryDone();
    return;
  }
  if (collection.size() == 0) {
    report.note(path, "not written: no message to put in it" + kept);
    tally.failRun();
    return;
  }
  NetcdfOptions netcdf = options.netcdf;
  netcdf.id = fs::path(path).stem().string();
  std::string error;
  std::optional<PendingOutput> written = writeTemporaryBy(
      folder.folder, name,
      [&](const std::string& at, std::string& reason) {
        return collection.write(at, netcdf, reason);
      },
      options.run.sync, error);
  if (written) {
    RecordEntry made = entry;
    made.outputFile = written->identity;
    std::string ignored;  // without its entry a collection is only made again
    folder.record.append(OutputRecord::line(name, made), ignored);
  }
  if (!written || !placeOutput(*written, options.run.sync, error)) {
    report.note(path, "not written: " + error + kept);
    tally.leaveOutEveryDone();
  }
}

}  // namespace

int runCollection(const ExportOptions& options, const RunReport& report) {
  const RunOptions& run = options.run;
  const std::string& path = options.collection;
  OutputFolders folders(run.sync, run.update);
  std::string error;
  const std::string name = fs::path(path).filename().string();
  const std::string folderPath = fs::path(path).parent_path().string();
  OutputFolder* folder = folders.prepare(folderPath, error);
  if (folder == nullptr || !(error = writableBeside(folder->folder, name)).empty()) {
    report.note(path, "cannot write: " + error);
    return 1;
  }
  if (!folder->record.problem().empty()) {
    report.note(folder->folder.pathOf(kRecordName), "warning: " + folder->record.problem());
  }
  const std::uint64_t optionsId = optionsDigest(exportOptionsText(options));
  ObservationExport step(options);
  if (run.update) {
    const RecordEntry* entry = folder->record.find(name);
    if (entry != nullptr && entry->options == optionsId &&
        folder->folder.fileIdentity(name) == entry->outputFile &&
        !(entry->currentUntil && step.clock() >= *entry->currentUntil)) {
      RunSaid said = RunSaid::from(entry->note);
      if (entry->input == currentInputs(options, folderPath, said)) {
        return repeat(said, options, report);
      }
    }
  }
  NetcdfCollection collection(path, profileIdRoot(givenFolders(run.paths)));
  const int jobs = jobsFor(run.jobs, true);
  DropSurvey survey(run, step.reading(), jobs);
  step.judgeTracksBy(survey);
  InputsDigest digest(folderPath);
  RunSaid said;
  std::optional<std::int64_t> until;
  Tally tally;
  const RunEnd end = runInputs<Exported>(
      {run.paths, run.recursive, jobs, survey.held()},
      [&](BatchItem& item) -> std::optional<Exported> {
        if (std::optional<InputResult> settled = settleEntry(item, run)) {
          return Exported{std::move(*settled), "", std::nullopt, {}, std::nullopt};
        }
        return std::nullopt;
      },
      [&](const BatchItem& item, MessageReader& reader) { return step.run(item, reader, false); },
      [](std::vector<BatchItem>&, std::vector<std::optional<Exported>>&) {},
      [&](const BatchItem& item, Exported&& exported) {
        survey.noteSameDrop(item, exported);
        takeUp(item, exported, run, report, tally);
        if (exported.outcome == Outcome::kRepeated) return;
        if (!item.listingFailure.empty()) {
          digest.addUnlisted(item.input.path);
        } else {
          digest.add(item.input.path, exported.input);
        }
        said.add(exported, digest);
        if (exported.currentUntil && (!until || *exported.currentUntil < *until)) {
          until = exported.currentUntil;
        }
        if (exported.profile) collection.add(*exported.profile);
      });
  said.done = tally.done();
  said.failed = tally.failed();
  said.skipped = tally.skipped();
  said.written = tally.writtenFailures();
  writeCollection(collection, options, end,
                  {digest.text(), {}, {}, optionsId, said.failed != 0, until, said.text()}, *folder,
                  report, tally);
  return endRun(run, end, tally, tally.summary("exported", writtenAnyway(ExportFormat::kNetcdf)),
                report);
}

}  // namespace xbtconv
