#include "relay/service_manager.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace xbtconv {

ServiceManager::ServiceManager() {
  if (const char* socket = std::getenv("NOTIFY_SOCKET"); socket != nullptr) socket_ = socket;
  // The watchdog's interval in microseconds, for this process alone.
  const char* usec = std::getenv("WATCHDOG_USEC");
  const char* pid = std::getenv("WATCHDOG_PID");
  if (usec != nullptr && (pid == nullptr || std::strtoll(pid, nullptr, 10) == ::getpid())) {
    intervalMs_ = std::strtoll(usec, nullptr, 10) / 2000;
  }
}

void ServiceManager::send(const std::string& message) const {
  if (socket_.empty() || socket_.size() >= sizeof(sockaddr_un::sun_path)) return;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, socket_.data(), socket_.size());
  if (address.sun_path[0] == '@') address.sun_path[0] = '\0';  // an abstract socket
  const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + socket_.size());
  ::sendto(fd, message.data(), message.size(), MSG_NOSIGNAL,
           reinterpret_cast<const sockaddr*>(&address), length);
  ::close(fd);
}

void ServiceManager::ready(std::string_view status) {
  send("READY=1\nSTATUS=" + std::string(status));
}

void ServiceManager::alive(std::int64_t nowMs) {
  if (intervalMs_ <= 0 || nowMs - saidMs_ < intervalMs_) return;
  saidMs_ = nowMs;
  send("WATCHDOG=1");
}

void ServiceManager::status(std::string_view status) { send("STATUS=" + std::string(status)); }

void ServiceManager::stopping() { send("STOPPING=1"); }

}  // namespace xbtconv
