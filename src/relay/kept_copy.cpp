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

bool readWhole(int fd, std::string& bytes, std::string& reason) {
  bytes.clear();
  char buffer[65536];
  while (true) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      reason = std::string("cannot read: ") + std::strerror(errno);
      return false;
    }
    if (got == 0) return true;
    bytes.append(buffer, static_cast<std::size_t>(got));
    if (bytes.size() > kMessageBytesAtMost) {
      reason = "larger than any message (over 16 MiB)";
      return false;
    }
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
  const int fd = copy.folder->createTemporary(kCopyStem, kCopySuffix, copy.temporary);
  if (fd < 0) return false;
  bool written = writeWhole(fd, bytes);
  int error = errno;
  // Closing can report a failure of the writes before it (on NFS).
  if (::close(fd) != 0 && written) {
    written = false;
    error = errno;
  }
  if (written) return true;
  copy.folder->remove(copy.temporary);
  errno = error;
  return false;
}

bool placeCopies(const std::vector<PendingCopy>& copies, std::string& failed) {
  const auto undo = [&](std::size_t from) {
    const int error = errno;
    for (std::size_t i = from; i < copies.size(); ++i)
      copies[i].folder->remove(copies[i].temporary);
    errno = error;
    return false;
  };
  // Contents first, once for each file system: a copy must be whole on
  // disk before its name is (a flood of small inputs costs one flush a
  // chunk, not one each).
  std::set<dev_t> flushed;
  std::set<const Folder*> folders;
  for (const PendingCopy& copy : copies) {
    if (!folders.insert(copy.folder).second) continue;
    struct stat info {};
    if (::fstat(copy.folder->descriptor(), &info) != 0 || !flushed.insert(info.st_dev).second) {
      continue;
    }
    if (::syncfs(copy.folder->descriptor()) != 0) {
      failed = copy.folder->path();
      return undo(0);
    }
  }
  for (std::size_t i = 0; i < copies.size(); ++i) {
    if (!copies[i].folder->rename(copies[i].temporary, copies[i].name)) {
      failed = copies[i].folder->pathOf(copies[i].name);
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
