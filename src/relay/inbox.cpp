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

Inbox::Inbox(const Folder& folder, std::int64_t settleMs) : folder_(folder), settleMs_(settleMs) {}

Inbox::~Inbox() {
#ifdef __linux__
  if (watch_ >= 0) ::close(watch_);
#endif
}

bool Inbox::watch() {
#ifdef __linux__
  watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch_ < 0) return false;
  // The folder by its descriptor: whatever its name comes to mean later.
  const std::string self = "/proc/self/fd/" + std::to_string(folder_.descriptor());
  if (inotify_add_watch(watch_, self.c_str(),
                        IN_MOVED_TO | IN_CLOSE_WRITE | IN_CREATE | IN_MODIFY | IN_ATTRIB) < 0) {
    ::close(watch_);
    watch_ = -1;
    return false;
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
      if ((event->mask & IN_MOVED_TO) != 0 && event->len > 0) renamedIn_.emplace(event->name);
      at += static_cast<ssize_t>(sizeof(struct inotify_event) + event->len);
    }
  }
#endif
}

bool Inbox::ready(std::int64_t nowMs, std::vector<std::string>& names, std::size_t& waiting,
                  std::int64_t& nextMs) {
  readEvents();
  names.clear();
  waiting = 0;
  nextMs = 0;
  std::map<std::string, Seen, std::less<>> seen;
  const bool listed = folder_.forEachEntry([&](std::string_view name, EntryType type) {
    if (isUploadName(name) || type == EntryType::kFolder) return true;
    if (type != EntryType::kFile) {
      names.emplace_back(name);  // taken to be failed, never opened
      return true;
    }
    if (settleMs_ <= 0) {
      names.emplace_back(name);  // complete once it is there: no need to look at it
      return true;
    }
    const std::optional<FileIdentity> identity = folder_.fileIdentity(name);
    if (!identity) return true;  // gone, or no longer a file: the next look says
    Seen now{*identity, 0};
    const auto before = seen_.find(name);
    if (before != seen_.end() && before->second.identity == *identity) {
      now.unchangedSinceMs = before->second.unchangedSinceMs;
    } else if (before != seen_.end()) {
      now.unchangedSinceMs = nowMs;
    } else {
      // First seen: its own modification time says how long it has been
      // unchanged (one in the future, from a sender's clock, from now on).
      now.unchangedSinceMs = std::min(nowMs, identity->modified / 1000000);
    }
    if (renamedIn_.contains(name) || nowMs - now.unchangedSinceMs >= settleMs_) {
      names.emplace_back(name);
    } else {
      ++waiting;
      const std::int64_t at = now.unchangedSinceMs + settleMs_;
      nextMs = nextMs == 0 ? at : std::min(nextMs, at);
    }
    seen.emplace(std::string(name), now);
    return true;
  });
  seen_ = std::move(seen);
  std::sort(names.begin(), names.end());
  return listed;
}

void Inbox::taken(const std::string& name) {
  seen_.erase(name);
  renamedIn_.erase(name);
}

void Inbox::wait(int timeoutMs) {
#ifdef __linux__
  if (watch_ >= 0) {
    pollfd watched{watch_, POLLIN, 0};
    ::poll(&watched, 1, timeoutMs);  // a signal ends it early, as it should
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
