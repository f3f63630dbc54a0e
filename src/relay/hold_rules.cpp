#include "relay/hold_rules.h"

#include <algorithm>

#include "profile/drop_identity.h"
#include "xbtconv/formats.h"

namespace xbtconv {
namespace {

// GTSPP flags 1 to 4 rank from good to bad; 0 (no quality control) and 9
// (no value) say nothing of quality.
bool atLeast(int flag, int threshold) { return threshold > 0 && flag >= threshold && flag <= 4; }

void add(std::string& reasons, const std::string& reason) {
  if (!reasons.empty()) reasons += "; ";
  reasons += reason;
}

}  // namespace

bool maySend(const HoldRules& rules, std::string_view sender, const Observation& observation) {
  if (rules.senders.empty()) return true;
  const auto named = rules.senders.find(sender);
  if (named == rules.senders.end()) return false;
  const std::string imo =
      observation.ship.imoNumber ? std::to_string(*observation.ship.imoNumber) : "";
  return std::ranges::any_of(named->second, [&](const std::string& platform) {
    return platform == "*" ||
           (observation.ship.callSign && platform == *observation.ship.callSign) ||
           (!imo.empty() && (platform == imo || platform == "IMO " + imo));
  });
}

std::string holdReason(const Observation& observation, const HoldRules& rules, std::int64_t now,
                       std::string_view sender) {
  std::string reasons;
  if (!maySend(rules, sender, observation)) {
    const std::string platform = platformOf(observation);
    const std::string drops = platform.empty() ? "a drop without platform identity" : platform;
    add(reasons, sender.empty()
                     ? "not from a sender's folder (no sender is named for " + drops + ")"
                     : "sender " + std::string(sender) + " is not named for " + drops);
  }
  const QcSummary qc = observation.qc.value_or(QcSummary{});
  if (atLeast(qc.profileFlag, rules.profileFlag)) {
    add(reasons, "profile flag " + std::to_string(qc.profileFlag));
  }
  if (atLeast(qc.timeFlag, rules.timeFlag)) {
    add(reasons, "time flag " + std::to_string(qc.timeFlag));
  }
  if (atLeast(qc.positionFlag, rules.positionFlag)) {
    add(reasons, "position flag " + std::to_string(qc.positionFlag));
  }
  if (rules.needPlatform && platformOf(observation).empty()) {
    add(reasons, "no platform identity (neither call sign nor IMO number)");
  }
  const std::optional<std::int64_t> dropped = observation.time.utcSeconds;
  if (rules.maxAgeDays > 0 && dropped && now - *dropped > std::int64_t{rules.maxAgeDays} * 86400) {
    add(reasons, "older than " + std::to_string(rules.maxAgeDays) + " days");
  }
  if (const Status usable = bufrUsability(observation); !usable.ok()) {
    add(reasons, usable.message());
  }
  return reasons;
}

}  // namespace xbtconv
