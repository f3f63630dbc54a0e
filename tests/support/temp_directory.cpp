#include "support/temp_directory.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace xbtconv::testing {
namespace {

std::string shellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string readWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TempDirectory::TempDirectory() {
  std::string pattern = (std::filesystem::temp_directory_path() / "xbtconv-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDirectory::~TempDirectory() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TempDirectory::file(const std::string& name) const { return path_ + "/" + name; }

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

RunResult runXbtconv(const std::vector<std::string>& arguments, const std::string& workingDirectory,
                     int timeoutSeconds) {
  TempDirectory capture;
  std::string command = "cd " + shellQuote(workingDirectory) + " && timeout " +
                        std::to_string(timeoutSeconds) + " " + shellQuote(XBTCONV_EXECUTABLE);
  for (const std::string& argument : arguments) command += " " + shellQuote(argument);
  command += " >" + shellQuote(capture.file("out")) + " 2>" + shellQuote(capture.file("err")) +
             " </dev/null";
  const int raw = std::system(command.c_str());
  RunResult result;
  result.out = capture.read("out");
  result.err = capture.read("err");
  result.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return result;
}

}  // namespace xbtconv::testing
