// The relay's ledger: everything it has received, what it decided for each
// input, which bulletin carried it in which file, the counters a restart
// must continue (the channel sequence number, the batch file number), and
// which days' archive collections wait to be written. An SQLite database
// (WAL, full sync) an operator can query with sqlite3; its schema version
// is PRAGMA user_version.
//
// Exactly once rests on one order: each step's intent is written here
// before the step is done on the file system, and marked done after it.
// An input is `taking` from the moment it is noted until its outcome is
// set, `decided` while its files are moved, then `done`. An outbox file is
// `open` while a batch fills it, `full` once it holds all it will,
// `written` once its temporary copy is whole on disk, and `out` once
// renamed into place (or taken by the sender).
// A full heading (with its BBB) is unique in the table itself.
#ifndef XBTCONV_RELAY_LEDGER_H_
#define XBTCONV_RELAY_LEDGER_H_

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "relay/bulletin.h"
#include "relay/relay_log.h"
#include "relay/sqlite_database.h"

namespace xbtconv {

/// An input the ledger knows, as far as it got.
struct LedgerInput {
  std::int64_t id = 0;
  std::string name;  // as it arrived in the inbox
  std::int64_t receivedMs = 0;
  std::string stage;
  std::string at;     // where its file is while being handled, below the state folder
  std::string place;  // where it goes, below its root ("held/x.bin", "archive/2026/03/14/x.bin")
  std::string outcome;
  std::string reason;
  std::string releasedBy;  // the operator who released it from held/, if one did
  std::int64_t qcNow = 0;  // the clock its quality control ran against
};

/// An input of a day's collection: its place (see LedgerInput::place) and
/// the clock its quality control ran against.
struct CollectedInput {
  std::string place;
  std::int64_t qcNow = 0;
};

/// What the relay decided for one input, and what the log and the
/// summaries say of it.
struct Decision {
  std::string outcome;  // sent, correction, held, duplicate, failed
  std::string reason;
  std::string platform, soopLine, identity, content;
  std::optional<std::string> dropTime;
  std::optional<double> latitude, longitude;
  std::optional<std::int64_t> profileFlag;
  std::int64_t qcNow = 0;
  std::optional<std::int64_t> duplicateOf;
  std::string place;  // see LedgerInput::place
  std::string day;    // the archive day (YYYY-MM-DD) of a sent input
  std::optional<std::int64_t> bulletinId;
};

/// An earlier input of the same drop.
struct SameDrop {
  std::int64_t id = 0;
  std::string name;  // as it arrived
  std::string outcome;
  std::string content;
  std::optional<std::int64_t> bulletinId;
};

struct OutboxFile {
  std::int64_t id = 0;
  std::string name;
  std::string state;
  std::int64_t openedMs = 0;
  std::string temporary;  // the name of its whole copy in the outbox, while written
};

/// A WIS2 notification as the ledger keeps it: written (with its file's
/// whole copy under `temporary`), waiting (the file in place) or published
/// (the broker acknowledged it).
struct Notification {
  std::int64_t id = 0;
  std::optional<std::int64_t> inputId;
  std::string uuid, topic, message;
  std::string file;       // below the WIS2 data folder
  std::string temporary;  // in the data folder's staging folder
  int updateSequence = 0;
  std::string state;
  std::int64_t createdMs = 0;
};

class Ledger {
 public:
  /// Opens the ledger at `path`, made or brought to the current schema
  /// where needed; a LedgerFailure when it cannot.
  explicit Ledger(const std::string& path);

  Database& database() { return database_; }

  // Inputs.
  std::int64_t addArrival(const std::string& name, std::int64_t receivedMs);
  void setInputAt(std::int64_t id, const std::string& at);
  void forgetInput(std::int64_t id);
  /// The inputs under way at `stage` (not 'done'), the first `limit`.
  std::vector<LedgerInput> inputsAt(const std::string& stage, std::size_t limit = 0);
  /// The inputs being taken after input `after`, the first `limit`.
  std::vector<LedgerInput> inputsAfter(std::int64_t after, std::size_t limit);
  std::optional<LedgerInput> inputPlacedAt(const std::string& place);
  /// The latest input that arrived as `name` or was kept under it.
  std::optional<LedgerInput> inputKnownAs(const std::string& name);
  /// How many drops bulletin `bulletinId` carried.
  std::size_t dropsIn(std::int64_t bulletinId);
  /// "IOSA01 KWBC 081205 (A_IOSA01KWBC081205_C_KWBC_20261208120512.bin)":
  /// the bulletin and file a sent input went out in.
  std::string sentIn(std::int64_t inputId);
  std::optional<LedgerInput> inputById(std::int64_t id);
  void decide(std::int64_t id, const Decision& decision, std::int64_t decidedMs);
  /// The input is where its decision puts it; a sent one makes its archive
  /// day's collection stale.
  void finish(std::int64_t id, const std::string& place, std::int64_t doneMs);
  /// Every decided input is where its decision puts it, and the bulletin
  /// files of their own that they went out in are out: `finish` and
  /// `setFileState` of a whole chunk in three statements.
  void finishDecided(std::int64_t doneMs);
  /// Earlier inputs with `identity` whose outcome is one of sent,
  /// correction and, with `withHeld`, held; in the order received.
  std::vector<SameDrop> sameDrop(const std::string& identity, std::int64_t before, bool withHeld);

