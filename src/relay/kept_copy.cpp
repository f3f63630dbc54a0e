#include "relay/kept_copy.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <set>

#include "formats/private_file.h"

namespace xbtconv {
namespace {

// What every private copy's name begins with: a dot, which no input's has.
constexpr std::string_view kCopyStem = ".xbt-copy";
constexpr std::string_view kCopySuffix = ".partial";

}  // namespace

bool FileBuffer::read(int fd, std::string& reason) {
  size_ = 0;
  if (data_.empty()) data_.resize(std::size_t{1} << 16);
  while (true) {
    if (size_ == data_.size()) {
      if (size_ > kMessageBytesAtMost) {
        reason = "larger than any message (over 16 MiB)";
        return false;
      }
      data_.resize(2 * data_.size());
    }
    const std::size_t room = data_.size() - size_;
    const ssize_t got = ::read(fd, data_.data() + size_, room);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      reason = std::string("cannot read: ") + std::strerror(errno);
      return false;
    }
    size_ += static_cast<std::size_t>(got);
    // A regular file gives less than asked only at its end: no second read
    // to be told so.
    if (static_cast<std::size_t>(got) < room) return true;
  }
}

bool writeWhole(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

bool writeCopy(std::string_view bytes, PendingCopy& copy) {
  const int fd = copy.stage->createTemporary(kCopyStem, kCopySuffix, copy.temporary);
  if (fd < 0) return false;
  bool written = writeWhole(fd, bytes);
  int error = errno;
  // Closing can report a failure of the writes before it (on NFS).
  if (::close(fd) != 0 && written) {
    written = false;
    error = errno;
  }
  if (written) return true;
  copy.stage->remove(copy.temporary);
  errno = error;
  return false;
}

namespace {

// Puts `copy` in place where its stage and its folder are on different file
// systems: written again in its folder, flushed, named; the first goes.
bool copyAcross(const PendingCopy& copy) {
  EntryType found = EntryType::kNone;
  const int fd = copy.stage->openFile(copy.temporary, found);
  FileBuffer buffer;
  std::string reason;
  const bool read = fd >= 0 && buffer.read(fd, reason);
  if (fd >= 0) ::close(fd);
  if (!read) return false;
  PendingCopy again{copy.folder, "", copy.folder, copy.name};
  if (!writeCopy(buffer.bytes(), again)) return false;
  const int out = again.folder->openFile(again.temporary, found);
  const bool flushed = out >= 0 && ::fsync(out) == 0;
  if (out >= 0) ::close(out);
  if (!flushed || !again.folder->rename(again.temporary, again.name)) {
    again.folder->remove(again.temporary);
    return false;
  }
  copy.stage->remove(copy.temporary);
  return true;
}

}  // namespace

bool placeCopies(const std::vector<PendingCopy>& copies, std::string& failed) {
  const auto undo = [&](std::size_t from) {
    const int error = errno;
    for (std::size_t i = from; i < copies.size(); ++i) copies[i].stage->remove(copies[i].temporary);
    errno = error;
    return false;
  };
  // Contents first, once for each file system: a copy must be whole on
  // disk before its name is (a flood of small inputs costs one flush a
  // chunk, not one each).
  std::set<dev_t> flushed;
  std::set<const Folder*> stages;
  std::set<const Folder*> folders;
  for (const PendingCopy& copy : copies) {
    folders.insert(copy.folder);
    if (!stages.insert(copy.stage).second) continue;
    struct stat info {};
    if (::fstat(copy.stage->descriptor(), &info) != 0 || !flushed.insert(info.st_dev).second) {
      continue;
    }
    if (::syncfs(copy.stage->descriptor()) != 0) {
      failed = copy.stage->path();
      return undo(0);
    }
  }
  for (std::size_t i = 0; i < copies.size(); ++i) {
    const PendingCopy& copy = copies[i];
    if (copy.stage->renameTo(copy.temporary, *copy.folder, copy.name)) continue;
    if (errno != EXDEV || !copyAcross(copy)) {
      failed = copy.folder->pathOf(copy.name);
      return undo(i);
    }
  }
  for (const Folder* folder : folders) {
    if (!folder->sync()) {
      failed = folder->path();
      return false;
    }
  }
  return true;
}

void removeCopyLeftovers(const Folder& folder) {
  std::vector<std::string> leftovers;
  folder.forEachEntry([&](std::string_view name, EntryType type) {
    if (type == EntryType::kFile && name.starts_with(kCopyStem) &&
        isPrivateFileName(name, kCopySuffix)) {
      leftovers.emplace_back(name);
    }
    return true;
  });
  for (const std::string& name : leftovers) folder.remove(name);
}

std::string numberedName(std::string_view name, std::string_view number, std::size_t limit) {
  const std::size_t dot = name.rfind('.');
  // An extension is short ("bin"): a name whose last dot comes early has
  // none that must be kept whole.
  const bool extension = dot != std::string_view::npos && dot != 0 && name.size() - dot <= 16;
  std::string_view stem = extension ? name.substr(0, dot) : name;
  const std::string_view tail = extension ? name.substr(dot) : std::string_view();
  const std::size_t room =
      limit > number.size() + 1 + tail.size() ? limit - number.size() - 1 - tail.size() : 0;
  if (stem.size() > room) {
    stem = stem.substr(0, room);
    // Not in the middle of a UTF-8 character: a last character cut short
    // goes whole.
    std::size_t last = stem.size();
    while (last > 0 && (static_cast<unsigned char>(stem[last - 1]) & 0xC0) == 0x80) --last;
    if (last > 0) {
      const auto lead = static_cast<unsigned char>(stem[last - 1]);
      const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
      if (stem.size() - (last - 1) < length) stem = stem.substr(0, last - 1);
    }
  }
  std::string numbered(stem);
  numbered += '.';
  numbered += number;
  numbered += tail;
  return numbered;
}

}  // namespace xbtconv
