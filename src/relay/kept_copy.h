// The relay's own copies of the inputs it keeps. What a sender put in the
// inbox stays the sender's file (a descriptor the sender still holds
// writes it), and the archive, held/, duplicates/ and failed/ may be on
// other file systems than the inbox (a bind mount, another disk, NFS): so
// an input is never moved there. It is copied from the bytes the relay
// read and decided on, under a private name no input can have (the relay
// takes no name that starts with "."), flushed, and renamed into place,
// owned by the relay. The inbox's file goes only after that.
#ifndef XBTCONV_RELAY_KEPT_COPY_H_
#define XBTCONV_RELAY_KEPT_COPY_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "pipeline/outputs/folder.h"

namespace xbtconv {

/// No message is near this size: a file beyond it is failed unread.
inline constexpr std::size_t kMessageBytesAtMost = std::size_t{16} << 20;

/// A buffer files are read into whole, one after another: kept from one
/// read to the next, so that a burst of files costs no allocation (and no
/// clearing of memory) each.
class FileBuffer {
 public:
  /// Reads the rest of `fd`, a regular file; false with the reason in
  /// `reason` when it cannot, or when it holds more than
  /// kMessageBytesAtMost.
  bool read(int fd, std::string& reason);
  std::string_view bytes() const { return {data_.data(), size_}; }

 private:
  std::string data_;  // its whole size is room; the first size_ octets are the file's
  std::size_t size_ = 0;
};

/// Writes all of `bytes` to `fd`; false with errno.
bool writeWhole(int fd, std::string_view bytes);

/// A copy on its way: the folder it is written in under a private name
/// (its own folder, or one beside it on the same file system that holds
/// nothing but such copies, so that a stop leaves no stray file among the
/// inputs), and the folder and name it will have.
struct PendingCopy {
  const Folder* stage = nullptr;
  std::string temporary;
  const Folder* folder = nullptr;
  std::string name;
};

/// Writes `bytes` under a private name in `copy.stage` (not yet flushed);
/// false with errno, leaving nothing.
bool writeCopy(std::string_view bytes, PendingCopy& copy);

/// Flushes the copies' contents to disk (once for each file system), puts
/// each under its name (copied again where its folder turns out to be on
/// another file system than its stage), and flushes their folders; false
/// with the path that failed in `failed` and errno. A copy not put in place
/// is removed.
bool placeCopies(const std::vector<PendingCopy>& copies, std::string& failed);

/// Removes the private copies a stopped relay left in `folder`; nothing
/// else (an input's name never starts with ".").
void removeCopyLeftovers(const Folder& folder);

/// `name` with `number` before its extension ("x.17.bin"; "x.17" without
/// one), its stem cut at a character's start where the whole would pass
/// `limit` octets.
std::string numberedName(std::string_view name, std::string_view number, std::size_t limit = 255);

}  // namespace xbtconv

#endif  // XBTCONV_RELAY_KEPT_COPY_H_
