#include "pipeline/output_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "pipeline/directory_listing.h"
#include "xbtconv/formats.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#else
#include <io.h>
#endif

namespace xbtconv {
namespace {

constexpr std::string_view kUnfinishedSuffix = ".partial";

#ifndef _WIN32
bool writeAll(int fd, std::string_view content) {
  while (!content.empty()) {
    const ssize_t written = ::write(fd, content.data(), content.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    content.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

// Writes to `target` with one call per piece; false with errno set (EIO
// when the system gave no reason) on any failure, the file left as it is.
bool writeTo(const std::string& target, const ContentProducer& produce, bool sync) {
  const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool written = true;
  int error = 0;
  produce([&](std::string_view piece) {
    if (written && !writeAll(fd, piece)) {
      written = false;
      error = errno != 0 ? errno : EIO;
    }
  });
  if (written && sync && ::fsync(fd) != 0) {
    written = false;
    error = errno;
  }
  // Closing can report a failure of the writes before it (on NFS).
  if (::close(fd) != 0 && written) {
    written = false;
    error = errno;
  }
  errno = error;
  return written;
}

// Flushes a file that another writer (the netCDF library) made to disk.
bool syncFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  const int error = errno;
  ::close(fd);
  errno = error;
  return synced;
}

// Flushes the folder that holds `path`, so that a rename in it is on disk.
void syncFolderOf(const std::string& path) {
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  const int fd = ::open(parent.empty() ? "." : parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}
#else
bool writeTo(const std::string& target, const ContentProducer& produce, bool sync) {
  std::FILE* file = std::fopen(target.c_str(), "wb");
  if (file == nullptr) return false;
  // Unbuffered: each piece (the whole content, unless it is huge) goes out
  // in one write.
  std::setvbuf(file, nullptr, _IONBF, 0);
  bool written = true;
  int error = 0;
  produce([&](std::string_view piece) {
    if (written && std::fwrite(piece.data(), 1, piece.size(), file) != piece.size()) {
      written = false;
      error = errno != 0 ? errno : EIO;
    }
  });
  // fflush hands the data to the system; _commit puts it on the disk.
  if (written && sync && (std::fflush(file) != 0 || _commit(_fileno(file)) != 0)) {
    written = false;
    error = errno;
  }
  if (std::fclose(file) != 0 && written) {
    written = false;
    error = errno;
  }
  errno = error;
  return written;
}

bool syncFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "r+b");
  if (file == nullptr) return false;
  const bool synced = _commit(_fileno(file)) == 0;
  const int error = errno;
  std::fclose(file);
  errno = error;
  return synced;
}

// A folder has no handle to flush here; the file system's journal keeps
// its renames.
void syncFolderOf(const std::string& /*path*/) {}
#endif

std::string reasonOf(int error) { return std::strerror(error != 0 ? error : EIO); }

// Moves the finished `target` to `path`, or removes it.
bool renameOver(const std::string& target, const std::string& path, bool sync, std::string& error) {
  std::error_code code;
  std::filesystem::rename(target, path, code);
  if (code) {
    error = code.message();
    std::filesystem::remove(target, code);
    return false;
  }
  if (sync) syncFolderOf(path);
  return true;
}

}  // namespace

std::string unfinishedPath(const std::string& path) {
  std::string temporary;
  temporary.reserve(path.size() + kUnfinishedSuffix.size());
  temporary += path;
  temporary += kUnfinishedSuffix;
  return temporary;
}

void removeUnfinished(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove(unfinishedPath(path), ignored);
}

bool writeOutputFile(const std::string& path, const ContentProducer& produce,
                     const WriteOptions& options, std::string& error) {
  errno = 0;
  if (options.inPlace) {
    if (writeTo(path, produce, options.sync)) return true;
    error = reasonOf(errno);
    return false;
  }
  const std::string target = unfinishedPath(path);
  if (!writeTo(target, produce, options.sync)) {
    error = reasonOf(errno);
    std::error_code ignored;
    std::filesystem::remove(target, ignored);
    return false;
  }
  return renameOver(target, path, options.sync, error);
}

bool writeOutputFile(const std::string& path, std::string_view content, const WriteOptions& options,
                     std::string& error) {
  return writeOutputFile(
      path, [content](const TextSink& sink) { sink(content); }, options, error);
}

bool writeOutputFileBy(const std::string& path,
                       const std::function<bool(const std::string&, std::string&)>& write,
                       const WriteOptions& options, std::string& error) {
  const std::string target = unfinishedPath(path);
  bool written = write(target, error);
  if (written && options.sync && !syncFile(target)) {
    error = reasonOf(errno);
    written = false;
  }
  if (!written) {
    std::error_code ignored;
    std::filesystem::remove(target, ignored);
    return false;
  }
  return renameOver(target, path, options.sync, error);
}

bool writeFile(const std::string& path, std::string_view content, std::string& error) {
  return writeOutputFile(path, content, WriteOptions{}, error);
}

void writeReportFile(const std::string& path, const ContentProducer& produce, std::FILE* console) {
  std::string error;
  if (!writeOutputFile(path, produce, WriteOptions{.inPlace = true}, error)) {
    std::fprintf(console, "Can not write file %s\r\n", path.c_str());
  }
}

bool makeOutputFolder(const std::string& folder, std::string& error) {
  if (folder.empty()) return true;
  std::error_code code;
  std::filesystem::create_directories(folder, code);
  if (!code) return true;
  error = "cannot create the folder: " + code.message();
  return false;
}

std::string outputPath(const std::string& directory, const std::string& name) {
  return directory.empty() ? name : joinPath(directory, name);
}

}  // namespace xbtconv
