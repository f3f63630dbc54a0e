#include "relay/ledger.h"

#include <sys/stat.h>

#include <cstdio>
#include <tuple>
#include <utility>

namespace xbtconv {
namespace {

// Version 1 of the ledger. A later version adds its own step below, run on
// ledgers of an earlier one.
constexpr const char* kSchema = R"(
CREATE TABLE inputs (
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL,            -- as it arrived in the inbox
  received_ms INTEGER NOT NULL,  -- when the relay took it, ms since 1970 (UTC)
  stage TEXT NOT NULL,           -- taking, decided, done
  at TEXT,                       -- where its file is while handled, below the state folder
  outcome TEXT,                  -- sent, correction, held, duplicate, failed
  reason TEXT,
  platform TEXT,
  soop_line TEXT,
  drop_time TEXT,
  latitude REAL,
  longitude REAL,
  profile_flag INTEGER,
  identity TEXT,                 -- platform, drop time and position as sent
  content TEXT,                  -- digest of the decoded content
  qc_now INTEGER,                -- the clock quality control ran against, s since 1970
  duplicate_of INTEGER REFERENCES inputs(id),
  bulletin_id INTEGER REFERENCES bulletins(id),
  place TEXT,                    -- where it ends, below the archive or state folder
  released_by TEXT,              -- the operator who released it from held/
  day TEXT,                      -- the archive day of a sent input, YYYY-MM-DD
  decided_ms INTEGER,
  done_ms INTEGER
);
CREATE INDEX inputs_under_way ON inputs(stage) WHERE stage != 'done';
CREATE INDEX inputs_by_identity ON inputs(identity) WHERE identity != '';
CREATE INDEX inputs_by_day ON inputs(day) WHERE day IS NOT NULL;
CREATE TABLE outbox_files (
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL,            -- unique, as the heading it carries first
  state TEXT NOT NULL,           -- open, full, written, out
  temporary TEXT,                -- its whole copy in the outbox, while written
  opened_ms INTEGER NOT NULL,
  out_ms INTEGER
);
CREATE INDEX outbox_files_under_way ON outbox_files(state) WHERE state != 'out';
CREATE TABLE bulletins (
  id INTEGER PRIMARY KEY,
  input_id INTEGER NOT NULL REFERENCES inputs(id),
  designators TEXT NOT NULL,     -- T1T2A1A2ii
  centre TEXT NOT NULL,          -- CCCC
  compiled INTEGER NOT NULL,     -- compilation time (YYGGgg), s since 1970
  bbb TEXT NOT NULL,             -- '' for the first of its heading
  heading TEXT NOT NULL,
  channel INTEGER NOT NULL,      -- nnn
  update_sequence INTEGER NOT NULL,
  corrects INTEGER REFERENCES bulletins(id),
  file_id INTEGER NOT NULL REFERENCES outbox_files(id),
  message BLOB,                  -- kept until its batch file is written
  UNIQUE (designators, centre, compiled, bbb)
);
CREATE INDEX bulletins_by_file ON bulletins(file_id);
CREATE TABLE counters (name TEXT PRIMARY KEY, value INTEGER NOT NULL);
CREATE TABLE days (day TEXT PRIMARY KEY, stale INTEGER NOT NULL);
CREATE TABLE operator_decisions (
  id INTEGER PRIMARY KEY,
  time_ms INTEGER NOT NULL,
  input_id INTEGER NOT NULL REFERENCES inputs(id),
  operator TEXT NOT NULL,
  decision TEXT NOT NULL
);
CREATE TABLE release_requests (
  input_id INTEGER PRIMARY KEY REFERENCES inputs(id),
  operator TEXT NOT NULL,
  requested_ms INTEGER NOT NULL
);
)";
// Version 2: whether each input's line is in the operator's log, so that a
// relay stopped between settling an input and saying so says it on its
// next start. A ledger of version 1 has said what it settled, as far as it
// knows.
constexpr const char* kSchemaStep2 = R"(
ALTER TABLE inputs ADD COLUMN logged INTEGER;  -- 1 once its line is in the log
CREATE INDEX inputs_unlogged ON inputs(id) WHERE logged IS NULL AND stage = 'done';
UPDATE inputs SET logged = 1 WHERE stage = 'done';
)";
// Version 3: a bulletin carries the drops of one area decided together, so
// the inputs are found by their bulletin; the work folder moved into the
// inbox (an input still in the old one is found there).
constexpr const char* kSchemaStep3 = R"(
CREATE INDEX IF NOT EXISTS inputs_by_bulletin ON inputs(bulletin_id) WHERE bulletin_id IS NOT NULL;
)";
// Version 4: the relay as a WIS2 node. Each notification is a step of its
// own: its file, message and id written before it is published, the same
// id published again after a stop until the broker acknowledges it; and
// the discovery record as last announced.
constexpr const char* kSchemaStep4 = R"(
CREATE TABLE IF NOT EXISTS notifications (
  id INTEGER PRIMARY KEY,
  input_id INTEGER,              -- the drop it announces (none for the discovery record)
  uuid TEXT NOT NULL UNIQUE,     -- the message's id, the same however often it goes out
  topic TEXT NOT NULL,
  message TEXT NOT NULL,
  file TEXT,                     -- below the WIS2 data folder
  temporary TEXT,                -- its whole copy, while not yet in place
  update_sequence INTEGER,
  state TEXT NOT NULL,           -- written, waiting, published
  created_ms INTEGER NOT NULL,
  published_ms INTEGER
);
CREATE INDEX IF NOT EXISTS notifications_under_way ON notifications(state) WHERE state != 'published';
CREATE TABLE IF NOT EXISTS records (
  id TEXT PRIMARY KEY,           -- the dataset's record id
  digest TEXT NOT NULL,          -- of the record as last announced
  created_ms INTEGER NOT NULL
);
)";
// Version 5: a notification's message (some kilobytes, its file inline)
// in a table of its own, written once: in the notification's row it was
// written again at each change of state, a third of what publishing cost.
constexpr const char* kSchemaStep5 = R"(
CREATE TABLE notification_messages (
  id INTEGER PRIMARY KEY,        -- the notification's
  message TEXT NOT NULL
);
INSERT INTO notification_messages SELECT id, message FROM notifications;
ALTER TABLE notifications DROP COLUMN message;
)";
constexpr int kSchemaVersion = 5;

