#include "pipeline/outputs/folder.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "formats/private_file.h"

#ifdef _WIN32
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>
#else
#include <dirent.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace xbtconv {
namespace {

// Whether `name` is one entry of a folder, so that no call walks through a
// level it has not checked.
bool plainName(std::string_view name) {
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string_view::npos) {
    errno = EINVAL;
    return false;
  }
#ifdef _WIN32
  if (name.find('\\') != std::string_view::npos) {
    errno = EINVAL;
    return false;
  }
#endif
  return true;
}

constexpr int kAttempts = 16;  // random names taken already, passed over for others

#ifndef _WIN32
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

EntryType typeOfMode(mode_t mode) {
  if (S_ISREG(mode)) return EntryType::kFile;
  if (S_ISDIR(mode)) return EntryType::kFolder;
  if (S_ISLNK(mode)) return EntryType::kLink;
  return EntryType::kOther;
}

bool writeAll(int fd, std::string_view content) {
  while (!content.empty()) {
    const ssize_t written = ::write(fd, content.data(), content.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      if (written == 0) errno = EIO;
      return false;
    }
    content.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

// The level `name` of the folder `parent`, never through a link; made
// first where missing, with `create`.
int openLevel(int parent, const std::string& name, bool create, bool sync) {
  int fd = ::openat(parent, name.c_str(), kFolderFlags | O_NOFOLLOW);
  if (fd >= 0 || errno != ENOENT || !create) return fd;
  if (::mkdirat(parent, name.c_str(), 0777) != 0 && errno != EEXIST) return -1;
  fd = ::openat(parent, name.c_str(), kFolderFlags | O_NOFOLLOW);
  if (fd >= 0 && sync) ::fsync(parent);
  return fd;
}
#endif

}  // namespace

Folder::Folder(int fd, std::string path) : fd_(fd), open_(true), path_(std::move(path)) {
#ifndef _WIN32
  const long limit = ::fpathconf(fd_, _PC_NAME_MAX);
  if (limit > 0) nameMax_ = static_cast<std::size_t>(limit);
#endif
}

Folder::~Folder() { close(); }

Folder::Folder(Folder&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      open_(std::exchange(other.open_, false)),
      path_(std::move(other.path_)),
      nameMax_(other.nameMax_) {}

Folder& Folder::operator=(Folder&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = std::exchange(other.fd_, -1);
    open_ = std::exchange(other.open_, false);
    path_ = std::move(other.path_);
    nameMax_ = other.nameMax_;
  }
  return *this;
}

void Folder::close() {
#ifndef _WIN32
  if (fd_ >= 0) ::close(fd_);
#endif
  fd_ = -1;
  open_ = false;
}

std::string Folder::pathOf(std::string_view name) const {
  if (path_.empty()) return std::string(name);
  std::string joined = path_;
  if (joined.back() != '/') joined += '/';
  return joined.append(name);
}

#ifndef _WIN32

Folder Folder::open(const std::string& path) {
  const int fd = ::open(path.empty() ? "." : path.c_str(), kFolderFlags);
  return fd < 0 ? Folder() : Folder(fd, path);
}

Folder Folder::make(const std::string& path, bool sync) {
  const int whole = ::open(path.empty() ? "." : path.c_str(), kFolderFlags);
  if (whole >= 0 || errno != ENOENT) return whole < 0 ? Folder() : Folder(whole, path);
  // The deepest level that is there, resolved as given; each level below
  // it made in the one above.
  std::vector<std::string> missing;
  std::string existing = path;
  int fd = -1;
  while (fd < 0) {
    while (existing.size() > 1 && existing.back() == '/') existing.pop_back();
    const std::size_t slash = existing.rfind('/');
    missing.push_back(existing.substr(slash == std::string::npos ? 0 : slash + 1));
    existing.resize(slash == std::string::npos ? 0 : slash == 0 ? 1 : slash);
    fd = ::open(existing.empty() ? "." : existing.c_str(), kFolderFlags);
    if (fd < 0 && (errno != ENOENT || existing.empty())) return Folder();
  }
  // From the top down: the last level found missing is the highest.
  for (std::size_t i = missing.size(); i-- > 0;) {
    if (missing[i].empty()) continue;  // a doubled separator
    const int next = openLevel(fd, missing[i], true, sync);
    const int error = errno;
    ::close(fd);
    if (next < 0) {
      errno = error;
      return Folder();
    }
    fd = next;
  }
  return Folder(fd, path);
}

Folder Folder::duplicate() const {
  if (!open_) {
    errno = EBADF;
    return Folder();
  }
  const int fd = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
  return fd < 0 ? Folder() : Folder(fd, path_);
}

Folder Folder::subfolder(std::string_view name, bool create, bool sync) const {
  if (!plainName(name)) return Folder();
  const int fd = openLevel(fd_, std::string(name), create, sync);
  return fd < 0 ? Folder() : Folder(fd, pathOf(name));
}

EntryType Folder::typeOf(std::string_view name) const {
  struct stat info {};
  if (!plainName(name) ||
      ::fstatat(fd_, std::string(name).c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
    return EntryType::kNone;
  }
  return typeOfMode(info.st_mode);
}

std::optional<FileIdentity> Folder::fileIdentity(std::string_view name) const {
  struct stat info {};
  if (!plainName(name) ||
      ::fstatat(fd_, std::string(name).c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
      !S_ISREG(info.st_mode)) {
    return std::nullopt;
  }
  return identityFrom(info);
}

int Folder::openFile(std::string_view name, EntryType& found, bool followLink, FileIdentity* opened,
                     EntryType listed) const {
  found = EntryType::kNone;
  if (!plainName(name)) return -1;
  const std::string entry(name);
  struct stat info {};
  if (listed == EntryType::kFile) {
    // Listed as a regular file a moment ago: opened at once (a look first
    // cost a call for every input of a run). A link or folder swapped in
    // since is refused by the open, anything else by the look at what was
    // opened, and both are then looked at as below.
    const int fd =
        ::openat(fd_, entry.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
      found = EntryType::kFile;
      if (opened != nullptr) *opened = identityFrom(info);
      return fd;
    }
    const int error = errno;
    if (fd >= 0) ::close(fd);
    if (fd < 0 && error == ENOENT) return -1;
    errno = error;
  }
  if (::fstatat(fd_, entry.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return -1;
  found = typeOfMode(info.st_mode);
  const auto refuse = [&found]() {
    errno = found == EntryType::kLink ? ELOOP : found == EntryType::kFolder ? EISDIR : ENXIO;
    return -1;
  };
  int follow = O_NOFOLLOW;
  if (found == EntryType::kLink && followLink) {
    // What the link names, looked at before it is opened: a regular file
    // only (a FIFO or device is never opened, even for a moment).
    struct stat target {};
    if (::fstatat(fd_, entry.c_str(), &target, 0) != 0 || !S_ISREG(target.st_mode)) {
      return refuse();
    }
    follow = 0;
  } else if (found != EntryType::kFile) {
    return refuse();
  }
  // Swapped since it was looked at: a link is refused by O_NOFOLLOW, a
  // FIFO opens without waiting for a writer, and both are told apart
  // from a file on the descriptor.
  const int fd =
      ::openat(fd_, entry.c_str(), O_RDONLY | follow | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ELOOP) found = EntryType::kLink;
    return -1;
  }
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    const int error = errno;
    ::close(fd);
    errno = error;
    found = S_ISDIR(info.st_mode) ? EntryType::kFolder : EntryType::kOther;
    return refuse();
  }
  found = EntryType::kFile;
  if (opened != nullptr) *opened = identityFrom(info);
  return fd;
}

int Folder::createTemporary(std::string_view name, std::string_view suffix,
                            std::string& made) const {
  if (!plainName(name)) return -1;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    made = privateFileName(name, suffix, nameMax_);
    const int fd =
        ::openat(fd_, made.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

bool Folder::rename(std::string_view from, std::string_view to, bool sync) const {
  return renameTo(from, *this, to, sync);
}

bool Folder::renameTo(std::string_view from, const Folder& target, std::string_view to,
                      bool sync) const {
  if (!plainName(from) || !plainName(to)) return false;
  if (::renameat(fd_, std::string(from).c_str(), target.fd_, std::string(to).c_str()) != 0) {
    return false;
  }
  if (sync) {
    target.sync();
    if (target.fd_ != fd_) this->sync();
  }
  return true;
}

bool Folder::writeFile(std::string_view name, std::string_view content, bool sync) const {
  std::string temporary;
  const int fd = createTemporary(name, ".partial", temporary);
  if (fd < 0) return false;
  bool written = writeAll(fd, content) && (!sync || ::fsync(fd) == 0);
  int error = errno;
  // Closing can report a failure of the writes before it (on NFS).
  if (::close(fd) != 0 && written) {
    written = false;
    error = errno;
  }
  if (written && rename(temporary, name, sync)) return true;
  if (written) error = errno;
  ::unlinkat(fd_, temporary.c_str(), 0);
  errno = error;
  return false;
}

bool Folder::remove(std::string_view name) const {
  if (!plainName(name)) return false;
  // Without allocating: a run whose memory ran out still removes its
  // temporary files.
  char text[1024];
  if (name.size() >= sizeof text) return ::unlinkat(fd_, std::string(name).c_str(), 0) == 0;
  std::memcpy(text, name.data(), name.size());
  text[name.size()] = '\0';
  return ::unlinkat(fd_, text, 0) == 0;
}

bool Folder::sync() const { return ::fsync(fd_) == 0; }

bool Folder::lock() const { return ::flock(fd_, LOCK_EX | LOCK_NB) == 0; }

bool Folder::forEachEntry(const std::function<bool(std::string_view, EntryType)>& visit,
                          bool types) const {
  // A listing of its own ("." opened anew), so that two listings, or a
  // listing and the calls above, never share a position.
  const int fd = ::openat(fd_, ".", kFolderFlags);
  if (fd < 0) return false;
  DIR* const listing = ::fdopendir(fd);
  if (listing == nullptr) {
    ::close(fd);
    return false;
  }
  bool whole = true;
  errno = 0;
  while (const dirent* entry = ::readdir(listing)) {
    const std::string_view name(entry->d_name);
    if (name == "." || name == "..") continue;
    EntryType type = EntryType::kUnknown;
    switch (entry->d_type) {
      case DT_REG:
        type = EntryType::kFile;
        break;
      case DT_DIR:
        type = EntryType::kFolder;
        break;
      case DT_LNK:
        type = EntryType::kLink;
        break;
      case DT_UNKNOWN:
        // Some file systems do not say: asked of the entry itself, when
        // the caller needs to know.
        if (types) type = typeOf(name);
        break;
      default:
        type = EntryType::kOther;
    }
    if (!visit(name, type)) break;
    errno = 0;
  }
  // A listing that breaks off part-way would leave entries out without a
  // word: it fails.
  const int error = errno;
  if (error != 0) whole = false;
  ::closedir(listing);
  errno = error;
  return whole;
}

int openNamedFile(const std::string& path, EntryType& found, FileIdentity* opened) {
  found = EntryType::kNone;
  // A handle on what the path names, which opens nothing: it is looked at,
  // and only a regular file is then opened through it, so that what is
  // opened is what was looked at.
  const int handle = ::open(path.c_str(), O_PATH | O_CLOEXEC);
  if (handle < 0) return -1;
  struct stat info {};
  int fd = -1;
  if (::fstat(handle, &info) == 0) {
    found = typeOfMode(info.st_mode);
    if (found == EntryType::kFile) {
      const int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
      fd = ::open(("/proc/self/fd/" + std::to_string(handle)).c_str(), flags);
      // Without /proc: the path again, the same file or none.
      struct stat reopened {};
      if (fd < 0 && errno == ENOENT && (fd = ::open(path.c_str(), flags)) >= 0 &&
          (::fstat(fd, &reopened) != 0 || reopened.st_dev != info.st_dev ||
           reopened.st_ino != info.st_ino)) {
        ::close(fd);
        fd = -1;
        errno = ENXIO;
        found = EntryType::kOther;
      }
      if (fd >= 0 && opened != nullptr) *opened = identityFrom(info);
    } else {
      errno = found == EntryType::kFolder ? EISDIR : ENXIO;
    }
  }
  const int error = errno;
  ::close(handle);
  errno = error;
  return fd;
}

#else

// Windows: by name, under the folder's path.
namespace fs = std::filesystem;

Folder Folder::open(const std::string& path) {
  std::error_code code;
  if (!fs::is_directory(path.empty() ? "." : path, code)) {
    errno = code ? code.value() : ENOTDIR;
    return Folder();
  }
  return Folder(-1, path);
}

Folder Folder::make(const std::string& path, bool /*sync*/) {
  std::error_code code;
  if (!path.empty()) fs::create_directories(path, code);
  return open(path);
}

Folder Folder::duplicate() const { return open_ ? Folder(-1, path_) : Folder(); }

Folder Folder::subfolder(std::string_view name, bool create, bool sync) const {
  if (!plainName(name)) return Folder();
  return create ? make(pathOf(name), sync) : open(pathOf(name));
}

EntryType Folder::typeOf(std::string_view name) const {
  std::error_code code;
  const fs::file_status status = fs::symlink_status(pathOf(name), code);
  switch (status.type()) {
    case fs::file_type::regular:
      return EntryType::kFile;
    case fs::file_type::directory:
      return EntryType::kFolder;
    case fs::file_type::symlink:
      return EntryType::kLink;
    case fs::file_type::not_found:
    case fs::file_type::none:
      return EntryType::kNone;
    default:
      return EntryType::kOther;
  }
}

std::optional<FileIdentity> Folder::fileIdentity(std::string_view name) const {
  if (typeOf(name) != EntryType::kFile) return std::nullopt;
  return identityOf(pathOf(name));
}

int Folder::openFile(std::string_view name, EntryType& found, bool /*followLink*/,
                     FileIdentity* /*opened*/, EntryType /*listed*/) const {
  found = plainName(name) ? typeOf(name) : EntryType::kNone;
  if (found != EntryType::kFile) {
    if (found != EntryType::kNone) errno = found == EntryType::kFolder ? EISDIR : ENXIO;
    return -1;
  }
  return ::_open(pathOf(name).c_str(), _O_RDONLY | _O_BINARY);
}

int Folder::createTemporary(std::string_view name, std::string_view suffix,
                            std::string& made) const {
  if (!plainName(name)) return -1;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    made = privateFileName(name, suffix, nameMax_);
    const int fd = createNewFile(pathOf(made));
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

bool Folder::rename(std::string_view from, std::string_view to, bool sync) const {
  return renameTo(from, *this, to, sync);
}

bool Folder::renameTo(std::string_view from, const Folder& target, std::string_view to,
                      bool /*sync*/) const {
  if (!plainName(from) || !plainName(to)) return false;
  std::error_code code;
  fs::rename(pathOf(from), target.pathOf(to), code);
  if (code) errno = code.value();
  return !code;
}

bool Folder::writeFile(std::string_view name, std::string_view content, bool sync) const {
  std::string temporary;
  const int fd = createTemporary(name, ".partial", temporary);
  if (fd < 0) return false;
  bool written = true;
  for (std::string_view left = content; written && !left.empty();) {
    const int count =
        ::_write(fd, left.data(),
                 static_cast<unsigned>(std::min<std::size_t>(left.size(), std::size_t{1} << 30)));
    written = count > 0;
    if (written) left.remove_prefix(static_cast<std::size_t>(count));
  }
  if (written && sync) written = ::_commit(fd) == 0;
  written = ::_close(fd) == 0 && written;
  if (written && rename(temporary, name, sync)) return true;
  std::remove(pathOf(temporary).c_str());
  return false;
}

bool Folder::remove(std::string_view name) const {
  return plainName(name) && std::remove(pathOf(name).c_str()) == 0;
}

// A folder has no handle to flush here; the file system's journal keeps
// its renames.
bool Folder::sync() const { return true; }

// No such lock: runs into one folder must take turns.
bool Folder::lock() const { return true; }

bool Folder::forEachEntry(const std::function<bool(std::string_view, EntryType)>& visit,
                          bool types) const {
  std::error_code code;
  fs::directory_iterator entry(path_.empty() ? "." : path_, code);
  for (; !code && entry != fs::directory_iterator(); entry.increment(code)) {
    std::string name;
    try {
      name = entry->path().filename().string();
    } catch (const std::exception&) {
      // A name the narrow code page cannot hold could not be opened by it.
      continue;
    }
    if (!visit(name, types ? typeOf(name) : EntryType::kUnknown)) return true;
  }
  if (code) errno = code.value();
  return !code;
}

int openNamedFile(const std::string& path, EntryType& found, FileIdentity* /*opened*/) {
  std::error_code code;
  switch (fs::status(path, code).type()) {
    case fs::file_type::regular:
      found = EntryType::kFile;
      return ::_open(path.c_str(), _O_RDONLY | _O_BINARY);
    case fs::file_type::not_found:
    case fs::file_type::none:
      found = EntryType::kNone;
      errno = ENOENT;
      return -1;
    case fs::file_type::directory:
      found = EntryType::kFolder;
      errno = EISDIR;
      return -1;
    default:
      found = EntryType::kOther;
      errno = ENXIO;
      return -1;
  }
}

#endif

std::optional<std::vector<FolderEntry>> Folder::entries() const {
  std::vector<FolderEntry> all;
  if (!forEachEntry([&all](std::string_view name, EntryType type) {
        all.push_back({std::string(name), type});
        return true;
      })) {
    return std::nullopt;
  }
  return all;
}

}  // namespace xbtconv
