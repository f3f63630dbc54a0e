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

/// Reads the rest of `fd` into `bytes`; false with the reason in `reason`
/// when it cannot, or when it holds more than kMessageBytesAtMost.
bool readWhole(int fd, std::string& bytes, std::string& reason);

/// Writes all of `bytes` to `fd`; false with errno.
bool writeWhole(int fd, std::string_view bytes);

/// A copy on its way: its folder, its private name while written, and the
/// name it will have.
struct PendingCopy {
  const Folder* folder = nullptr;
  std::string temporary;
  std::string name;
};

/// Writes `bytes` under a private name in `copy.folder` (not yet flushed);
/// false with errno, leaving nothing.
bool writeCopy(std::string_view bytes, PendingCopy& copy);

/// Flushes the copies' contents to disk (once for each file system), puts
/// each under its name, and flushes their folders; false with the path
/// that failed in `failed` and errno. A copy not put in place is removed.
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
