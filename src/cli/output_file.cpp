#include "cli/output_file.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "cli/input_files.h"
#include "driver/directory_listing.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace xbtconv {
namespace {

// The file being written, for the interrupt handler.
char unfinished[4096];
volatile std::sig_atomic_t writing = 0;

extern "C" void removeUnfinished(int signal) {
#ifdef _WIN32
  if (writing != 0) std::remove(unfinished);
#else
  if (writing != 0) ::unlink(unfinished);  // safe in a signal handler, as remove is not
#endif
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

// Marks `path` as the file being written until it goes out of scope.
class UnfinishedFile {
 public:
  explicit UnfinishedFile(const std::string& path) {
    static const bool handled = [] {
      std::signal(SIGINT, removeUnfinished);
      std::signal(SIGTERM, removeUnfinished);
      return true;
    }();
    static_cast<void>(handled);
    if (path.size() < sizeof unfinished) {
      std::memcpy(unfinished, path.c_str(), path.size() + 1);
      writing = 1;
    }
  }
  ~UnfinishedFile() { writing = 0; }
  UnfinishedFile(const UnfinishedFile&) = delete;
  UnfinishedFile& operator=(const UnfinishedFile&) = delete;
};

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

// Writes to `target` with one call per piece; errno says why when false.
bool writeTo(const std::string& target, const ReportProducer& produce) {
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
  if (::close(fd) != 0 && written) {
    written = false;
    error = errno;
  }
  if (!written) {
    ::unlink(target.c_str());
    errno = error;
  }
  return written;
}
#else
bool writeTo(const std::string& target, const ReportProducer& produce) {
  std::FILE* file = std::fopen(target.c_str(), "wb");
  if (file == nullptr) return false;
  bool written = true;
  int error = 0;
  produce([&](std::string_view piece) {
    if (written && std::fwrite(piece.data(), 1, piece.size(), file) != piece.size()) {
      written = false;
      error = errno;
    }
  });
  if (std::fclose(file) != 0 && written) {
    written = false;
    error = errno;
  }
  if (!written) {
    std::remove(target.c_str());
    errno = error;
  }
  return written;
}
#endif

// Moves the finished `target` to `path`, or removes it.
bool renameOver(const std::string& target, const std::string& path, std::string& error) {
  std::error_code code;
  std::filesystem::rename(target, path, code);
  if (!code) return true;
  error = code.message();
  std::filesystem::remove(target, code);
  return false;
}

}  // namespace

bool writeOutputFile(const std::string& path, const ReportProducer& produce, Replace replace,
                     std::string& error) {
#ifdef _WIN32
  // Windows has no cheap way to tidy up after an interrupt.
  replace = Replace::kByRename;
#endif
  const std::string target = replace == Replace::kByRename ? path + ".partial" : path;
  const UnfinishedFile unfinishedFile(target);
  errno = 0;
  if (!writeTo(target, produce)) {
    error = std::strerror(errno != 0 ? errno : EIO);
    return false;
  }
  return replace == Replace::kInPlace || renameOver(target, path, error);
}

bool writeOutputFileBy(const std::string& path,
                       const std::function<bool(const std::string&, std::string&)>& write,
                       std::string& error) {
  const std::string target = path + ".partial";
  const UnfinishedFile unfinishedFile(target);
  if (!write(target, error)) {
    std::error_code ignored;
    std::filesystem::remove(target, ignored);
    return false;
  }
  return renameOver(target, path, error);
}

bool writeOutputFile(const std::string& path, std::string_view content, std::string& error) {
  // In place: a temporary file renamed over the output would cost more
  // than all the rest of an export.
  return writeOutputFile(
      path, [content](const TextSink& sink) { sink(content); }, Replace::kInPlace, error);
}

bool makeOutputFolder(const std::string& folder, std::FILE* err) {
  if (folder.empty()) return true;
  std::error_code code;
  std::filesystem::create_directories(folder, code);
  if (!code) return true;
  sayAbout(err, folder, "cannot create the folder: " + code.message());
  return false;
}

std::string outputPath(const std::string& directory, const std::string& name) {
  return directory.empty() ? name : joinPath(directory, name);
}

}  // namespace xbtconv
