// What an operator asks of a relay's ledger: today's counts and what waits
// in held/ (`xbt relay status`), and a day's summary per platform and SOOP
// line (`xbt relay report`). Days are UTC days of receipt.
#ifndef XBTCONV_RELAY_RELAY_SUMMARIES_H_
#define XBTCONV_RELAY_RELAY_SUMMARIES_H_

#include <cstdint>
#include <string>

#include "relay/ledger.h"

namespace xbtconv {

/// Lines: the day's counts by outcome, the bulletins and files sent, then
/// each held input with its reason.
std::string relayStatus(Ledger& ledger, const std::string& day);
/// A tab-separated table with a header: platform, SOOP line, inputs, sent,
/// corrections, held, duplicates, failed, first and last drop time.
std::string relayReport(Ledger& ledger, const std::string& day);

}  // namespace xbtconv

#endif  // XBTCONV_RELAY_RELAY_SUMMARIES_H_
