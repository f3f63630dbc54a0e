// What the relay tells the service manager that started it, by systemd's
// notification protocol (a datagram to the socket $NOTIFY_SOCKET names):
// that it is ready, that it is alive (for the unit's WatchdogSec=: a relay
// that stops saying so is restarted), a line of status, and that it stops.
// Without $NOTIFY_SOCKET (cron, a terminal) every call does nothing.
#ifndef XBTCONV_RELAY_SERVICE_MANAGER_H_
#define XBTCONV_RELAY_SERVICE_MANAGER_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace xbtconv {

class ServiceManager {
 public:
  ServiceManager();

  void ready(std::string_view status);
  /// Alive: said at most twice in the watchdog's interval, however often
  /// called.
  void alive(std::int64_t nowMs);
  void status(std::string_view status);
  void stopping();

 private:
  void send(const std::string& message) const;

  std::string socket_;
  std::int64_t intervalMs_ = 0;  // half the watchdog's, or 0 when it has none
  std::int64_t saidMs_ = 0;
};

}  // namespace xbtconv

#endif  // XBTCONV_RELAY_SERVICE_MANAGER_H_
