#include "legacy/report_file.h"

#include <cerrno>
#include <string_view>

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace xbtconv {
namespace {

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

// Writes with one call per piece; false on any failure, the file left as
// far as it got.
bool writeInPlace(const std::string& path, const std::function<void(const TextSink&)>& produce) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool written = true;
  produce([&](std::string_view piece) { written = written && writeAll(fd, piece); });
  // Closing can report a failure of the writes before it (on NFS).
  return ::close(fd) == 0 && written;
}
#else
bool writeInPlace(const std::string& path, const std::function<void(const TextSink&)>& produce) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  // Unbuffered: each piece (the whole report, unless it is huge) goes out
  // in one write.
  std::setvbuf(file, nullptr, _IONBF, 0);
  bool written = true;
  produce([&](std::string_view piece) {
    written = written && std::fwrite(piece.data(), 1, piece.size(), file) == piece.size();
  });
  return std::fclose(file) == 0 && written;
}
#endif

}  // namespace

void writeReportFile(const std::string& path, const std::function<void(const TextSink&)>& produce,
                     std::FILE* console) {
  if (!writeInPlace(path, produce))
    std::fprintf(console, "Can not write file %s\r\n", path.c_str());
}

}  // namespace xbtconv
