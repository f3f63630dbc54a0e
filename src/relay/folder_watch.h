// Whether the relay's folders are still the ones it opened. It works in
// each by descriptor, so a folder swapped for another under its name (a
// file system mounted over it after the start, say a late NFS outbox, or
// an inbox moved aside and made again) would take nothing the relay
// writes, and no sender or GTS sender would see what the relay logs as
// sent. So the relay notes what each path was when it opened it and,
// before each round, asks whether it still is: when one is not, it takes
// no inputs, says why, and looks again later.
#ifndef XBTCONV_RELAY_FOLDER_WATCH_H_
#define XBTCONV_RELAY_FOLDER_WATCH_H_

#include <cstdint>
#include <string>
#include <vector>

#include "pipeline/outputs/folder.h"

namespace xbtconv {

class FolderWatch {
 public:
  /// Notes `folder` (open), opened as `path`, in its `role` ("outbox").
  void add(const Folder& folder, const std::string& path, const std::string& role);

  /// "" while each path names the folder opened under it; otherwise what
  /// changed, for the log: "the outbox /x is now another folder (a file
  /// system mounted on it, or a folder put in its place)".
  std::string changed() const;

 private:
  struct Watched {
    std::string path, role;
    std::uint64_t device = 0, inode = 0;
  };
  std::vector<Watched> watched_;
};

}  // namespace xbtconv

#endif  // XBTCONV_RELAY_FOLDER_WATCH_H_
