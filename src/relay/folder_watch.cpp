#include "relay/folder_watch.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace xbtconv {

void FolderWatch::add(const Folder& folder, const std::string& path, const std::string& role) {
  struct stat info {};
  if (::fstat(folder.descriptor(), &info) != 0) return;
  watched_.push_back({path, role, static_cast<std::uint64_t>(info.st_dev),
                      static_cast<std::uint64_t>(info.st_ino)});
}

std::string FolderWatch::changed() const {
  for (const Watched& folder : watched_) {
    struct stat info {};
    // The path as the relay opened it: links it names followed, as then.
    if (::stat(folder.path.c_str(), &info) != 0) {
      return "the " + folder.role + " " + folder.path + " is gone (" + std::strerror(errno) + ")";
    }
    if (static_cast<std::uint64_t>(info.st_dev) != folder.device ||
        static_cast<std::uint64_t>(info.st_ino) != folder.inode) {
      return "the " + folder.role + " " + folder.path +
             " is now another folder (a file system mounted on it, or a folder put in its place)";
    }
  }
  return "";
}

}  // namespace xbtconv