LedgerInput inputOf(const Statement& row) {
  LedgerInput input;
  input.id = row.integer(0);
  input.name = row.text(1);
  input.receivedMs = row.integer(2);
  input.stage = row.text(3);
  input.at = row.text(4);
  input.place = row.text(5);
  input.outcome = row.text(6);
  input.reason = row.text(7);
  input.releasedBy = row.text(8);
  input.qcNow = row.optionalInteger(9).value_or(0);
  return input;
}

constexpr const char* kInputColumns =
    "SELECT id, name, received_ms, stage, at, place, outcome, reason, released_by, qc_now FROM "
    "inputs ";

}  // namespace

Ledger::Ledger(const std::string& path) : database_(path) {
  database_.execute("PRAGMA journal_mode = WAL");
  database_.execute("PRAGMA synchronous = FULL");
  // The relay is the ledger's only writer and writes its references itself:
  // checking them on every row cost a fifth of the ledger's work in a burst.
  database_.execute("PRAGMA foreign_keys = OFF");
  // Statement journals in memory: in files they cost a temporary file's
  // writes for every multi-row step.
  database_.execute("PRAGMA temp_store = MEMORY");
  // A burst's rows and indexes stay in memory (SQLite's default of 2 MB
  // would read them again at every step).
  database_.execute("PRAGMA cache_size = -32768");
  Statement& version = database_.statement("PRAGMA user_version");
  version.step();
  const std::int64_t found = version.integer(0);
  version.reset();
  if (found > kSchemaVersion) {
    throw LedgerFailure("the ledger " + path + " is of a newer xbt (schema " +
                        std::to_string(found) + ")");
  }
  if (found < kSchemaVersion) {
    Transaction transaction(database_);
    if (found == 0) {
      database_.execute(kSchema);
      database_.execute("INSERT INTO counters VALUES ('channel', 0), ('batch', 1)");
    }
    if (found < 2) database_.execute(kSchemaStep2);
    if (found < 3) database_.execute(kSchemaStep3);
    if (found < 4) database_.execute(kSchemaStep4);
    if (found < 5) database_.execute(kSchemaStep5);
    database_.execute("PRAGMA user_version = " + std::to_string(kSchemaVersion));
    transaction.commit();
  }
}

