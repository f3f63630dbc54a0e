#include "formats/profile_id.h"

#include <filesystem>
#include <optional>
#include <system_error>

namespace xbtconv {
namespace {

namespace fs = std::filesystem;

// `path` absolute and lexically normal, without a trailing separator.
fs::path normalised(const std::string& path) {
  std::error_code ignored;
  fs::path made = fs::absolute(path.empty() ? "." : path, ignored).lexically_normal();
  if (made.has_relative_path() && made.filename().empty()) made = made.parent_path();
  return made;
}

}  // namespace

std::string profileIdRoot(const std::vector<std::string>& folders) {
  std::optional<fs::path> common;
  for (const std::string& folder : folders) {
    const fs::path path = normalised(folder);
    if (!common) {
      common = path;
      continue;
    }
    fs::path shared;
    for (auto a = common->begin(), b = path.begin();
         a != common->end() && b != path.end() && *a == *b; ++a, ++b) {
      shared /= *a;
    }
    common = shared;
  }
  return common ? common->generic_string() : std::string();
}

std::string profileId(const std::string& root, const Observation& observation) {
  if (root.empty() || observation.path.empty()) return observation.source;
  const fs::path below = normalised(observation.path).lexically_relative(root);
  if (below.empty() || below == "." || below.is_absolute() || *below.begin() == "..") {
    return observation.source;
  }
  return below.generic_string();
}

}  // namespace xbtconv
