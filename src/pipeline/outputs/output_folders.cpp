#include "pipeline/outputs/output_folders.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <filesystem>

#include "formats/private_file.h"
#include "pipeline/inputs/directory_listing.h"
#include "pipeline/inputs/path_spelling.h"
#include "pipeline/outputs/file_identity.h"
#include "pipeline/outputs/output_file.h"

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace xbtconv {
namespace {

// The temporary and scratch files of runs that were killed in `folder`: no
// run writes there now, as this one holds the folder's lock.
void removeLeftovers(const Folder& folder) {
  folder.forEachEntry(
      [&folder](std::string_view name, EntryType) {
        if (isTemporaryName(name) || isPrivateFileName(name, ".scratch")) folder.remove(name);
        return true;
      },
      false);
}

// A run that writes in many folders holds one descriptor for each: as many
// as the system lets it.
void allowManyDescriptors() {
#ifndef _WIN32
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
  }
#endif
}

}  // namespace

OutputFolders::OutputFolders(bool sync, bool loadRecords) : sync_(sync), loadRecords_(loadRecords) {
  allowManyDescriptors();
}

OutputFolders::~OutputFolders() {
  // Unwinding from a failure may leave temporary files behind.
  if (std::uncaught_exceptions() != 0) return;
  for (auto& [spelling, entry] : folders_) {
    if (entry.folder) entry.folder->record.markRunEnded();
  }
}

OutputFolder* OutputFolders::prepare(const std::string& path, std::string& error, bool* fresh) {
  return prepare(
      path, [&]() { return Folder::make(path, sync_); }, error, fresh);
}

OutputFolder* OutputFolders::prepare(const std::string& path, const std::function<Folder()>& open,
                                     std::string& error, bool* fresh) {
  if (fresh != nullptr) *fresh = false;
  // Inputs come folder by folder: most ask for the folder the one before did.
  if (last_ != nullptr && path == lastName_) {
    error = last_->error;
    return last_->folder.get();
  }
  auto [at, added] = folders_.try_emplace(spelledOnce(path.empty() ? "." : path));
  last_ = &at->second;
  lastName_ = path;
  Entry& entry = at->second;
  if (!added) {
    error = entry.error;
    return entry.folder.get();
  }
  if (fresh != nullptr) *fresh = true;
  auto ready = std::make_unique<OutputFolder>();
  ready->path = path;
  ready->folder = open();
  std::string reason;
  if (!ready->folder.isOpen()) {
    reason = std::strerror(errno);
  } else if (!ready->folder.lock()) {
    reason = errno == EWOULDBLOCK
                 ? "another xbt run is writing in this folder; try again when it has finished"
                 : std::strerror(errno);
  }
  if (reason.empty() && ready->record.open(ready->folder, loadRecords_, reason)) {
    // Listing a large folder costs a run as much as a tenth of its file
    // work: done only when the last run here may have been killed.
    if (!ready->record.lastRunEnded()) removeLeftovers(ready->folder);
    entry.folder = std::move(ready);
    return entry.folder.get();
  }
  entry.error = reason;
  error = entry.error;
  return nullptr;
}

std::vector<std::pair<std::string, std::string>> OutputFolders::lostInputs() const {
  std::vector<std::pair<std::string, std::string>> lost;
  for (const auto& [spelling, entry] : folders_) {
    if (!entry.folder) continue;
    for (const auto& [output, recorded] : entry.folder->record.entries()) {
      // A collection's entry names no input file, only a digest of them
      // ("inputs 3f9a1c 12").
      if (recorded->input.starts_with("inputs ") &&
          recorded->input.find('/') == std::string::npos) {
        continue;
      }
      const std::string path = joinPath(entry.folder->path, output);
      // An input is recorded by its path from the record's folder (records
      // of earlier versions held it whole).
      const std::filesystem::path recordedPath(recorded->input);
      const std::string input =
          recordedPath.is_absolute()
              ? recorded->input
              : std::filesystem::path(joinPath(entry.folder->path, recorded->input))
                    .lexically_normal()
                    .string();
      std::error_code ignored;
      if (std::filesystem::exists(input, ignored) || ignored || !identityOf(path)) continue;
      lost.emplace_back(path, input);
    }
  }
  return lost;
}

}  // namespace xbtconv