  // Bulletins and headings.
  /// The first free heading of area prefix `prefix` ("IOSB") from the
  /// minute `minute` on (and, with `later`, the minutes after it), ii from
  /// `iiFirst` to `iiLast`: the plain heading, or for a `late` bulletin
  /// RRZ where that is used. None when the minute's headings are used up
  /// and `later` is false.
  std::optional<AbbreviatedHeading> freeHeading(const std::string& prefix, int iiFirst, int iiLast,
                                                const std::string& centre, std::int64_t minute,
                                                bool late, bool later);
  /// The heading of a correction of bulletin `original`: its heading with
  /// the next free CCx (CCZ for a `late` one, then the next free CCx); none
  /// when they are used up.
  std::optional<AbbreviatedHeading> correctionHeading(std::int64_t original, bool late);
  /// The next channel sequence number, 0 to `numbers` - 1, cyclic.
  int nextChannel(int numbers = 1000);
  /// The next batch file number, 1 to 99999999, cyclic.
  std::int64_t nextBatchNumber();
  std::int64_t addBulletin(std::int64_t inputId, const AbbreviatedHeading& heading, int channel,
                           int updateSequence, std::optional<std::int64_t> corrects,
                           std::int64_t fileId, const std::optional<std::string>& message);
  /// The original bulletin (the first sent) of an earlier input's drop.
  std::optional<std::int64_t> bulletinOf(std::int64_t inputId);
  std::string headingOf(std::int64_t bulletinId);

  // Outbox files.
  std::int64_t addOutboxFile(const std::string& name, const std::string& state,
                             std::int64_t openedMs, const std::string& temporary = "");
  /// The files under way at `state` (not 'out').
  std::vector<OutboxFile> outboxFiles(const std::string& state);
  std::optional<OutboxFile> openBatch();
  std::size_t bulletinsIn(std::int64_t fileId);
  /// The enveloped messages a batch file holds, in order.
  std::vector<std::string> messagesOf(std::int64_t fileId);
  /// Sets a file's state; `temporary` names its whole copy while written.
  /// Once written, the ledger lets its messages go.
  void setFileState(std::int64_t fileId, const std::string& state, std::int64_t whenMs,
                    const std::string& temporary = "");

  // Archive days.
  std::vector<std::string> staleDays();
  void markDayWritten(const std::string& day);
  /// The inputs a day's collection holds: each drop's latest sent version,
  /// in the order of their drop times (then by name), by where each is kept
  /// and the clock its quality control ran against. No more than that: a
  /// day of a burst holds tens of thousands.
  std::vector<CollectedInput> dayContents(const std::string& day);

  /// Takes a held input back to be decided again, released by `who`; its
  /// file comes from `from` (below the state folder).
  void startRelease(std::int64_t id, const std::string& who, const std::string& from);
  /// The lines the operator's log still lacks, in the order received: of
  /// each input settled (where its decision puts it, and its bulletin's
  /// file out) and not yet said.
  std::vector<LogEntry> unsaidEntries(std::int64_t timeMs);
  /// Notes the lines of unsaidEntries said.
  void markSaid();

  // WIS2.
  void addNotification(const Notification& notification);
  /// The first `limit` notifications at `state` after notification `after`.
  std::vector<Notification> notificationsAt(const std::string& state, std::int64_t after = 0,
                                            std::size_t limit = 1024);
  void setNotificationState(std::int64_t id, const std::string& state, std::int64_t whenMs);
  /// How many notifications are not yet published, and since when.
  std::pair<std::int64_t, std::optional<std::int64_t>> notificationsWaiting();
  /// Whether any notification is not yet published (without counting them).
  bool anyNotificationWaiting();
  /// Once every notification is published, their messages go: they are
  /// needed only until the broker has them (kept, they would grow the
  /// ledger by a kilobyte or more with every drop for as long as the relay
  /// runs). Their rows stay, with their ids.
  void forgetMessagesOnceAllPublished();
  /// The earliest data file a notification names ("2026/03/14/NAME.bufr4":
  /// the earliest day), "" while there is none.
  std::string firstDataFile();
  /// The digest of the discovery record `id` as last announced, and when
  /// it was first.
  std::optional<std::pair<std::string, std::int64_t>> record(const std::string& id);
  void setRecordDigest(const std::string& id, const std::string& digest, std::int64_t whenMs);

  // Operators.
  void noteOperator(std::int64_t inputId, const std::string& who, const std::string& what,
                    std::int64_t whenMs);
  void requestRelease(std::int64_t inputId, const std::string& who, std::int64_t whenMs);
  /// Release requests waiting: input id and operator.
  std::vector<std::pair<std::int64_t, std::string>> releaseRequests();
  void dropReleaseRequest(std::int64_t inputId);

 private:
  Database database_;
  // How far a heading (its designators, centre and time) is used: plain,
  // RRZ.
  struct HeadingUse {
    bool plain = false;
    bool lateTaken = false;
  };
  HeadingUse& headingUse(const std::string& designators, const std::string& centre,
                         std::int64_t compiled);

  // Where the search for a free heading of each prefix starts: the minute
  // and ii before which every heading is taken, as far as this process
  // has seen.
  std::map<std::string, std::pair<std::int64_t, int>> headingCursor_;
  std::map<std::string, HeadingUse> headingUse_;
};

/// The ledger of the relay whose state folder is `stateFolder`; a
/// LedgerFailure when there is none (it is never made here).
std::unique_ptr<Ledger> openLedger(const std::string& stateFolder);

}  // namespace xbtconv

#endif  // XBTCONV_RELAY_LEDGER_H_
