#include "pipeline/output_folders.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <filesystem>
#include <system_error>
#include <vector>

#include "formats/private_file.h"
#include "pipeline/directory_listing.h"
#include "pipeline/file_identity.h"
#include "pipeline/output_file.h"
#include "pipeline/path_spelling.h"

#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace xbtconv {
namespace {

namespace fs = std::filesystem;

#ifndef _WIN32
void syncFolder(const fs::path& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Locks `folder` for this run; the descriptor that holds the lock, or -1
// with the reason.
int lockFolder(const std::string& folder, std::string& error) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    error = std::strerror(errno);
    return -1;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    error = errno == EWOULDBLOCK ? "another xbt run is writing in this folder; try again when it "
                                   "has finished"
                                 : std::strerror(errno);
    ::close(fd);
    return -1;
  }
  return fd;
}

// The temporary and scratch files of runs that were killed in `folder`: no
// run writes there now, as this one holds the folder's lock.
void removeLeftovers(const std::string& folder) {
  DIR* const listing = ::opendir(folder.empty() ? "." : folder.c_str());
  if (listing == nullptr) return;
  const int fd = ::dirfd(listing);
  while (const dirent* entry = ::readdir(listing)) {
    if (isTemporaryName(entry->d_name) || isPrivateFileName(entry->d_name, ".scratch")) {
      ::unlinkat(fd, entry->d_name, 0);
    }
  }
  ::closedir(listing);
}

// A run that writes in many folders holds one descriptor for each: as many
// as the system lets it.
void allowManyDescriptors() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
  }
}
#else
void syncFolder(const fs::path&) {}
int lockFolder(const std::string&, std::string&) { return -1; }
void removeLeftovers(const std::string& folder) {
  std::error_code code;
  for (fs::directory_iterator entry(folder.empty() ? "." : folder, code), end;
       !code && entry != end; entry.increment(code)) {
    const std::string name = entry->path().filename().string();
    if (isTemporaryName(name)) fs::remove(entry->path(), code);
  }
}
void allowManyDescriptors() {}
#endif

}  // namespace

bool makeOutputFolder(const std::string& folder, bool sync, std::string& error) {
  if (folder.empty()) return true;
  std::vector<fs::path> made;
  std::error_code code;
  for (fs::path missing = folder; !missing.empty() && !fs::exists(missing, code);
       missing = missing.parent_path()) {
    made.push_back(missing);
    if (missing == missing.parent_path()) break;
  }
  fs::create_directories(folder, code);
  if (code) {
    error = "cannot create the folder: " + code.message();
    return false;
  }
  if (sync) {
    // From the top down, each new folder's entry in the folder above.
    for (std::size_t i = made.size(); i-- > 0;) syncFolder(made[i].parent_path());
  }
  return true;
}

OutputFolders::OutputFolders(bool sync, bool loadRecords) : sync_(sync), loadRecords_(loadRecords) {
  allowManyDescriptors();
}

OutputFolders::~OutputFolders() {
  // Unwinding from a failure may leave temporary files behind.
  const bool ended = std::uncaught_exceptions() == 0;
  for (auto& [spelling, entry] : folders_) {
    if (!entry.folder) continue;
    if (ended) entry.folder->record.markRunEnded();
#ifndef _WIN32
    if (entry.folder->lock >= 0) ::close(entry.folder->lock);
#endif
  }
}

OutputFolder* OutputFolders::prepare(const std::string& folder, std::string& error) {
  // Inputs come folder by folder: most ask for the folder the one before did.
  if (last_ != nullptr && folder == lastName_) {
    error = last_->error;
    return last_->folder.get();
  }
  auto [at, fresh] = folders_.try_emplace(spelledOnce(folder.empty() ? "." : folder));
  last_ = &at->second;
  lastName_ = folder;
  Entry& entry = at->second;
  if (!fresh) {
    error = entry.error;
    return entry.folder.get();
  }
  auto ready = std::make_unique<OutputFolder>();
  ready->path = folder;
  std::string reason;
  if (makeOutputFolder(folder, sync_, reason)) ready->lock = lockFolder(folder, reason);
  if (reason.empty() && ready->record.open(folder, loadRecords_, reason)) {
    // Listing a large folder costs a run as much as a tenth of its file
    // work: done only when the last run here may have been killed.
    if (!ready->record.lastRunEnded()) removeLeftovers(folder);
    entry.folder = std::move(ready);
    return entry.folder.get();
  }
#ifndef _WIN32
  if (ready->lock >= 0) ::close(ready->lock);
#endif
  entry.error = reason;
  error = entry.error;
  return entry.folder.get();
}

std::vector<std::pair<std::string, std::string>> OutputFolders::lostInputs() const {
  std::vector<std::pair<std::string, std::string>> lost;
  for (const auto& [spelling, entry] : folders_) {
    if (!entry.folder) continue;
    for (const auto& [output, recorded] : entry.folder->record.entries()) {
      const std::string path = joinPath(entry.folder->path, output);
      std::error_code ignored;
      // A collection's entry names no input file, only a digest of them.
      if (!std::filesystem::path(recorded->input).is_absolute() ||
          std::filesystem::exists(recorded->input, ignored) || ignored || !identityOf(path)) {
        continue;
      }
      lost.emplace_back(path, recorded->input);
    }
  }
  return lost;
}

}  // namespace xbtconv
