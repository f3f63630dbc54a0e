#include "relay/inbox.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <thread>

#ifdef __linux__
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>
#endif

namespace xbtconv {

bool isUploadName(std::string_view name) {
  if (name.empty() || name.front() == '.') return true;
  if (name.size() < 4) return false;
  const std::string_view end = name.substr(name.size() - 4);
  return std::equal(end.begin(), end.end(), ".tmp", [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == b;
  });
}

InboxKey splitInboxKey(std::string_view key) {
  const std::size_t slash = key.find('/');
  if (slash == std::string_view::npos) return {{}, key};
  return {key.substr(0, slash), key.substr(slash + 1)};
}

std::string inboxKey(std::string_view sender, std::string_view name) {
  return sender.empty() ? std::string(name) : std::string(sender) + "/" + std::string(name);
}

Inbox::Inbox(const Folder& folder, std::int64_t settleMs) : settleMs_(settleMs) {
  sources_.push_back({"", &folder});
}

void Inbox::addSender(const std::string& sender, const Folder& folder) {
  sources_.push_back({sender, &folder});
}

// The folder an entry's key names, and its name there.
const Folder& Inbox::folderOf(const std::string& key, std::string& name) const {
  const InboxKey parts = splitInboxKey(key);
  name = parts.name;
  for (const Source& source : sources_) {
    if (source.sender == parts.sender) return *source.folder;
  }
  return *sources_.front().folder;  // (never: keys come from the sources)
}

Inbox::~Inbox() {
#ifdef __linux__
  if (watch_ >= 0) ::close(watch_);
#endif
}

bool Inbox::watch() {
#ifdef __linux__
  watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch_ < 0) return false;
  for (Source& source : sources_) {
    // The folder by its descriptor: whatever its name comes to mean later.
    const std::string self = "/proc/self/fd/" + std::to_string(source.folder->descriptor());
    source.watch = inotify_add_watch(watch_, self.c_str(),
                                     IN_MOVED_TO | IN_MOVED_FROM | IN_CLOSE_WRITE | IN_CREATE |
                                         IN_MODIFY | IN_ATTRIB | IN_DELETE);
    if (source.watch < 0) {
      ::close(watch_);
      watch_ = -1;
      return false;
    }
  }
  return true;
#else
  return false;
#endif
}

void Inbox::readEvents() {
#ifdef __linux__
  if (watch_ < 0) return;
  alignas(struct inotify_event) char buffer[16384];
  while (true) {
    const ssize_t got = ::read(watch_, buffer, sizeof buffer);
    if (got <= 0) return;
    for (ssize_t at = 0; at < got;) {
      const auto* event = reinterpret_cast<const struct inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(struct inotify_event) + event->len);
      if ((event->mask & IN_Q_OVERFLOW) != 0) listAll_ = true;
      if (event->len == 0) continue;
      const std::string_view name(event->name);
      if (isUploadName(name)) continue;  // never an input: not remembered
      const auto source = std::find_if(sources_.begin(), sources_.end(),
                                       [&](const Source& s) { return s.watch == event->wd; });
      if (source == sources_.end()) continue;
      const std::string key = inboxKey(source->sender, name);
      changed_.insert(key);
      if ((event->mask & IN_MOVED_TO) != 0) {
        renamedIn_.insert(key);
      } else if (const auto renamed = renamedIn_.find(key); renamed != renamedIn_.end()) {
        renamedIn_.erase(renamed);
      }
    }
  }
#endif
}

// What stands under `key` now, as the last events left it; `listed` is
// what a listing just said stands there (kUnknown: look).
void Inbox::look(const std::string& key, std::int64_t nowMs, EntryType listed) {
  std::string name;
  const Folder& folder = folderOf(key, name);
  const EntryType type = listed != EntryType::kUnknown ? listed : folder.typeOf(name);
  const auto before = seen_.find(key);
  if (type == EntryType::kNone || type == EntryType::kFolder) {
    if (before != seen_.end()) seen_.erase(before);
    return;
  }
  Seen now;
  now.file = type == EntryType::kFile;
  if (now.file && settleMs_ > 0) {
    const std::optional<FileIdentity> identity = folder.fileIdentity(name);
    if (!identity) return;  // changed as it was looked at: the next look says
    now.identity = *identity;
    if (before != seen_.end() && before->second.identity == *identity) {
      now.unchangedSinceMs = before->second.unchangedSinceMs;
    } else if (before != seen_.end()) {
      now.unchangedSinceMs = nowMs;
    } else {
      // First seen: its own modification time says how long it has been
      // unchanged (one in the future, from a sender's clock, from now on).
      now.unchangedSinceMs = std::min(nowMs, identity->modified / 1000000);
    }
  }
  if (renamedIn_.contains(key)) {
    now.renamedIn = true;
  } else if (!changed_.contains(key) && before != seen_.end()) {
    now.renamedIn = before->second.renamedIn;  // nothing has happened to it since
  }
  seen_.insert_or_assign(key, now);
}

bool Inbox::list(std::int64_t nowMs) {
  std::vector<FolderEntry> entries;
  for (const Source& source : sources_) {
    const bool listed = source.folder->forEachEntry([&](std::string_view name, EntryType type) {
      if (!isUploadName(name) && type != EntryType::kFolder)
        entries.push_back({inboxKey(source.sender, name), type});
      return true;
    });
    if (!listed) return false;
  }
  std::set<std::string_view> present;
  for (const FolderEntry& entry : entries) present.insert(entry.name);
  std::erase_if(seen_, [&](const auto& entry) { return !present.contains(entry.first); });
  for (const FolderEntry& entry : entries) look(entry.name, nowMs, entry.type);
  return true;
}

bool Inbox::ready(std::int64_t nowMs, std::vector<std::string>& names, std::size_t& waiting,
                  std::int64_t& nextMs) {
  readEvents();
  names.clear();
  waiting = 0;
  nextMs = 0;
  if (watch_ < 0 || listAll_ || nowMs >= nextListingMs_) {
    if (!list(nowMs)) return false;
    listAll_ = false;
    nextListingMs_ = nowMs + 1000;
  } else {
    for (const std::string& name : changed_) look(name, nowMs);
  }
  changed_.clear();
  renamedIn_.clear();
  for (const auto& [name, seen] : seen_) {
    if (!seen.file || seen.renamedIn || settleMs_ <= 0 ||
        nowMs - seen.unchangedSinceMs >= settleMs_) {
      names.push_back(name);
    } else {
      ++waiting;
      const std::int64_t at = seen.unchangedSinceMs + settleMs_;
      nextMs = nextMs == 0 ? at : std::min(nextMs, at);
    }
  }
  return true;
}

void Inbox::taken(const std::string& name) {
  if (const auto seen = seen_.find(name); seen != seen_.end()) seen_.erase(seen);
}

void Inbox::wait(int timeoutMs) {
#ifdef __linux__
  if (watch_ >= 0) {
    pollfd watched{watch_, POLLIN, 0};
    ::poll(&watched, 1, timeoutMs);  // a signal ends it early, as it should
    // What woke it is noted now: events left unread would wake every wait
    // at once while the relay takes nothing (a stall).
    readEvents();
    return;
  }
#endif
  // Polled: in short steps, so that a stop is seen soon.
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(timeoutMs, 100)));
    break;
  }
}

}  // namespace xbtconv
