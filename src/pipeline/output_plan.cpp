#include "pipeline/output_plan.h"

#include <map>

#include "pipeline/output_names.h"
#include "pipeline/path_spelling.h"

namespace xbtconv {
namespace {

// The file name of `path`, the record's key for it.
std::string_view fileNameOf(const std::string& path) {
  const std::size_t separator = path.find_last_of("/\\");
  return separator == std::string::npos ? std::string_view(path)
                                        : std::string_view(path).substr(separator + 1);
}

}  // namespace

OutputPlan::OutputPlan(const RunOptions& run, OutputNaming naming, const std::string& options)
    : run_(run),
      naming_(std::move(naming)),
      options_(optionsDigest(options)),
      folders_(run.sync, run.update) {
  // An input named on the command line is never written over.
  for (const std::string& path : run.paths) claims_.protectInput(path);
}

std::optional<std::string> OutputPlan::prepareOutputFolder() {
  if (run_.outputDirectory.empty() && !naming_.oneFolder) return std::nullopt;
  std::string error;
  if (folders_.prepare(run_.outputDirectory, error) == nullptr) return error;
  return std::nullopt;
}

std::optional<std::string> OutputPlan::place(BatchItem& item) {
  const std::string folder =
      naming_.oneFolder ? run_.outputDirectory : outputFolderOf(item.input, run_.outputDirectory);
  item.output = outputPath(folder, naming_.keepInputExtension
                                       ? item.input.name + naming_.extension
                                       : outputName(item.input.name, naming_.extension));
  if (std::optional<std::string> taken = claims_.claim(item.output, item.input.path)) return taken;
  std::string error;
  item.folder = folders_.prepare(folder, error);
  if (item.folder == nullptr) return "cannot write " + item.output + ": " + error;
  return std::nullopt;
}

const RecordEntry* OutputPlan::current(const BatchItem& item) const {
  if (!run_.update || item.folder == nullptr) return nullptr;
  const RecordEntry* entry = item.folder->record.find(fileNameOf(item.output));
  if (entry == nullptr || entry->options != options_) return nullptr;
  const std::optional<FileIdentity> input = identityOf(item.input.path);
  const std::optional<FileIdentity> output = identityOf(item.output);
  if (!input || *input != entry->inputFile || !output || *output != entry->outputFile ||
      entry->input != spelledOnce(item.input.path)) {
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
                                 const PendingOutput& written, bool failed,
                                 std::string note) const {
  return {spelledOnce(item.input.path), input, written.identity, options_, failed, std::move(note)};
}

void OutputPlan::putAll(std::vector<std::pair<const BatchItem*, InputResult*>>& written) const {
  // The entries first, a write per folder: a run killed before the renames
  // leaves entries that match no file there, never a file without its
  // entry.
  std::map<OutputFolder*, std::string> lines;
  for (const auto& [item, result] : written) {
    OutputRecord::appendLine(lines[item->folder], fileNameOf(item->output), result->entry);
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
      result->writtenAnyway = false;
      result->fail(item->input.path, "cannot write " + item->output + ": " + error);
    }
    result->pending.reset();
  }
}

}  // namespace xbtconv
