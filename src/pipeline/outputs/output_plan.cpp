#include "pipeline/outputs/output_plan.h"

#include <algorithm>
#include <map>

#include "pipeline/inputs/directory_listing.h"
#include "pipeline/inputs/path_spelling.h"
#include "pipeline/outputs/output_names.h"

namespace xbtconv {

OutputPlan::OutputPlan(const RunOptions& run, OutputNaming naming, const std::string& options,
                       std::int64_t clock)
    : run_(run),
      naming_(std::move(naming)),
      options_(optionsDigest(options)),
      clock_(clock),
      folders_(run.sync, run.update) {
  // An input named on the command line is never written over.
  for (const std::string& path : run.paths) claims_.protectInput(path);
}

std::optional<std::string> OutputPlan::prepareOutputFolder() {
  if (run_.outputDirectory.empty() && !naming_.oneFolder) return std::nullopt;
  std::string error;
  bool fresh = false;
  root_ = folders_.prepare(run_.outputDirectory, error, &fresh);
  if (root_ == nullptr) return error;
  if (fresh) noteRecord(*root_);
  return std::nullopt;
}

void OutputPlan::noteRecord(const OutputFolder& folder) {
  if (!folder.record.problem().empty()) {
    warnings_.push_back({folder.folder.pathOf(kRecordName), "warning: " + folder.record.problem()});
  }
}

OutputFolder* OutputPlan::folderFor(const BatchItem& item, const std::string& path,
                                    std::string& error, bool& fresh) {
  const InputFile& input = item.input;
  fresh = false;
  const bool underRoot = !run_.outputDirectory.empty();
  if (naming_.oneFolder || (underRoot && input.subfolder.empty())) return root_;
  OutputFolder* folder = folders_.prepare(
      path,
      [&]() {
        // Beside the input: the very folder it was listed from.
        if (!underRoot) return input.folder ? input.folder->duplicate() : Folder::open(path);
        // A mirrored subfolder: made level by level from the -o folder.
        Folder level = root_->folder.duplicate();
        for (std::size_t start = 0; level.isOpen() && start <= input.subfolder.size();) {
          const std::size_t end =
              std::min(input.subfolder.find(kPathSeparator, start), input.subfolder.size());
          level = level.subfolder(std::string_view(input.subfolder).substr(start, end - start),
                                  true, run_.sync);
          start = end + 1;
        }
        return level;
      },
      error, &fresh);
  if (fresh && folder != nullptr) noteRecord(*folder);
  return folder;
}

std::optional<InputResult> OutputPlan::place(BatchItem& item) {
  item.warnings = std::move(warnings_);
  warnings_.clear();
  const std::string folderPath =
      naming_.oneFolder ? run_.outputDirectory : outputFolderOf(item.input, run_.outputDirectory);
  item.outputName = naming_.keepInputExtension ? item.input.name + naming_.extension
                                               : outputName(item.input.name, naming_.extension);
  item.output = outputPath(folderPath, item.outputName);
  if (std::optional<std::string> taken = claims_.claim(item.output, item.input.path)) {
    InputResult refused;
    refused.fail(item.input.path, *taken);
    return refused;
  }
  std::string error;
  bool fresh = false;
  item.folder = folderFor(item, folderPath, error, fresh);
  if (item.folder == nullptr) {
    // Said once for the folder; its inputs are not read.
    InputResult refused;
    refused.outcome = Outcome::kNotWritten;
    if (fresh) {
      refused.failures.push_back({folderPath.empty() ? "." : folderPath, "cannot write: " + error});
    }
    return refused;
  }
  item.recordedInput = recordedInput(item, *item.folder);
  return std::nullopt;
}

std::string OutputPlan::recordedInput(const BatchItem& item, const OutputFolder& folder) {
  const InputFile& input = item.input;
  if (input.directory == folder.path) return input.name;
  // Most inputs share their folder with the one before.
  if (&folder != lastFolder_ || input.directory != lastDirectory_) {
    lastRelative_ = spelledFrom(folder.path, input.directory);
    lastFolder_ = &folder;
    lastDirectory_ = input.directory;
  }
  return lastRelative_ == "." ? input.name : lastRelative_ + '/' + input.name;
}

const RecordEntry* OutputPlan::current(const BatchItem& item) const {
  if (!run_.update || item.folder == nullptr) return nullptr;
  const RecordEntry* entry = item.folder->record.find(item.outputName);
  if (entry == nullptr || entry->options != options_ || entry->input != item.recordedInput ||
      (entry->currentUntil && clock_ >= *entry->currentUntil)) {
    return nullptr;
  }
  const std::optional<FileIdentity> input = item.input.identity();
  const std::optional<FileIdentity> output = item.folder->folder.fileIdentity(item.outputName);
  if (!input || *input != entry->inputFile || !output || *output != entry->outputFile) {
    return nullptr;
  }
  return entry;
}

void OutputPlan::sayLostInputs(bool finished, const RunReport& report) const {
  if (!run_.update || !finished || run_.quiet) return;
  for (const auto& [output, input] : folders_.lostInputs()) {
    report.note(output, "its input " + input + " is gone; left as it is");
  }
}

RecordEntry OutputPlan::entryFor(const BatchItem& item, const FileIdentity& input,
                                 const PendingOutput& written, bool failed, std::string note,
                                 std::optional<std::int64_t> currentUntil) const {
  return {item.recordedInput, input,          written.identity, options_, failed,
          currentUntil,       std::move(note)};
}

void OutputPlan::putAll(std::vector<std::pair<const BatchItem*, InputResult*>>& written) const {
  // The entries first, a write per folder: a run killed before the renames
  // leaves entries that match no file there, never a file without its
  // entry.
  std::map<OutputFolder*, std::string> lines;
  for (const auto& [item, result] : written) {
    OutputRecord::appendLine(lines[item->folder], item->outputName, result->entry);
  }
  for (auto& [folder, text] : lines) {
    const std::lock_guard<std::mutex> guard(folder->recordLock);
    std::string ignored;  // without its entry an output is only made again
    folder->record.append(text, ignored);
  }
  for (const auto& [item, result] : written) {
    std::string error;
    if (!placeOutput(*result->pending, run_.sync, error)) {
      result->placeFailure = error;
      result->failToWrite(item->input.path, "cannot write " + item->output + ": " + error);
    }
    result->pending.reset();
  }
}

}  // namespace xbtconv