std::int64_t Ledger::addArrival(const std::string& name, std::int64_t receivedMs) {
  database_.statement("INSERT INTO inputs (name, received_ms, stage) VALUES (?, ?, 'taking')")
      .bind(1, name)
      .bind(2, receivedMs)
      .run();
  return database_.lastInsertId();
}

void Ledger::setInputAt(std::int64_t id, const std::string& at) {
  database_.statement("UPDATE inputs SET at = ? WHERE id = ?").bind(1, at).bind(2, id).run();
}

void Ledger::forgetInput(std::int64_t id) {
  database_.statement("DELETE FROM inputs WHERE id = ?").bind(1, id).run();
}

std::vector<LedgerInput> Ledger::inputsAt(const std::string& stage, std::size_t limit) {
  Statement& query = database_.statement(std::string(kInputColumns) +
                                         "WHERE stage = ? AND stage != 'done' ORDER BY id LIMIT ?");
  query.bind(1, stage).bind(2, limit == 0 ? std::int64_t{-1} : static_cast<std::int64_t>(limit));
  std::vector<LedgerInput> inputs;
  while (query.step()) inputs.push_back(inputOf(query));
  query.reset();
  return inputs;
}

std::vector<LedgerInput> Ledger::inputsAfter(std::int64_t after, std::size_t limit) {
  Statement& query = database_.statement(
      std::string(kInputColumns) +
      "WHERE stage = 'taking' AND stage != 'done' AND id > ? ORDER BY id LIMIT ?");
  query.bind(1, after).bind(2, static_cast<std::int64_t>(limit));
  std::vector<LedgerInput> inputs;
  while (query.step()) inputs.push_back(inputOf(query));
  query.reset();
  return inputs;
}

std::size_t Ledger::dropsIn(std::int64_t bulletinId) {
  Statement& query = database_.statement("SELECT count(*) FROM inputs WHERE bulletin_id = ?");
  query.bind(1, bulletinId);
  query.step();
  const auto count = static_cast<std::size_t>(query.integer(0));
  query.reset();
  return count;
}

std::optional<LedgerInput> Ledger::inputKnownAs(const std::string& name) {
  Statement& query = database_.statement(
      std::string(kInputColumns) +
      "WHERE name = ?1 OR substr(place, -length(?1) - 1) = '/' || ?1 ORDER BY id DESC LIMIT 1");
  query.bind(1, name);
  std::optional<LedgerInput> input;
  if (query.step()) input = inputOf(query);
  query.reset();
  return input;
}

std::string Ledger::sentIn(std::int64_t inputId) {
  Statement& query = database_.statement(
      "SELECT b.heading, f.name FROM inputs AS i JOIN bulletins AS b ON b.id = i.bulletin_id "
      "JOIN outbox_files AS f ON f.id = b.file_id WHERE i.id = ?");
  query.bind(1, inputId);
  std::string sent = query.step() ? query.text(0) + " (" + query.text(1) + ")" : "a bulletin";
  query.reset();
  return sent;
}

std::optional<LedgerInput> Ledger::inputPlacedAt(const std::string& place) {
  Statement& query =
      database_.statement(std::string(kInputColumns) + "WHERE place = ? ORDER BY id DESC LIMIT 1");
  query.bind(1, place);
  std::optional<LedgerInput> input;
  if (query.step()) input = inputOf(query);
  query.reset();
  return input;
}

std::optional<LedgerInput> Ledger::inputById(std::int64_t id) {
  Statement& query = database_.statement(std::string(kInputColumns) + "WHERE id = ?");
  query.bind(1, id);
  std::optional<LedgerInput> input;
  if (query.step()) input = inputOf(query);
  query.reset();
  return input;
}

void Ledger::decide(std::int64_t id, const Decision& d, std::int64_t decidedMs) {
  database_
      .statement(
          "UPDATE inputs SET stage = 'decided', outcome = ?, reason = ?, platform = ?, "
          "soop_line = ?, drop_time = ?, latitude = ?, longitude = ?, profile_flag = ?, "
          "identity = ?, content = ?, qc_now = ?, duplicate_of = ?, place = ?, day = ?, "
          "decided_ms = ?, bulletin_id = ? WHERE id = ?")
      .bind(1, d.outcome)
      .bind(2, d.reason)
      .bind(3, d.platform)
      .bind(4, d.soopLine)
      .bind(5, d.dropTime)
      .bind(6, d.latitude)
      .bind(7, d.longitude)
      .bind(8, d.profileFlag)
      .bind(9, d.identity)
      .bind(10, d.content)
      .bind(11, d.qcNow)
      .bind(12, d.duplicateOf)
      .bind(13, d.place)
      .bind(14, d.day.empty() ? std::optional<std::string>() : d.day)
      .bind(15, decidedMs)
      .bind(16, d.bulletinId)
      .bind(17, id)
      .run();
}

