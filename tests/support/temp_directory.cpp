#include "support/temp_directory.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "driver/directory_listing.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace xbtconv::testing {
namespace {

std::string readWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

#ifdef _WIN32
// A path as Windows programs take it: the Unix paths the build knows lie
// on Wine's drive Z:.
std::string nativePath(std::string path) {
  if (!path.empty() && path[0] == '/') path.insert(0, "Z:");
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

std::string quote(const std::string& text) {
  std::string quoted(1, '"');
  quoted += text;
  quoted += '"';
  return quoted;
}
#else
std::string quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}
#endif

}  // namespace

TempDirectory::TempDirectory() {
  static std::atomic<unsigned> counter{0};
  std::random_device entropy;
  const auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name =
        "xbtconv-test-" + std::to_string(entropy()) + "-" + std::to_string(counter++);
    std::error_code code;
    if (std::filesystem::create_directory(base / name, code)) {
      path_ = (base / name).string();
      return;
    }
  }
  throw std::runtime_error("cannot make a temporary directory");
}

TempDirectory::~TempDirectory() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TempDirectory::file(const std::string& name) const { return joinPath(path_, name); }

void TempDirectory::write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
  std::ofstream out(file(name), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

void TempDirectory::write(const std::string& name, const std::string& text) const {
  std::ofstream out(file(name), std::ios::binary | std::ios::trunc);
  out << text;
}

std::string TempDirectory::read(const std::string& name) const { return readWhole(file(name)); }

bool TempDirectory::exists(const std::string& name) const {
  std::error_code ignored;
  return std::filesystem::exists(std::filesystem::symlink_status(file(name), ignored));
}

#ifdef _WIN32
namespace {

// Undoes the text mode of standard output on Windows, which writes every
// line feed as carriage return and line feed.
std::string undoTextMode(const std::string& bytes) {
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    text += bytes[i];
  }
  return text;
}

}  // namespace
#endif

RunResult runXbtconv(const std::vector<std::string>& arguments, const std::string& workingDirectory,
                     int timeoutSeconds) {
  TempDirectory capture;
  RunResult result;
#ifdef _WIN32
  (void)timeoutSeconds;
  std::string command = "cd /d ";
  command += quote(nativePath(workingDirectory));
  command += " && ";
  command += quote(nativePath(XBTCONV_EXECUTABLE));
  for (const std::string& argument : arguments) {
    command += ' ';
    command += quote(argument);
  }
  command += " >";
  command += quote(capture.file("out"));
  command += " 2>";
  command += quote(capture.file("err"));
  command += " <NUL";
  // cmd takes the outer quotes off the whole command line.
  const int raw = std::system(quote(command).c_str());
  result.status = raw;
#else
  std::string command = "cd " + quote(workingDirectory) + " && timeout " +
                        std::to_string(timeoutSeconds) + " " + quote(XBTCONV_EXECUTABLE);
  for (const std::string& argument : arguments) command += " " + quote(argument);
  command += " >" + quote(capture.file("out")) + " 2>" + quote(capture.file("err")) + " </dev/null";
  const int raw = std::system(command.c_str());
  result.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
  result.rawOut = capture.read("out");
#ifdef _WIN32
  result.out = undoTextMode(result.rawOut);
#else
  result.out = result.rawOut;
#endif
  result.err = capture.read("err");
  return result;
}

}  // namespace xbtconv::testing
