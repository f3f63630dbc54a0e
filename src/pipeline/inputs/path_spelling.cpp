#include "pipeline/inputs/path_spelling.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace xbtconv {
namespace {

// Whether `path` needs no normal form made: no "." or ".." part, no doubled
// separator, no backslash. Most paths a run meets are so, and making the
// normal form costs more than the rest of what a run does with a path.
bool plain(const std::string& path) {
#ifdef _WIN32
  // Drive letters and backslashes: always the general way.
  return false;
#endif
  if (path.empty() || path.find('\\') != std::string::npos ||
      path.find("//") != std::string::npos || path.back() == '/') {
    return false;
  }
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    const std::string_view part(path.data() + start, end - start);
    if (part == "." || part == "..") return false;
    start = end + 1;
  }
  return true;
}

const std::string& currentFolder() {
  static const std::string folder = [] {
    std::error_code code;
    std::string current = std::filesystem::current_path(code).generic_string();
    if (!current.empty() && current.back() != '/') current += '/';
    return current;
  }();
  return folder;
}

}  // namespace

std::string spelledOnce(const std::string& path) {
  if (plain(path)) return path.front() == '/' ? path : currentFolder() + path;
  std::error_code code;
  const std::filesystem::path absolute = std::filesystem::absolute(path, code);
  std::string spelled =
      (code ? std::filesystem::path(path) : absolute).lexically_normal().generic_string();
  if (spelled.size() > 1 && spelled.back() == '/') spelled.pop_back();
  return spelled;
}

std::string spelledFrom(const std::string& folder, const std::string& path) {
  const std::string target = spelledOnce(path.empty() ? "." : path);
  const std::string from = spelledOnce(folder.empty() ? "." : folder);
  const std::string relative =
      std::filesystem::path(target).lexically_relative(from).generic_string();
  return relative.empty() ? target : relative;
}

}  // namespace xbtconv
