#include "support/temp_directory.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "pipeline/inputs/directory_listing.h"

namespace xbtconv::testing {
namespace {

// Where the directories go: a file system in memory where there is one, as
// tests write thousands of files and a disk file system may take a
// millisecond to create each.
std::filesystem::path baseDirectory() {
  std::error_code code;
  if (std::getenv("TMPDIR") == nullptr && std::filesystem::is_directory("/dev/shm", code)) {
    return "/dev/shm";
  }
  return std::filesystem::temp_directory_path();
}

std::string readWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TempDirectory::TempDirectory() {
  static std::atomic<unsigned> counter{0};
  std::random_device entropy;
  static const std::filesystem::path base = baseDirectory();
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

}  // namespace xbtconv::testing