void Ledger::finish(std::int64_t id, const std::string& place, std::int64_t doneMs) {
  database_
      .statement(
          "UPDATE inputs SET stage = 'done', at = NULL, place = ?, done_ms = ? "
          "WHERE id = ?")
      .bind(1, place)
      .bind(2, doneMs)
      .bind(3, id)
      .run();
  // Its day's collection is stale in the same step, whichever way the input
  // got there (a relay stopped between the two would leave the drop out of
  // the archive's day for good).
  database_
      .statement(
          "INSERT INTO days SELECT day, 1 FROM inputs WHERE id = ? AND day IS NOT NULL AND "
          "outcome IN ('sent', 'correction') ON CONFLICT (day) DO UPDATE SET stale = 1")
      .bind(1, id)
      .run();
}

void Ledger::finishDecided(std::int64_t doneMs) {
  // Days and files first: once done, the chunk's inputs are no longer told
  // apart from those before it.
  database_
      .statement(
          "INSERT INTO days SELECT DISTINCT day, 1 FROM inputs WHERE stage = 'decided' AND "
          "stage != 'done' AND day IS NOT NULL AND outcome IN ('sent', 'correction') "
          "ON CONFLICT (day) DO UPDATE SET stale = 1")
      .run();
  database_
      .statement(
          "UPDATE outbox_files SET state = 'out', out_ms = ?1, temporary = '' WHERE state = "
          "'written' AND state != 'out' AND id IN (SELECT b.file_id FROM inputs AS i JOIN "
          "bulletins AS b ON b.id = i.bulletin_id WHERE i.stage = 'decided' AND i.stage != 'done')")
      .bind(1, doneMs)
      .run();
  database_
      .statement(
          "UPDATE inputs SET stage = 'done', at = NULL, done_ms = ?1 WHERE stage = 'decided' AND "
          "stage != 'done'")
      .bind(1, doneMs)
      .run();
  // Their notifications' files are in place too.
  database_
      .statement(
          "UPDATE notifications SET state = 'waiting', temporary = NULL WHERE state = 'written' "
          "AND state != 'published'")
      .run();
}

std::vector<SameDrop> Ledger::sameDrop(const std::string& identity, std::int64_t before,
                                       bool withHeld) {
  Statement& query = database_.statement(
      "SELECT id, name, outcome, content, bulletin_id FROM inputs WHERE identity = ?1 AND "
      "identity != '' "
      "AND id < ?2 AND "
      "(outcome IN ('sent', 'correction') OR (?3 AND outcome = 'held')) ORDER BY id");
  query.bind(1, identity).bind(2, before).bind(3, std::int64_t{withHeld ? 1 : 0});
  std::vector<SameDrop> drops;
  while (query.step()) {
    drops.push_back(
        {query.integer(0), query.text(1), query.text(2), query.text(3), query.optionalInteger(4)});
  }
  query.reset();
  return drops;
}

std::optional<AbbreviatedHeading> Ledger::freeHeading(const std::string& prefix, int iiFirst,
                                                      int iiLast, const std::string& centre,
                                                      std::int64_t minute, bool late, bool later) {
  // A plain heading of any ii first; then, for a late bulletin, RRZ where
  // the plain one is used. Never RRA to RRX, which receivers take for
  // additions to a bulletin: a burst waits for the next minute's headings
  // instead. A burst fills heading after heading: each search starts where
  // the last found every heading of its kind taken.
  for (std::int64_t at = minute;; at += 60) {
    if (at > minute && !later) return std::nullopt;
    for (const bool lateKind : {false, true}) {
      if (lateKind && !late) break;
      std::pair<std::int64_t, int>& cursor =
          headingCursor_[prefix + centre + (lateKind ? "Z" : "")];
      if (cursor.first > at) continue;  // every one of this minute taken
      for (int ii = cursor.first == at ? cursor.second : iiFirst; ii <= iiLast; ++ii) {
        char designators[16];
        std::snprintf(designators, sizeof designators, "%s%02d", prefix.c_str(), ii);
        HeadingUse& use = headingUse(designators, centre, at);
        bool& taken = lateKind ? use.lateTaken : use.plain;
        if (taken) continue;
        taken = true;
        cursor = {at, ii};
        return AbbreviatedHeading{designators, centre, at, lateKind ? "RRZ" : ""};
      }
      cursor = {at + 60, iiFirst};
    }
  }
}

