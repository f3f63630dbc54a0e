// How a relay is doing, as its ledger and its folders tell, for whoever
// watches it: `xbt relay status --format json`, the alarm check `xbt relay
// check` (Nagios and Icinga's plugin conventions: one line, exit 0 OK, 1
// WARNING, 2 CRITICAL, 3 UNKNOWN), and the counters the relay writes for
// Prometheus' node_exporter (its textfile collector) every minute.
#ifndef XBTCONV_RELAY_RELAY_HEALTH_H_
#define XBTCONV_RELAY_RELAY_HEALTH_H_

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "relay/ledger.h"
#include "relay/relay_options.h"

namespace xbtconv {

struct FolderState {
  std::string role, path;
  bool present = false;
  bool writable = false;
  std::uint64_t freeBytes = 0;
  // The outbox only: the bulletin files a GTS sender has not taken yet, and
  // when the oldest was put there (ms since 1970).
  std::size_t files = 0;
  std::optional<std::int64_t> oldestMs;
};

struct RelayHealth {
  std::string day;                            // of the counts: UTC, of receipt
  std::map<std::string, std::int64_t> today;  // inputs by outcome
  std::map<std::string, std::int64_t> total;  // inputs by outcome, ever
  std::int64_t underWay = 0;                  // taken, not yet settled
  std::int64_t bulletinsToday = 0, filesToday = 0, bulletinsTotal = 0;
  std::int64_t held = 0;
  std::optional<std::int64_t> oldestHeldMs, lastReceivedMs;
  // WIS2 notifications not yet acknowledged by the broker, and since when.
  std::int64_t notificationsWaiting = 0;
  std::optional<std::int64_t> notificationsWaitingSinceMs;
  std::vector<FolderState> folders;
};

/// The health of the relay whose ledger is `ledger`, its folders as
/// `options` name them (those not given are left out), with the counts of
/// `day` (YYYY-MM-DD).
RelayHealth relayHealth(Ledger& ledger, const RelayOptions& options, const std::string& day);

/// One JSON object: the counts, the waits, the folders.
std::string healthJson(const RelayHealth& health, std::int64_t nowMs);

/// Prometheus' text format: counters of inputs and bulletins, gauges of
/// what waits and how old it is.
std::string prometheusText(const RelayHealth& health, std::int64_t nowMs);

/// When `xbt relay check` raises an alarm; 0 turns a test off.
struct CheckLimits {
  double outboxMinutes = 10;  // a bulletin not taken from the outbox this long: critical
  double heldHours = 24;      // a held input waiting this long: warning
  double silentHours = 0;     // nothing received this long: warning
};

/// The check's exit status (0 to 3) and its line, "XBT RELAY OK - ...".
int healthCheck(const RelayHealth& health, const CheckLimits& limits, std::int64_t nowMs,
                std::string& line);

}  // namespace xbtconv

#endif  // XBTCONV_RELAY_RELAY_HEALTH_H_
