#include "pipeline/outputs/output_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

#include "formats/private_file.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace xbtconv {
namespace {

constexpr std::string_view kTemporarySuffix = ".partial";
// What an OutputStream gathers before it writes.
constexpr std::size_t kBlock = std::size_t{64} << 10;

std::string reasonOf(int error) { return std::strerror(error != 0 ? error : EIO); }

#ifdef _WIN32
int closeFile(int fd) { return ::_close(fd); }
int syncFile(int fd) { return ::_commit(fd); }
long long writeSome(int fd, const char* data, std::size_t count) {
  return ::_write(fd, data, static_cast<unsigned>(std::min<std::size_t>(count, 1u << 30)));
}
#else
int closeFile(int fd) { return ::close(fd); }
int syncFile(int fd) { return ::fsync(fd); }
long long writeSome(int fd, const char* data, std::size_t count) {
  return ::write(fd, data, count);
}
#endif

bool writeAll(int fd, std::string_view content) {
  while (!content.empty()) {
    const long long written = writeSome(fd, content.data(), content.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    content.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

// Finishes the temporary file `made`, written through its descriptor:
// flushed with `sync`, closed, its identity taken. On failure, removes it
// and says why.
std::optional<PendingOutput> finishTemporary(const NewTemporary& made, bool written, int error,
                                             bool sync, std::string& reason) {
  if (written && sync && syncFile(made.fd) != 0) {
    written = false;
    error = errno;
  }
  std::optional<FileIdentity> identity;
  if (written) {
    identity = identityOfDescriptor(made.fd);
    if (!identity) {
      written = false;
      error = errno;
    }
  }
  // Closing can report a failure of the writes before it (on NFS).
  if (closeFile(made.fd) != 0 && written) {
    written = false;
    error = errno;
  }
  if (!written) {
    reason = reasonOf(error);
    made.folder->remove(made.temporary);
    return std::nullopt;
  }
  return PendingOutput(made.folder, made.name, made.temporary, *identity);
}

// Removes `output`'s temporary file, if it still has one, also on the way
// out of a run whose memory ran out: nothing here may throw.
void removeQuietly(PendingOutput& output) noexcept {
  try {
    if (!output.temporary.empty()) discardOutput(output);
  } catch (...) {
  }
}

}  // namespace

PendingOutput::PendingOutput(const Folder* in, std::string named, std::string made,
                             FileIdentity written)
    : folder(in), name(std::move(named)), temporary(std::move(made)), identity(written) {}

PendingOutput::~PendingOutput() { removeQuietly(*this); }

PendingOutput::PendingOutput(PendingOutput&& other) noexcept
    : folder(other.folder),
      name(std::move(other.name)),
      temporary(std::exchange(other.temporary, std::string())),
      identity(other.identity) {}

PendingOutput& PendingOutput::operator=(PendingOutput&& other) noexcept {
  if (this != &other) {
    removeQuietly(*this);
    folder = other.folder;
    name = std::move(other.name);
    temporary = std::exchange(other.temporary, std::string());
    identity = other.identity;
  }
  return *this;
}

std::optional<NewTemporary> createTemporary(const Folder& folder, const std::string& name,
                                            std::string& error) {
  NewTemporary made{&folder, name, {}, -1};
  made.fd = folder.createTemporary(name, kTemporarySuffix, made.temporary);
  if (made.fd < 0) {
    error = reasonOf(errno);
    return std::nullopt;
  }
  return made;
}

std::optional<PendingOutput> fillTemporary(const NewTemporary& made, const ContentProducer& produce,
                                           bool sync, std::string& error) {
  bool written = true;
  int failure = 0;
  try {
    produce([&](std::string_view piece) {
      if (written && !writeAll(made.fd, piece)) {
        written = false;
        failure = errno != 0 ? errno : EIO;
      }
    });
  } catch (...) {
    // Out of memory while making the content: nothing is left of the file.
    closeFile(made.fd);
    made.folder->remove(made.temporary);
    throw;
  }
  return finishTemporary(made, written, failure, sync, error);
}

std::optional<PendingOutput> writeTemporary(const Folder& folder, const std::string& name,
                                            const ContentProducer& produce, bool sync,
                                            std::string& error) {
  const std::optional<NewTemporary> made = createTemporary(folder, name, error);
  if (!made) return std::nullopt;
  return fillTemporary(*made, produce, sync, error);
}

std::optional<PendingOutput> writeTemporaryBy(
    const Folder& folder, const std::string& name,
    const std::function<bool(const std::string&, std::string&)>& write, bool sync,
    std::string& error) {
  const std::optional<NewTemporary> made = createTemporary(folder, name, error);
  if (!made) return std::nullopt;
  // The library opens the file by a name; this one is the very file made
  // above, whatever is done to the folder meanwhile.
  std::string at = folder.pathOf(made->temporary);
#ifndef _WIN32
  const std::string own = "/proc/self/fd/" + std::to_string(made->fd);
  if (::access(own.c_str(), F_OK) == 0) at = own;
#endif
  std::string reason;
  bool written = false;
  try {
    written = write(at, reason);
  } catch (...) {
    closeFile(made->fd);
    folder.remove(made->temporary);
    throw;
  }
  if (!written) {
    closeFile(made->fd);
    folder.remove(made->temporary);
    error = reason;
    return std::nullopt;
  }
  return finishTemporary(*made, true, 0, sync, error);
}

OutputStream::OutputStream(const Folder& folder, const std::string& name)
    : made_(createTemporary(folder, name, error_)) {
  // Room for a block, made once: a run whose memory runs out still writes.
  if (made_) buffer_.reserve(kBlock);
}

OutputStream::~OutputStream() {
  if (!made_) return;
  closeFile(made_->fd);
  made_->folder->remove(made_->temporary);
}

void OutputStream::write(std::string_view piece) {
  if (!made_ || failure_ != 0) return;
  if (buffer_.size() + piece.size() > kBlock) flush();
  if (piece.size() >= kBlock) {
    if (failure_ == 0 && !writeAll(made_->fd, piece)) failure_ = errno != 0 ? errno : EIO;
  } else {
    buffer_ += piece;
  }
}

void OutputStream::flush() {
  if (made_ && failure_ == 0 && !writeAll(made_->fd, buffer_)) failure_ = errno != 0 ? errno : EIO;
  buffer_.clear();
}

std::optional<PendingOutput> OutputStream::finish(bool sync, std::string& error) {
  if (!made_) {
    error = error_;
    return std::nullopt;
  }
  flush();
  const NewTemporary made = *made_;
  made_.reset();
  return finishTemporary(made, failure_ == 0, failure_, sync, error);
}

bool placeOutput(PendingOutput& output, bool sync, std::string& error) {
  if (!output.folder->rename(output.temporary, output.name, sync)) {
    error = reasonOf(errno);
    discardOutput(output);
    return false;
  }
  output.temporary.clear();
  return true;
}

void discardOutput(PendingOutput& output) {
  output.folder->remove(output.temporary);
  output.temporary.clear();
}

bool writeOutputFile(const Folder& folder, const std::string& name, const ContentProducer& produce,
                     bool sync, std::string& error) {
  std::optional<PendingOutput> output = writeTemporary(folder, name, produce, sync, error);
  return output && placeOutput(*output, sync, error);
}

bool writeOutputFile(const Folder& folder, const std::string& name, std::string_view content,
                     bool sync, std::string& error) {
  return writeOutputFile(
      folder, name, [content](const TextSink& sink) { sink(content); }, sync, error);
}

bool writeOutputFile(const std::string& path, std::string_view content, std::string& error) {
  const std::filesystem::path named(path);
  const Folder folder = Folder::open(named.parent_path().string());
  if (!folder.isOpen()) {
    error = reasonOf(errno);
    return false;
  }
  return writeOutputFile(folder, named.filename().string(), content, false, error);
}

bool isTemporaryName(std::string_view name) { return isPrivateFileName(name, kTemporarySuffix); }

}  // namespace xbtconv
