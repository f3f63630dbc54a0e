#include "cli/output_file.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "driver/directory_listing.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace xbtconv {
namespace {

#ifndef _WIN32
// The output being written, for the interrupt handler: an interrupted run
// removes it rather than leave half a file that passes for a whole one.
char unfinished[4096];
volatile std::sig_atomic_t writing = 0;

extern "C" void removeUnfinished(int signal) {
  if (writing != 0) ::unlink(unfinished);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

bool writeAll(int fd, std::string_view content) {
  while (!content.empty()) {
    const ssize_t written = ::write(fd, content.data(), content.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    content.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}
#endif

}  // namespace

#ifndef _WIN32

bool writeOutputFile(const std::string& path, std::string_view content, std::string& error) {
  static const bool handled = [] {
    std::signal(SIGINT, removeUnfinished);
    std::signal(SIGTERM, removeUnfinished);
    return true;
  }();
  static_cast<void>(handled);
  // Written in place with one call: a temporary file renamed over the
  // output would cost more than all the rest of an export.
  const bool named = path.size() < sizeof unfinished;
  if (named) std::memcpy(unfinished, path.c_str(), path.size() + 1);
  writing = named ? 1 : 0;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  bool written = fd >= 0 && writeAll(fd, content);
  if (!written) error = std::strerror(errno != 0 ? errno : EIO);
  if (fd >= 0 && ::close(fd) != 0 && written) {
    written = false;
    error = std::strerror(errno);
  }
  if (fd >= 0 && !written) ::unlink(path.c_str());
  writing = 0;
  return written;
}

#else

bool writeOutputFile(const std::string& path, std::string_view content, std::string& error) {
  // Windows has no cheap way to tidy up after an interrupt, so the text
  // goes to a temporary file that is renamed over the output.
  const std::string temporary = path + ".partial";
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) {
    error = std::strerror(errno);
    return false;
  }
  bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
  if (!written) error = std::strerror(errno);
  if (std::fclose(file) != 0 && written) {
    written = false;
    error = std::strerror(errno);
  }
  std::error_code code;
  if (written) {
    std::filesystem::rename(temporary, path, code);
    if (!code) return true;
    error = code.message();
  }
  std::filesystem::remove(temporary, code);
  return false;
}

#endif

std::string outputPath(const std::string& directory, const std::string& name) {
  return directory.empty() ? name : joinPath(directory, name);
}

}  // namespace xbtconv
