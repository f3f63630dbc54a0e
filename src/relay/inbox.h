// The inbox as the relay watches it: which entries are complete messages to
// take. A name starting with "." or ending in ".tmp" is never taken: WMO
// senders upload as NAME.tmp and rename when the file is whole. A file is
// taken once it has been renamed in, or once its size and modification
// time have stayed the same for the settle time (a sender that writes in
// place). Folders are not inputs; anything else under a name (a link, a
// FIFO, a device) is taken, to be failed without being opened.
//
// On Linux the inbox is watched with inotify: a file renamed in is seen at
// once, and each change is looked at by its name alone, so that a busy or
// flooded inbox is not listed again for every event; it is still listed
// whole at most once a second (what inotify misses, such as a file an NFS
// client wrote, is found then). A name's last event decides whether it was
// renamed in: a name renamed in and then written in place again waits for
// its settle time. Elsewhere, or where inotify cannot be had, the inbox is
// listed at every look. Only names that may be inputs are remembered.
//
// Senders may each have a folder of their own in the inbox: its entries
// are watched the same way and named "SENDER/NAME"; the inbox's own
// entries keep their plain names.
#ifndef XBTCONV_RELAY_INBOX_H_
#define XBTCONV_RELAY_INBOX_H_

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "pipeline/outputs/file_identity.h"
#include "pipeline/outputs/folder.h"

namespace xbtconv {

/// Whether a sender may still be writing what stands under `name`.
bool isUploadName(std::string_view name);

/// An inbox entry's key ("NAME", or "SENDER/NAME" in a sender's folder):
/// the sender ("" for the inbox itself) and the name in its folder.
struct InboxKey {
  std::string_view sender, name;
};
InboxKey splitInboxKey(std::string_view key);
/// The key of `name` in the folder of `sender` ("" for the inbox itself).
std::string inboxKey(std::string_view sender, std::string_view name);

class Inbox {
 public:
  /// `folder`: the inbox, open; `settleMs`: how long an unrenamed file must
  /// stay unchanged.
  Inbox(const Folder& folder, std::int64_t settleMs);
  ~Inbox();
  Inbox(const Inbox&) = delete;
  Inbox& operator=(const Inbox&) = delete;

  /// Also watches `folder` (open), the folder of `sender`; before watch().
  void addSender(const std::string& sender, const Folder& folder);

  /// Starts watching for changes; false (then the inbox is polled) when
  /// the system cannot watch it.
  bool watch();

  /// The entries complete at `nowMs` (the real clock), in name order. Of
  /// those not yet, `waiting` counts them and `nextMs` is when the first
  /// may be (0 when none waits). False when the inbox cannot be listed.
  bool ready(std::int64_t nowMs, std::vector<std::string>& names, std::size_t& waiting,
             std::int64_t& nextMs);
  /// Forgets `name` once it has been taken.
  void taken(const std::string& name);

  /// Waits until the inbox changes, `timeoutMs` passes or a signal
  /// arrives.
  void wait(int timeoutMs);

 private:
  void readEvents();
  bool list(std::int64_t nowMs);
  void look(const std::string& key, std::int64_t nowMs, EntryType listed = EntryType::kUnknown);
  const Folder& folderOf(const std::string& key, std::string& name) const;

  struct Source {
    std::string sender;  // "" for the inbox itself
    const Folder* folder = nullptr;
    int watch = -1;  // its inotify watch
  };
  std::vector<Source> sources_;
  std::int64_t settleMs_;
  int watch_ = -1;
  struct Seen {
    bool file = true;  // else a link, FIFO or device: taken at once, never opened
    FileIdentity identity;
    std::int64_t unchangedSinceMs = 0;
    bool renamedIn = false;
  };
  std::map<std::string, Seen, std::less<>> seen_;
  // Names events spoke of since the last look, and of those the ones whose
  // last event was a rename into the inbox.
  std::set<std::string, std::less<>> changed_, renamedIn_;
  bool listAll_ = true;  // at the first look, and when events were lost
  std::int64_t nextListingMs_ = 0;
};

}  // namespace xbtconv

#endif  // XBTCONV_RELAY_INBOX_H_
