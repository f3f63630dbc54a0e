#include "pipeline/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "formats/private_file.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace xbtconv {
namespace {

constexpr std::string_view kTemporarySuffix = ".partial";

std::string reasonOf(int error) { return std::strerror(error != 0 ? error : EIO); }

#ifdef _WIN32
int closeFile(int fd) { return ::_close(fd); }
int syncFile(int fd) { return ::_commit(fd); }
long long writeSome(int fd, const char* data, std::size_t count) {
  return ::_write(fd, data, static_cast<unsigned>(std::min<std::size_t>(count, 1u << 30)));
}
// A folder has no handle to flush here; the file system's journal keeps
// its renames.
void syncFolderOf(const std::string& /*path*/) {}
#else
int closeFile(int fd) { return ::close(fd); }
int syncFile(int fd) { return ::fsync(fd); }
long long writeSome(int fd, const char* data, std::size_t count) {
  return ::write(fd, data, count);
}
// Flushes the folder that holds `path`, so that a rename in it is on disk.
void syncFolderOf(const std::string& path) {
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  const int fd = ::open(parent.empty() ? "." : parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
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

// Finishes a temporary file written through `fd`: flushed with `sync`,
// closed, its identity taken. On failure, removes it and says why.
std::optional<PendingOutput> finish(int fd, bool written, int error, const std::string& path,
                                    std::string temporary, bool sync, std::string& reason) {
  if (written && sync && syncFile(fd) != 0) {
    written = false;
    error = errno;
  }
  std::optional<FileIdentity> identity;
  if (written) {
    identity = identityOfDescriptor(fd);
    if (!identity) {
      written = false;
      error = errno;
    }
  }
  // Closing can report a failure of the writes before it (on NFS).
  if (closeFile(fd) != 0 && written) {
    written = false;
    error = errno;
  }
  if (!written) {
    reason = reasonOf(error);
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return std::nullopt;
  }
  return PendingOutput{path, std::move(temporary), *identity};
}

}  // namespace

std::optional<NewTemporary> createTemporary(const std::string& path, std::string& error) {
  NewTemporary made{path, {}, -1};
  made.fd = createPrivateFile(path, kTemporarySuffix, made.temporary);
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
  produce([&](std::string_view piece) {
    if (written && !writeAll(made.fd, piece)) {
      written = false;
      failure = errno != 0 ? errno : EIO;
    }
  });
  return finish(made.fd, written, failure, made.path, made.temporary, sync, error);
}

std::optional<PendingOutput> writeTemporary(const std::string& path, const ContentProducer& produce,
                                            bool sync, std::string& error) {
  const std::optional<NewTemporary> made = createTemporary(path, error);
  if (!made) return std::nullopt;
  return fillTemporary(*made, produce, sync, error);
}

std::optional<PendingOutput> writeTemporaryBy(
    const std::string& path, const std::function<bool(const std::string&, std::string&)>& write,
    bool sync, std::string& error) {
  std::string temporary;
  const int fd = createPrivateFile(path, kTemporarySuffix, temporary);
  if (fd < 0) {
    error = reasonOf(errno);
    return std::nullopt;
  }
#ifdef _WIN32
  const std::string& at = temporary;
#else
  // The library opens the file by a name; this name is the very file made
  // above, whatever is done to the folder meanwhile.
  std::string at = "/proc/self/fd/" + std::to_string(fd);
  if (::access(at.c_str(), F_OK) != 0) at = temporary;
#endif
  std::string reason;
  if (!write(at, reason)) {
    closeFile(fd);
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    error = reason;
    return std::nullopt;
  }
  return finish(fd, true, 0, path, std::move(temporary), sync, error);
}

bool placeOutput(const PendingOutput& output, bool sync, std::string& error) {
#ifdef _WIN32
  std::error_code code;
  std::filesystem::rename(output.temporary, output.path, code);
  if (code) {
    error = code.message();
#else
  // The system's call: a path object for each name costs more than the
  // rename itself.
  if (::rename(output.temporary.c_str(), output.path.c_str()) != 0) {
    error = reasonOf(errno);
#endif
    discardOutput(output);
    return false;
  }
  if (sync) syncFolderOf(output.path);
  return true;
}

void discardOutput(const PendingOutput& output) { std::remove(output.temporary.c_str()); }

bool writeOutputFile(const std::string& path, const ContentProducer& produce, bool sync,
                     std::string& error) {
  const std::optional<PendingOutput> output = writeTemporary(path, produce, sync, error);
  return output && placeOutput(*output, sync, error);
}

bool writeOutputFile(const std::string& path, std::string_view content, bool sync,
                     std::string& error) {
  return writeOutputFile(
      path, [content](const TextSink& sink) { sink(content); }, sync, error);
}

bool isTemporaryName(std::string_view name) { return isPrivateFileName(name, kTemporarySuffix); }

}  // namespace xbtconv