Ledger::HeadingUse& Ledger::headingUse(const std::string& designators, const std::string& centre,
                                       std::int64_t compiled) {
  std::string key = designators + " " + centre + " " + std::to_string(compiled);
  if (const auto known = headingUse_.find(key); known != headingUse_.end()) return known->second;
  // Only this relay draws headings while it holds the state folder: once
  // read, a heading's use is followed here (a step rolled back after a
  // heading was drawn leaves that heading unused, never used twice).
  if (headingUse_.size() >= 4096) headingUse_.clear();
  Statement& used = database_.statement(
      "SELECT bbb FROM bulletins WHERE designators = ? AND centre = ? AND compiled = ?");
  used.bind(1, designators).bind(2, centre).bind(3, compiled);
  HeadingUse use;
  while (used.step()) {
    const std::string bbb = used.text(0);
    use.plain = use.plain || bbb.empty();
    use.lateTaken = use.lateTaken || bbb == "RRZ";
  }
  used.reset();
  return headingUse_.emplace(std::move(key), use).first->second;
}

std::optional<AbbreviatedHeading> Ledger::correctionHeading(std::int64_t original, bool late) {
  Statement& find =
      database_.statement("SELECT designators, centre, compiled FROM bulletins WHERE id = ?");
  find.bind(1, original);
  if (!find.step()) {
    find.reset();
    return std::nullopt;
  }
  AbbreviatedHeading heading{find.text(0), find.text(1), find.integer(2), ""};
  find.reset();
  Statement& used = database_.statement(
      "SELECT bbb FROM bulletins WHERE designators = ? AND centre = ? AND compiled = ? AND bbb "
      "LIKE 'CC%'");
  used.bind(1, heading.designators).bind(2, heading.centre).bind(3, heading.compiled);
  int corrections = 0;
  bool lateTaken = false;
  while (used.step()) {
    if (used.text(0) == "CCZ") {
      lateTaken = true;
    } else {
      ++corrections;
    }
  }
  used.reset();
  std::optional<char> letter = bbbLetter(late ? (lateTaken ? 1 : 0) : corrections, late);
  // A late drop corrected again: its CCZ is taken, so the ordinary letters
  // go on (it stays a correction of that bulletin, under a heading not
  // sent before).
  if (!letter && late) letter = bbbLetter(corrections, false);
  if (!letter) return std::nullopt;
  heading.bbb = std::string("CC") + *letter;
  return heading;
}

int Ledger::nextChannel(int numbers) {
  Statement& query = database_.statement("SELECT value FROM counters WHERE name = 'channel'");
  query.step();
  // A link that went from five digits to three continues within its range.
  const auto channel = static_cast<int>(query.integer(0) % numbers);
  query.reset();
  database_.statement("UPDATE counters SET value = ? WHERE name = 'channel'")
      .bind(1, std::int64_t{(channel + 1) % numbers})
      .run();
  return channel;
}

std::int64_t Ledger::nextBatchNumber() {
  Statement& query = database_.statement("SELECT value FROM counters WHERE name = 'batch'");
  query.step();
  const std::int64_t number = query.integer(0);
  query.reset();
  database_.statement("UPDATE counters SET value = ? WHERE name = 'batch'")
      .bind(1, number >= 99999999 ? std::int64_t{1} : number + 1)
      .run();
  return number;
}

