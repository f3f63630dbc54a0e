#include "driver/directory_listing.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <system_error>

namespace xbtconv {
namespace {

unsigned char foldCase(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte + ('a' - 'A')) : byte;
}

}  // namespace

bool isMessageFileName(std::string_view name) {
  constexpr std::string_view kExtension = ".bin";
  if (name.size() < kExtension.size()) return false;
  const std::string_view tail = name.substr(name.size() - kExtension.size());
  return std::equal(tail.begin(), tail.end(), kExtension.begin(),
                    [](char a, char b) { return foldCase(a) == foldCase(b); });
}

bool messageFileNameLess(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const unsigned char x = foldCase(a[i]);
    const unsigned char y = foldCase(b[i]);
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  // Equal but for case: bytewise, so that the order is total.
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
  });
}

std::string joinPath(const std::string& directory, const std::string& name) {
  std::string path;
  path.reserve(directory.size() + 1 + name.size());
  path += directory;
  path += kPathSeparator;
  path += name;
  return path;
}

bool listMessageFiles(const std::string& directory, std::vector<std::string>& names,
                      std::string& error) {
  names.clear();
  std::error_code code;
  std::filesystem::directory_iterator entry(directory, code);
  // A listing that breaks off part-way would leave files out without a
  // word, so it counts as a directory that cannot be listed.
  for (; !code && entry != std::filesystem::directory_iterator(); entry.increment(code)) {
    std::string name;
    try {
      name = entry->path().filename().string();
    } catch (const std::exception&) {
      // A Windows name with characters the narrow code page cannot hold
      // could not be opened by its narrow name either.
      continue;
    }
    if (isMessageFileName(name)) names.push_back(std::move(name));
  }
  if (code) {
    names.clear();
    error = code.message();
    return false;
  }
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return messageFileNameLess(a, b); });
  return true;
}

}  // namespace xbtconv
