#include "pipeline/outputs/output_claims.h"

#include <filesystem>

namespace xbtconv {
namespace {

// The same file however the path to it is spelt; most paths need no
// normal form made.
std::string keyOf(const std::string& path) {
  const bool plain = path.find("/.") == std::string::npos && path.find("//") == std::string::npos &&
                     !path.starts_with("./") && path.find('\\') == std::string::npos;
  return plain ? path : std::filesystem::path(path).lexically_normal().string();
}

}  // namespace

void OutputClaims::protectInput(const std::string& path) { owners_.emplace(keyOf(path), ""); }

std::optional<std::string> OutputClaims::claim(const std::string& output,
                                               const std::string& input) {
  const auto [owner, fresh] = owners_.try_emplace(keyOf(output), input);
  if (fresh) return std::nullopt;
  if (owner->second.empty()) return output + " is an input";
  return output + " is already the output of " + owner->second;
}

}  // namespace xbtconv