std::int64_t Ledger::addBulletin(std::int64_t inputId, const AbbreviatedHeading& heading,
                                 int channel, int updateSequence,
                                 std::optional<std::int64_t> corrects, std::int64_t fileId,
                                 const std::optional<std::string>& message) {
  Statement& insert = database_.statement(
      "INSERT INTO bulletins (input_id, designators, centre, compiled, bbb, heading, channel, "
      "update_sequence, corrects, file_id, message) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  insert.bind(1, inputId)
      .bind(2, heading.designators)
      .bind(3, heading.centre)
      .bind(4, heading.compiled)
      .bind(5, heading.bbb)
      .bind(6, heading.text())
      .bind(7, std::int64_t{channel})
      .bind(8, std::int64_t{updateSequence})
      .bind(9, corrects)
      .bind(10, fileId);
  if (message) insert.bindBlob(11, *message);
  insert.run();
  return database_.lastInsertId();
}

std::optional<std::int64_t> Ledger::bulletinOf(std::int64_t inputId) {
  Statement& query = database_.statement("SELECT bulletin_id FROM inputs WHERE id = ?");
  query.bind(1, inputId);
  std::optional<std::int64_t> bulletin;
  if (query.step()) bulletin = query.optionalInteger(0);
  query.reset();
  return bulletin;
}

std::string Ledger::headingOf(std::int64_t bulletinId) {
  Statement& query = database_.statement("SELECT heading FROM bulletins WHERE id = ?");
  query.bind(1, bulletinId);
  std::string heading = query.step() ? query.text(0) : std::string();
  query.reset();
  return heading;
}

std::int64_t Ledger::addOutboxFile(const std::string& name, const std::string& state,
                                   std::int64_t openedMs, const std::string& temporary) {
  database_
      .statement("INSERT INTO outbox_files (name, state, opened_ms, temporary) VALUES (?, ?, ?, ?)")
      .bind(1, name)
      .bind(2, state)
      .bind(3, openedMs)
      .bind(4, temporary)
      .run();
  return database_.lastInsertId();
}

std::vector<OutboxFile> Ledger::outboxFiles(const std::string& state) {
  Statement& query = database_.statement(
      "SELECT id, name, state, opened_ms, temporary FROM outbox_files WHERE state = ? AND state "
      "!= 'out' ORDER BY id");
  query.bind(1, state);
  std::vector<OutboxFile> files;
  while (query.step()) {
    files.push_back(
        {query.integer(0), query.text(1), query.text(2), query.integer(3), query.text(4)});
  }
  query.reset();
  return files;
}

std::optional<OutboxFile> Ledger::openBatch() {
  std::vector<OutboxFile> open = outboxFiles("open");
  if (open.empty()) return std::nullopt;
  return open.front();
}

std::size_t Ledger::bulletinsIn(std::int64_t fileId) {
  Statement& query = database_.statement("SELECT count(*) FROM bulletins WHERE file_id = ?");
  query.bind(1, fileId);
  query.step();
  const auto count = static_cast<std::size_t>(query.integer(0));
  query.reset();
  return count;
}

std::vector<std::string> Ledger::messagesOf(std::int64_t fileId) {
  Statement& query =
      database_.statement("SELECT message FROM bulletins WHERE file_id = ? ORDER BY id");
  query.bind(1, fileId);
  std::vector<std::string> messages;
  while (query.step()) messages.push_back(query.blob(0));
  query.reset();
  return messages;
}

void Ledger::setFileState(std::int64_t fileId, const std::string& state, std::int64_t whenMs,
                          const std::string& temporary) {
  database_.statement("UPDATE outbox_files SET state = ?, out_ms = ?, temporary = ? WHERE id = ?")
      .bind(1, state)
      .bind(2, whenMs)
      .bind(3, temporary)
      .bind(4, fileId)
      .run();
  if (state == "written") {
    // Written whole to disk: the ledger need not keep the messages.
    database_.statement("UPDATE bulletins SET message = NULL WHERE file_id = ?")
        .bind(1, fileId)
        .run();
  }
}

std::vector<std::string> Ledger::staleDays() {
  Statement& query = database_.statement("SELECT day FROM days WHERE stale = 1 ORDER BY day");
  std::vector<std::string> days;
  while (query.step()) days.push_back(query.text(0));
  query.reset();
  return days;
}

void Ledger::markDayWritten(const std::string& day) {
  database_.statement("UPDATE days SET stale = 0 WHERE day = ?").bind(1, day).run();
}

std::vector<CollectedInput> Ledger::dayContents(const std::string& day) {
  // A correction replaces its drop: of the sent versions of one identity,
  // the latest.
  Statement& query = database_.statement(
      "SELECT place, qc_now FROM inputs AS i "
      "WHERE day = ? AND day IS NOT NULL AND stage = 'done' AND outcome IN ('sent', 'correction') "
      "AND NOT EXISTS "
      "(SELECT 1 FROM inputs AS later WHERE later.identity = i.identity AND later.identity != '' "
      "AND later.id > i.id AND later.stage = 'done' AND later.outcome IN ('sent', 'correction')) "
      "ORDER BY drop_time IS NULL, drop_time, name, id");
  query.bind(1, day);
  std::vector<CollectedInput> inputs;
  while (query.step()) inputs.push_back({query.text(0), query.optionalInteger(1).value_or(0)});
  query.reset();
  return inputs;
}

void Ledger::startRelease(std::int64_t id, const std::string& who, const std::string& from) {
  // Its new outcome gets a line of its own.
  database_
      .statement(
          "UPDATE inputs SET stage = 'taking', at = ?, released_by = ?, logged = NULL WHERE id = ?")
      .bind(1, from)
      .bind(2, who)
      .bind(3, id)
      .run();
}

namespace {

// Settled: where its decision puts it, and the file of its bulletin (if it
// has one) out.
constexpr const char* kUnsaid =
    "i.logged IS NULL AND i.stage = 'done' AND (i.bulletin_id IS NULL OR EXISTS (SELECT 1 FROM "
    "bulletins AS b JOIN outbox_files AS f ON f.id = b.file_id WHERE b.id = i.bulletin_id AND "
    "f.state = 'out'))";

}  // namespace

std::vector<LogEntry> Ledger::unsaidEntries(std::int64_t timeMs) {
  Statement& query = database_.statement(
      "SELECT i.name, i.outcome, i.reason, i.platform, i.drop_time, i.latitude, i.longitude, "
      "i.profile_flag, b.heading, f.name, f.out_ms - i.received_ms, i.place FROM inputs AS i "
      "LEFT JOIN bulletins AS b ON b.id = i.bulletin_id LEFT JOIN outbox_files AS f ON f.id = "
      "b.file_id WHERE " +
      std::string(kUnsaid) + " ORDER BY i.id");
  std::vector<LogEntry> entries;
  while (query.step()) {
    LogEntry& entry = entries.emplace_back();
    entry.timeMs = timeMs;
    entry.input = query.text(0);
    entry.outcome = query.text(1);
    entry.reason = query.text(2);
    entry.platform = query.text(3);
    entry.dropTime = query.optionalText(4);
    entry.latitude = query.optionalReal(5);
    entry.longitude = query.optionalReal(6);
    entry.profileFlag = query.optionalInteger(7);
    entry.heading = query.text(8);
    entry.file = query.text(9);
    if (const std::optional<std::int64_t> delay = query.optionalInteger(10)) {
      entry.delaySeconds = static_cast<double>(*delay) / 1000.0;
    }
    entry.place = query.text(11);
  }
  query.reset();
  return entries;
}

void Ledger::markSaid() {
  database_.statement("UPDATE inputs AS i SET logged = 1 WHERE " + std::string(kUnsaid)).run();
}

void Ledger::noteOperator(std::int64_t inputId, const std::string& who, const std::string& what,
                          std::int64_t whenMs) {
  database_
      .statement(
          "INSERT INTO operator_decisions (time_ms, input_id, operator, decision) VALUES "
          "(?, ?, ?, ?)")
      .bind(1, whenMs)
      .bind(2, inputId)
      .bind(3, who)
      .bind(4, what)
      .run();
}

void Ledger::requestRelease(std::int64_t inputId, const std::string& who, std::int64_t whenMs) {
  database_.statement("INSERT OR REPLACE INTO release_requests VALUES (?, ?, ?)")
      .bind(1, inputId)
      .bind(2, who)
      .bind(3, whenMs)
      .run();
}

std::vector<std::pair<std::int64_t, std::string>> Ledger::releaseRequests() {
  Statement& query =
      database_.statement("SELECT input_id, operator FROM release_requests ORDER BY requested_ms");
  std::vector<std::pair<std::int64_t, std::string>> requests;
  while (query.step()) requests.emplace_back(query.integer(0), query.text(1));
  query.reset();
  return requests;
}

void Ledger::dropReleaseRequest(std::int64_t inputId) {
  database_.statement("DELETE FROM release_requests WHERE input_id = ?").bind(1, inputId).run();
}

void Ledger::addNotification(const Notification& n) {
  database_
      .statement(
          "INSERT INTO notifications (input_id, uuid, topic, file, temporary, update_sequence, "
          "state, created_ms) VALUES (?, ?, ?, ?, ?, ?, ?, ?)")
      .bind(1, n.inputId)
      .bind(2, n.uuid)
      .bind(3, n.topic)
      .bind(4, n.file)
      .bind(5, n.temporary)
      .bind(6, std::optional<std::int64_t>(n.updateSequence))
      .bind(7, n.state)
      .bind(8, n.createdMs)
      .run();
  database_.statement("INSERT INTO notification_messages VALUES (?, ?)")
      .bind(1, database_.lastInsertId())
      .bind(2, n.message)
      .run();
}

std::vector<Notification> Ledger::notificationsAt(const std::string& state, std::int64_t after,
                                                  std::size_t limit) {
  Statement& query = database_.statement(
      "SELECT n.id, input_id, uuid, topic, message, file, temporary, update_sequence, state, "
      "created_ms FROM notifications AS n JOIN notification_messages AS m ON m.id = n.id WHERE "
      "state = ? AND state != 'published' AND n.id > ? ORDER BY n.id LIMIT ?");
  query.bind(1, state).bind(2, after).bind(3, static_cast<std::int64_t>(limit));
  std::vector<Notification> found;
  while (query.step()) {
    Notification& n = found.emplace_back();
    n.id = query.integer(0);
    n.inputId = query.optionalInteger(1);
    n.uuid = query.text(2);
    n.topic = query.text(3);
    n.message = query.text(4);
    n.file = query.text(5);
    n.temporary = query.text(6);
    n.updateSequence = static_cast<int>(query.optionalInteger(7).value_or(0));
    n.state = query.text(8);
    n.createdMs = query.integer(9);
  }
  query.reset();
  return found;
}

void Ledger::setNotificationState(std::int64_t id, const std::string& state, std::int64_t whenMs) {
  database_
      .statement(
          "UPDATE notifications SET state = ?1, temporary = NULL, published_ms = CASE WHEN ?1 = "
          "'published' THEN ?2 ELSE published_ms END WHERE id = ?3")
      .bind(1, state)
      .bind(2, whenMs)
      .bind(3, id)
      .run();
}

std::pair<std::int64_t, std::optional<std::int64_t>> Ledger::notificationsWaiting() {
  Statement& query = database_.statement(
      "SELECT count(*), min(created_ms) FROM notifications WHERE state != 'published'");
  query.step();
  const std::pair<std::int64_t, std::optional<std::int64_t>> waiting{query.integer(0),
                                                                     query.optionalInteger(1)};
  query.reset();
  return waiting;
}

bool Ledger::anyNotificationWaiting() {
  Statement& query =
      database_.statement("SELECT 1 FROM notifications WHERE state != 'published' LIMIT 1");
  const bool any = query.step();
  query.reset();
  return any;
}

std::string Ledger::firstDataFile() {
  // A scan of the notifications, run when the discovery record is written:
  // at a start and when a drop earlier than the record says is announced.
  Statement& query =
      database_.statement("SELECT min(file) FROM notifications WHERE input_id IS NOT NULL");
  std::string file;
  if (query.step()) file = query.text(0);
  query.reset();
  return file;
}

void Ledger::forgetMessagesOnceAllPublished() {
  // All at once, when nothing waits: SQLite empties a table whole far more
  // cheaply than it deletes its rows one by one as each is acknowledged.
  if (!anyNotificationWaiting()) database_.execute("DELETE FROM notification_messages");
}

std::optional<std::pair<std::string, std::int64_t>> Ledger::record(const std::string& id) {
  Statement& query = database_.statement("SELECT digest, created_ms FROM records WHERE id = ?");
  query.bind(1, id);
  std::optional<std::pair<std::string, std::int64_t>> found;
  if (query.step()) found.emplace(query.text(0), query.integer(1));
  query.reset();
  return found;
}

void Ledger::setRecordDigest(const std::string& id, const std::string& digest,
                             std::int64_t whenMs) {
  database_
      .statement(
          "INSERT INTO records VALUES (?1, ?2, ?3) ON CONFLICT (id) DO UPDATE SET digest = ?2")
      .bind(1, id)
      .bind(2, digest)
      .bind(3, whenMs)
      .run();
}

std::unique_ptr<Ledger> openLedger(const std::string& stateFolder) {
  const std::string path = stateFolder + "/ledger.sqlite";
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    throw LedgerFailure("no relay ledger in " + stateFolder);
  }
  return std::make_unique<Ledger>(path);
}

}  // namespace xbtconv
