#include "relay/relay_summaries.h"

#include "pipeline/run/printable_text.h"

namespace xbtconv {
namespace {

// Milliseconds since 1970 of the start of `day` and of the day after, as
// SQL expressions over a bound YYYY-MM-DD.
constexpr const char* kOfDay =
    "received_ms >= CAST(strftime('%s', ?1) AS INTEGER) * 1000 AND received_ms < "
    "CAST(strftime('%s', ?1, '+1 day') AS INTEGER) * 1000";

std::string orDash(const std::string& text) { return text.empty() ? "-" : printableText(text); }

}  // namespace

std::string relayStatus(Ledger& ledger, const std::string& day) {
  Database& database = ledger.database();
  Statement& counts = database.statement(
      std::string("SELECT count(*), sum(outcome = 'sent'), sum(outcome = 'correction'), "
                  "sum(outcome = 'held'), sum(outcome = 'duplicate'), sum(outcome = 'failed'), "
                  "sum(stage != 'done') FROM inputs WHERE ") +
      kOfDay);
  counts.bind(1, day);
  counts.step();
  std::string text =
      day + " (UTC): received " + std::to_string(counts.integer(0)) + ", sent " +
      std::to_string(counts.integer(1)) + ", corrections " + std::to_string(counts.integer(2)) +
      ", held " + std::to_string(counts.integer(3)) + ", duplicates " +
      std::to_string(counts.integer(4)) + ", failed " + std::to_string(counts.integer(5)) +
      ", under way " + std::to_string(counts.integer(6)) + "\n";
  counts.reset();
  Statement& files = database.statement(
      "SELECT count(DISTINCT f.id), count(b.id) FROM outbox_files AS f JOIN bulletins AS b ON "
      "b.file_id = f.id WHERE f.state = 'out' AND f.out_ms >= CAST(strftime('%s', ?1) AS "
      "INTEGER) * 1000 AND f.out_ms < CAST(strftime('%s', ?1, '+1 day') AS INTEGER) * 1000");
  files.bind(1, day);
  files.step();
  text += "bulletins sent: " + std::to_string(files.integer(1)) + " in " +
          std::to_string(files.integer(0)) + " files\n";
  files.reset();
  Statement& held = database.statement(
      "SELECT place, reason, received_ms FROM inputs WHERE stage = 'done' AND outcome = 'held' "
      "ORDER BY id");
  std::string lines;
  std::size_t count = 0;
  while (held.step()) {
    ++count;
    lines += "  " + orDash(held.text(0)) + "\t" + orDash(held.text(1)) + "\treceived " +
             logTime(held.integer(2)) + "\n";
  }
  held.reset();
  text += "held, waiting for an operator: " + std::to_string(count) + "\n" + lines;
  if (const auto [waiting, since] = ledger.notificationsWaiting(); waiting > 0) {
    text += "WIS2 notifications waiting for the broker: " + std::to_string(waiting) + ", since " +
            logTime(*since) + "\n";
  }
  return text;
}

std::string relayReport(Ledger& ledger, const std::string& day) {
  Statement& rows = ledger.database().statement(
      std::string("SELECT coalesce(platform, ''), coalesce(soop_line, ''), count(*), "
                  "sum(outcome = 'sent'), sum(outcome = 'correction'), sum(outcome = 'held'), "
                  "sum(outcome = 'duplicate'), sum(outcome = 'failed'), min(drop_time), "
                  "max(drop_time) FROM inputs WHERE stage = 'done' AND ") +
      kOfDay + " GROUP BY 1, 2 ORDER BY 1, 2");
  rows.bind(1, day);
  std::string text =
      "platform\tsoop_line\tinputs\tsent\tcorrections\theld\tduplicates\tfailed\tfirst_drop\t"
      "last_drop\n";
  while (rows.step()) {
    text += orDash(rows.text(0)) + "\t" + orDash(rows.text(1));
    for (int column = 2; column <= 7; ++column) text += "\t" + std::to_string(rows.integer(column));
    text += "\t" + orDash(rows.text(8)) + "\t" + orDash(rows.text(9)) + "\n";
  }
  rows.reset();
  return text;
}

}  // namespace xbtconv
