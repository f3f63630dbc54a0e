#include "relay/hold_rules.h"

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

std::string holdReason(const Observation& observation, const HoldRules& rules, std::int64_t now) {
  std::string reasons;
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
