#include "pipeline/inputs/directory_listing.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

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
  // The names of one batch mostly share a long beginning ("msg-0000"),
  // passed over eight bytes at a time.
  std::size_t same = 0;
  while (same + 8 <= common && std::memcmp(a.data() + same, b.data() + same, 8) == 0) same += 8;
  for (std::size_t i = same; i < common; ++i) {
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

MessageFileLister::MessageFileLister(const Folder& folder, std::size_t batchSize)
    : folder_(folder), batchSize_(std::max<std::size_t>(batchSize, 1)) {}

bool MessageFileLister::next(std::vector<FolderEntry>& names, std::string& error) {
  names.clear();
  if (finished_) return true;
  // The smallest names after the last one handed out, kept as a max-heap
  // so that the largest is the one to drop when a smaller one turns up.
  const auto less = [](const FolderEntry& a, const FolderEntry& b) {
    return messageFileNameLess(a.name, b.name);
  };
  // The names are looked at in place, with no type asked beyond what the
  // listing says: most entries of a pass are passed over, and a pass meets
  // every entry.
  const bool listed = folder_.forEachEntry(
      [&](std::string_view name, EntryType type) {
        if (!isMessageFileName(name) || (started_ && !messageFileNameLess(last_, name))) {
          return true;
        }
        if (names.size() < batchSize_) {
          names.push_back({std::string(name), type});
          std::push_heap(names.begin(), names.end(), less);
        } else if (messageFileNameLess(name, names.front().name)) {
          std::pop_heap(names.begin(), names.end(), less);
          names.back().name.assign(name);
          names.back().type = type;
          std::push_heap(names.begin(), names.end(), less);
        }
        return true;
      },
      false);
  if (!listed) {
    // A listing that breaks off part-way would leave files out without a
    // word, so it counts as a folder that cannot be listed.
    error = std::strerror(errno != 0 ? errno : EIO);
    names.clear();
    return false;
  }
  std::sort_heap(names.begin(), names.end(), less);
  if (names.size() < batchSize_) finished_ = true;
  if (!names.empty()) {
    last_ = names.back().name;
    started_ = true;
  }
  return true;
}

}  // namespace xbtconv
