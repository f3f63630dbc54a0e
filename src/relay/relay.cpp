#include "relay/relay.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include "formats/netcdf_export.h"
#include "formats/private_file.h"
#include "pipeline/inputs/observation_reading.h"
#include "pipeline/run/interrupts.h"
#include "profile/drop_identity.h"
#include "profile/utc_time.h"
#include "relay/bulletin.h"
#include "relay/content_digest.h"
#include "relay/hold_rules.h"
#include "relay/kept_copy.h"
#include "relay/relay_health.h"
#include "relay/wis2_notification.h"
#include "xbtconv/formats.h"
#include "xbtconv/reading.h"
#include "xbtconv/version.h"

namespace xbtconv {
namespace {

// Inputs handled together: one transaction for each step of a chunk, and
// the drops of an area in it share bulletins (the more, the fewer
// headings a burst takes). Nothing of a chunk's inputs is kept in memory
// but their decisions: each copy is written out as it is decided.
constexpr std::size_t kChunk = 4096;
// While the inbox stays busy, collections are still written this often.
constexpr std::int64_t kCollectEveryMs = 60000;
// How long a relay that cannot go on waits before it tries again.
constexpr int kRetryMs = 5000;
// How long --once waits for an absent WIS2 broker before it leaves what
// waits for the next run.
constexpr int kBrokerPatienceMs = 5000;
// What a day's collection keeps in memory of its profiles before it spools
// them to a scratch file: the relay's memory stays flat in a burst.
constexpr std::size_t kCollectionMemory = std::size_t{4} << 20;
// The relay's work folder in the inbox: on the inbox's own file system, so
// that taking an input is a rename; a dot-name, which no sender's input has
// and the relay never takes.
constexpr const char* kWorkFolder = ".xbt-relay";
// Where the archive's copies are written before they are named in their
// day's folder: a stop leaves nothing half written among a day's inputs.
constexpr const char* kCopiesFolder = ".xbt-copies";

volatile std::sig_atomic_t hangup = 0;
extern "C" void noteHangup(int /*signal*/) { hangup = 1; }

std::int64_t realMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::string errorText() { return std::strerror(errno); }

// For the tests of what a restart makes of each step: XBT_RELAY_KILL_AFTER
// names a step (taken, decided, bulletins, kept, finished, said), and the
// relay dies as kill -9 kills it the first time it has done that step.
void stopIfAskedAfter(const char* step) {
  static const char* const asked = std::getenv("XBT_RELAY_KILL_AFTER");
  if (asked != nullptr && std::strcmp(asked, step) == 0) ::raise(SIGKILL);
}

std::string dayOf(std::int64_t seconds) { return isoTime(seconds).substr(0, 10); }

// Removes the private temporary files with `suffix` that a stopped relay
// left in `folder`, but those `keep` names. Only for folders no input is
// kept in (the outbox, the archive's month folders).
void removeLeftovers(const Folder& folder, std::string_view suffix,
                     const std::set<std::string, std::less<>>& keep) {
  std::vector<std::string> leftovers;
  folder.forEachEntry([&](std::string_view name, EntryType type) {
    if (type == EntryType::kFile && isPrivateFileName(name, suffix) && !keep.contains(name)) {
      leftovers.emplace_back(name);
    }
    return true;
  });
  for (const std::string& name : leftovers) folder.remove(name);
}

// What stands in the work folder where a file was taken, when it is not
// one: why it is failed (it is never opened).
std::string notAFile(const Folder& folder, const std::string& name, EntryType found) {
  if (found == EntryType::kLink) {
    char target[4096];
    const ssize_t length =
        ::readlinkat(folder.descriptor(), name.c_str(), target, sizeof target - 1);
    if (length >= 0) {
      return "a link to " + std::string(target, static_cast<std::size_t>(length)) +
             ", not a message file";
    }
    return "a link, not a message file";
  }
  if (found == EntryType::kFolder) return "a folder, not a message file";
  return "not a regular file (a FIFO, device or socket)";
}

// The mount the folder open as `descriptor` is on, as /proc tells it ("" where
// it cannot): a bind mount has its file system's device, yet a rename out
// of it fails as one between file systems does.
std::string mountOf(int descriptor) {
  std::FILE* info = std::fopen(("/proc/self/fdinfo/" + std::to_string(descriptor)).c_str(), "re");
  if (info == nullptr) return "";
  char line[256];
  std::string mount;
  while (mount.empty() && std::fgets(line, sizeof line, info) != nullptr) {
    if (std::strncmp(line, "mnt_id:", 7) == 0) mount = line + 7;
  }
  std::fclose(info);
  return mount;
}

}  // namespace

// One input decided in this chunk, and what is left to do for it.
struct Relay::Staged {
  std::int64_t id = 0;
  Decision decision;
  bool kept = false;               // a copy of what was read goes to its place
  const Folder* source = nullptr;  // where its file is, under `sourceName`
  std::string sourceName;
  std::optional<PendingCopy> copy;  // its copy, written, not yet named
  // A correction that goes out alone: its heading, message and update
  // sequence, and the bulletin it corrects.
  std::optional<AbbreviatedHeading> alone;
  std::string message;
  int updateSequence = 0;
  std::optional<std::int64_t> corrects;
  bool grouped = false;  // in a bulletin under way: its decision is written when that goes out
  bool dropped = false;  // not decided after all: no heading was free for its bulletin
  std::optional<Wis2Drop> wis2;         // its WIS2 file and notification
  std::optional<PendingCopy> wis2Copy;  // that file, written, not yet named
};

Relay::Relay(RelayOptions options, RelayLog& log) : options_(std::move(options)), log_(log) {}

Relay::~Relay() = default;

std::int64_t Relay::clock() const { return options_.now ? *options_.now : systemTime(); }

void Relay::cannot(const std::string& what) { throw RelayStall(what); }

bool Relay::openFolders(bool inbox, std::string& error) {
  const auto make = [&](Folder& folder, const std::string& path, const char* role) {
    folder = Folder::make(path, true);
    if (!folder.isOpen()) {
      error = std::string("cannot open the ") + role + " " + path + ": " + errorText();
      return false;
    }
    watch_.add(folder, path, role);
    return true;
  };
  if (!make(state_, options_.state, "state folder")) return false;
  if (!state_.lock()) {
    stateBusy_ = errno == EWOULDBLOCK;
    error = stateBusy_ ? "another relay is running on " + options_.state
                       : "cannot lock " + options_.state + ": " + errorText();
    return false;
  }
  const auto sub = [&](Folder& folder, const char* name) {
    folder = state_.subfolder(name, true, true);
    if (!folder.isOpen()) error = "cannot open " + state_.pathOf(name) + ": " + errorText();
    return folder.isOpen();
  };
  if (!sub(held_, "held") || !sub(duplicates_, "duplicates") || !sub(failed_, "failed")) {
    return false;
  }
  legacyWork_ = state_.subfolder("work");
  if (!make(outbox_, options_.outbox, "outbox") || !make(archive_, options_.archive, "archive")) {
    return false;
  }
  copies_ = archive_.subfolder(kCopiesFolder, true, true);
  if (!copies_.isOpen()) {
    error = "cannot open " + archive_.pathOf(kCopiesFolder) + ": " + errorText();
    return false;
  }
  if (!inbox || options_.inbox.empty()) return true;
  if (!make(inbox_, options_.inbox, "inbox")) return false;
  // The work folder is the relay's alone: made private, and refused when
  // someone else made it (a sender could have put it there first).
  const mode_t mask = ::umask(077);
  work_ = inbox_.subfolder(kWorkFolder, true, true);
  ::umask(mask);
  struct stat info {};
  if (!work_.isOpen() || ::fstat(work_.descriptor(), &info) != 0) {
    error = "cannot open " + inbox_.pathOf(kWorkFolder) + ": " + errorText();
    return false;
  }
  if (info.st_uid != ::geteuid() || (info.st_mode & 022) != 0) {
    error = inbox_.pathOf(kWorkFolder) +
            " is not the relay's own (another user's, or writable by others): move it away";
    return false;
  }
  // Each sender's folder, on the inbox's file system: taking an input from
  // it is a rename into the work folder too.
  for (const auto& sender : options_.hold.senders) {
    Folder folder = inbox_.subfolder(sender.first, true, true);
    struct stat own {};
    if (!folder.isOpen() || ::fstat(folder.descriptor(), &own) != 0) {
      error = "cannot open " + inbox_.pathOf(sender.first) + ": " + errorText();
      return false;
    }
    if (own.st_dev != info.st_dev || mountOf(folder.descriptor()) != mountOf(work_.descriptor())) {
      error = inbox_.pathOf(sender.first) + " is on another file system than the inbox: a " +
              "sender's folder must be on the inbox's own";
      return false;
    }
    watch_.add(folder, inbox_.pathOf(sender.first), "folder of sender " + sender.first);
    senders_.insert_or_assign(sender.first, std::move(folder));
  }
  return true;
}

// The inbox folder an input's name (its key in the inbox: "NAME", or
// "SENDER/NAME") stands in, and its name there. A sender no longer named
// still has its folder looked in, for what its inputs left under way.
const Folder& Relay::inboxFolder(const std::string& key, std::string& name) {
  const InboxKey parts = splitInboxKey(key);
  name = parts.name;
  if (parts.sender.empty()) return inbox_;
  auto found = senders_.find(parts.sender);
  if (found == senders_.end()) {
    found = senders_.emplace(parts.sender, inbox_.subfolder(parts.sender)).first;
  }
  return found->second;
}

bool Relay::start(std::string& error, bool inbox) {
  if (!openFolders(inbox, error)) return false;
  BufrOptions bufr;
  bufr.centre = options_.centre;
  bufr.subcentre = options_.subcentre;
  groups_ =
      std::make_unique<BulletinGroups>(static_cast<std::size_t>(options_.bulletinDrops), bufr);
  try {
    ledger_ = std::make_unique<Ledger>(state_.pathOf("ledger.sqlite"));
    if (options_.wis2.enabled()) {
      wis2_ = std::make_unique<Wis2Publisher>(options_.wis2, *ledger_, log_);
      if (!wis2_->open(error)) return false;
    }
    reconcile();
    if (wis2_) wis2_->announceRecord();
  } catch (const std::runtime_error& failure) {
    error = failure.what();
    return false;
  }
  return true;
}

// Where the file of an input being handled is: taken into the work folder
// (or an older relay's), or, for a release, still in held/.
const Folder& Relay::sourceOf(const LedgerInput& input, std::string& name) const {
  if (input.at.starts_with("held/")) {
    name = input.at.substr(5);
    return held_;
  }
  name = std::to_string(input.id);
  if (legacyWork_.isOpen() && legacyWork_.typeOf(name) != EntryType::kNone) return legacyWork_;
  return work_;
}

// Finishes what a stopped relay left under way, as its ledger says.
void Relay::reconcile() {
  // Inputs being taken: each file is in the work folder, or still in the
  // inbox under its name, or gone (then nothing was taken). A release's
  // file stays in held/ until its new place has a copy.
  for (const LedgerInput& input : ledger_->inputsAt("taking")) {
    std::string name;
    const Folder& source = sourceOf(input, name);
    if (input.at.starts_with("held/") || !inbox_.isOpen() ||
        source.typeOf(name) != EntryType::kNone) {
      continue;
    }
    std::string there;
    const Folder& from = inboxFolder(input.name, there);
    if (from.isOpen() && from.renameTo(there, work_, name, true)) continue;
    if (from.isOpen() && errno != ENOENT) {
      cannot("cannot take " + from.pathOf(there) + ": " + errorText());
    }
    Transaction transaction(ledger_->database());
    ledger_->forgetInput(input.id);
    transaction.commit();
  }
  // Bulletin files whose whole copy is in the outbox go out; one whose copy
  // is gone went out before the stop (its sender may have taken it since).
  putFilesOut(ledger_->outboxFiles("written"));
  sealBatch(false);
  // Copies no committed step names: a decision that was never committed.
  std::set<std::string, std::less<>> known;
  for (const OutboxFile& file : ledger_->outboxFiles("written")) known.insert(file.temporary);
  removeLeftovers(outbox_, ".tmp", known);
  // Copies and collections a stop cut off while they were being written.
  removeCopyLeftovers(copies_);
  removeCopyLeftovers(held_);
  removeCopyLeftovers(failed_);
  removeCopyLeftovers(duplicates_);
  for (const std::string& day : ledger_->staleDays()) {
    std::string name;
    removeLeftovers(placeFolder(day.substr(0, 4) + "/" + day.substr(5, 2) + "/" + day, name),
                    ".partial", {});
  }
  // Inputs decided but not yet where their decision puts them: a copy from
  // the file still in the work folder (or in held/), unless one is there.
  const std::vector<LedgerInput> decided = ledger_->inputsAt("decided");
  std::vector<Staged> again;
  for (const LedgerInput& input : decided) {
    Staged staged;
    staged.id = input.id;
    staged.decision.place = input.place;
    staged.decision.reason = input.reason;
    std::string sourceName;
    const Folder& source = sourceOf(input, sourceName);
    if (!source.isOpen()) {
      cannot("inputs taken from the inbox are under way: start the relay with its --inbox");
    }
    staged.source = &source;
    staged.sourceName = sourceName;
    std::string name;
    if (!input.place.empty()) {
      const Folder& target = placeFolder(input.place, name);
      if (target.typeOf(name) == EntryType::kNone) {
        EntryType found = EntryType::kNone;
        const int fd = source.openFile(sourceName, found);
        std::string problem;
        if (fd >= 0 && buffer_.read(fd, problem)) {
          staged.kept = true;
        } else {
          // Someone removed it from the relay's own work folder.
          log_.note(realMs(), "warning",
                    source.pathOf(sourceName) + " is gone; " + input.place + " not made");
        }
        if (fd >= 0) ::close(fd);
      }
    }
    staged.decision.outcome = input.outcome;
    try {
      startCopy(staged);
    } catch (const RelayStall&) {
      dropCopies(again);
      throw;
    }
    again.push_back(std::move(staged));
  }
  if (!again.empty()) {
    try {
      keepInputs(again);
    } catch (const RelayStall&) {
      dropCopies(again);
      throw;
    }
    Transaction transaction(ledger_->database());
    for (const LedgerInput& input : decided) ledger_->finish(input.id, input.place, realMs());
    transaction.commit();
  }
  // The files of the notifications of drops decided before the stop.
  if (wis2_) {
    wis2_->finishWritten([this](const Notification& n) { return wis2BytesOf(n); });
  }
  // What was settled but not said before the stop, and what was just now.
  sayWhatSettled();
  stale_ = !ledger_->staleDays().empty();
}

// The operator's log gets a line for each input settled, then the ledger
// notes them said: a stop between the two, or a log that cannot be
// written, says them again later, rather than never.
void Relay::sayWhatSettled() {
  const std::vector<LogEntry> entries = ledger_->unsaidEntries(realMs());
  if (entries.empty() || !log_.entries(entries)) return;
  stopIfAskedAfter("said");
  Transaction transaction(ledger_->database());
  ledger_->markSaid();
  transaction.commit();
}

void Relay::take(const std::vector<std::string>& names) {
  for (std::size_t first = 0; first < names.size(); first += kChunk) {
    const std::size_t end = std::min(names.size(), first + kChunk);
    std::vector<std::int64_t> ids;
    {
      Transaction transaction(ledger_->database());
      for (std::size_t i = first; i < end; ++i)
        ids.push_back(ledger_->addArrival(names[i], realMs()));
      transaction.commit();
    }
    std::vector<std::int64_t> forget;
    for (std::size_t i = first; i < end; ++i) {
      const std::string work = std::to_string(ids[i - first]);
      std::string name;
      const Folder& from = inboxFolder(names[i], name);
      if (from.renameTo(name, work_, work)) {
        // (A folder put in the file's place between the look and the take
        // is found when the input is decided, and goes back.)
        watcher_->taken(names[i]);
      } else if (errno == ENOENT) {
        forget.push_back(ids[i - first]);
      } else {
        cannot("cannot take " + from.pathOf(name) + ": " + errorText());
      }
    }
    if (!work_.sync()) cannot("cannot flush " + work_.path() + ": " + errorText());
    stopIfAskedAfter("taken");
    if (!forget.empty()) {
      Transaction transaction(ledger_->database());
      for (const std::int64_t id : forget) ledger_->forgetInput(id);
      transaction.commit();
    }
  }
}

// A folder found where an input was taken goes back to the inbox, under
// its name where that is still free (else a dot-name the relay never
// takes): the sender's folder is never the relay's to keep or remove.
// Says where it went.
std::string Relay::returnFolder(const std::string& key, std::int64_t id) {
  const std::string work = std::to_string(id);
  std::string back;
  const Folder& inbox = inboxFolder(key, back);
  const std::string_view sender = splitInboxKey(key).sender;
  if (::renameat2(work_.descriptor(), work.c_str(), inbox.descriptor(), back.c_str(),
                  RENAME_NOREPLACE) != 0) {
    back = ".xbt-folder-" + work;
    if (::renameat2(work_.descriptor(), work.c_str(), inbox.descriptor(), back.c_str(),
                    RENAME_NOREPLACE) != 0) {
      cannot("cannot put the folder " + work_.pathOf(work) + " back in the inbox: " + errorText());
    }
  }
  return "left in the inbox as " + inboxKey(sender, back);
}

bool Relay::decide(const LedgerInput& input, Staged& staged) {
  staged.id = input.id;
  Decision& d = staged.decision;
  d.qcNow = clock();
  const std::string& released = input.releasedBy;
  const auto fail = [&](std::string reason) {
    d.outcome = "failed";
    d.reason = std::move(reason);
    if (staged.kept) placeFor(d, input, 0);
    return true;
  };
  std::string name;
  const Folder& source = sourceOf(input, name);
  staged.source = &source;
  staged.sourceName = name;
  EntryType found = EntryType::kNone;
  const int fd = source.openFile(name, found);
  if (fd < 0) {
    if (found == EntryType::kFolder && &source == &work_) {
      return fail("a folder, not a message file (" + returnFolder(input.name, input.id) + ")");
    }
    if (found == EntryType::kLink || found == EntryType::kFolder || found == EntryType::kOther) {
      return fail(notAFile(source, name, found));
    }
    return fail("cannot open: " + errorText());
  }
  std::string problem;
  const bool read = buffer_.read(fd, problem);
  ::close(fd);
  staged.kept = read;
  if (!read) return fail(problem);
  ObservationOptions reading;
  reading.now = d.qcNow;
  const std::string_view bytes = buffer_.bytes();
  ObservationRead got =
      readObservation(reader_, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
                      input.name, reading);
  if (got.status != ReadStatus::kDecoded || !got.observation) return fail(got.reason);
  const Observation& observation = *got.observation;
  d.platform = platformOf(observation);
  d.soopLine = observation.ship.soopLine.value_or("");
  if (observation.time.utcSeconds) d.dropTime = timeText(observation);
  d.latitude = observation.latitude;
  d.longitude = observation.longitude;
  if (observation.qc) d.profileFlag = observation.qc->profileFlag;
  d.identity = dropIdentity(observation);
  d.content = contentDigest(observation);

  // The same drop before: the same content is a repeat; other content
  // corrects what was sent.
  std::vector<SameDrop> same;
  if (!d.identity.empty()) {
    same = ledger_->sameDrop(d.identity, input.id, released.empty());
    // And those of this chunk whose bulletins are still under way.
    if (const auto pending = pending_.find(d.identity); pending != pending_.end()) {
      same.insert(same.end(), pending->second.begin(), pending->second.end());
    }
  }
  std::optional<std::int64_t> original;
  int versions = 0;
  for (const SameDrop& earlier : same) {
    // What a sender not named for the platform sent is held, and counts
    // for nothing: it can neither pre-empt nor correct the drop.
    if (earlier.outcome == "held" &&
        !maySend(options_.hold, splitInboxKey(earlier.name).sender, observation)) {
      continue;
    }
    if (earlier.content == d.content) {
      d.outcome = "duplicate";
      d.duplicateOf = earlier.id;
      d.reason = "the same drop and content as " + earlier.name + " (input " +
                 std::to_string(earlier.id) + ")";
      placeFor(d, input, 0);
      return true;
    }
    if (earlier.outcome == "held") continue;
    if (!original) original = earlier.bulletinId;
    ++versions;
  }
  if (released.empty()) {
    d.reason = holdReason(observation, options_.hold, d.qcNow, splitInboxKey(input.name).sender);
    if (!d.reason.empty()) {
      d.outcome = "held";
      placeFor(d, input, 0);
      return true;
    }
  }
  d.outcome = versions > 0 ? "correction" : "sent";
  placeFor(d, input, observation.time.utcSeconds.value_or(input.receivedMs / 1000));
  const std::int64_t now = clock();
  const bool late = observation.time.utcSeconds && now - *observation.time.utcSeconds > 86400;
  const int updateSequence = std::min(versions, 254);
  if (wis2_) staged.wis2 = wis2DropOf(observation, updateSequence);

  // A correction of a drop that went out alone goes out as CCx of its
  // bulletin, while a letter is left: a receiver replaces that bulletin.
  // Any other goes out with the corrections of its area, its BUFR update
  // sequence raised: a receiver replaces the drop it names.
  if (original && ledger_->dropsIn(*original) == 1) {
    staged.alone = ledger_->correctionHeading(*original, late);
  }
  if (staged.alone) {
    BufrOptions bufr;
    bufr.centre = options_.centre;
    bufr.subcentre = options_.subcentre;
    bufr.updateSequence = updateSequence;
    Status encoded;
    staged.message = toBufr(observation, bufr, &encoded);
    if (!encoded.ok()) d.reason = "encoded as missing: " + encoded.message();
    staged.corrects = original;
    staged.updateSequence = updateSequence;
    return true;
  }
  const BulletinKey key{
      std::string(kBulletinDataType) + areaDesignator(observation.latitude, observation.longitude),
      updateSequence};
  // A bulletin with no room for this drop goes out first.
  if (groups_->fullFor(key, observation.profile.samples.size()) && !closeBulletin(key)) {
    waiting_[input.id] = realMs() / 60000;
    return false;
  }
  const BufrOmissions omissions = groups_->add(key, staged.id, observation, late);
  if (!omissions.empty()) d.reason = "encoded as missing: " + describeOmissions(omissions);
  staged.grouped = true;
  if (!d.identity.empty()) {
    pending_[d.identity].push_back({input.id, input.name, d.outcome, d.content, std::nullopt});
  }
  return true;
}

// The bulletin of the drops grouped under `key` goes out: a heading drawn,
// its file written, and the drops' decisions written with it. When every
// heading it could have is used this minute, its drops stay undecided, to
// wait for the next minute (the log says so once a minute).
bool Relay::closeBulletin(const BulletinKey& key) {
  const std::int64_t now = clock();
  const std::optional<AbbreviatedHeading> heading =
      ledger_->freeHeading(key.prefix, options_.iiFirst, options_.iiLast, options_.cccc,
                           now - now % 60, groups_->late(key), options_.now.has_value());
  std::vector<std::int64_t> inputs;
  const std::string message = heading ? groups_->take(key, inputs) : std::string();
  if (!heading) inputs = groups_->discard(key);
  const std::set<std::int64_t> members(inputs.begin(), inputs.end());
  std::vector<Staged*> drops;
  for (Staged& s : chunk_) {
    if (!members.contains(s.id)) continue;
    drops.push_back(&s);
    if (auto pending = pending_.find(s.decision.identity); pending != pending_.end()) {
      std::erase_if(pending->second, [&](const SameDrop& drop) { return drop.id == s.id; });
      if (pending->second.empty()) pending_.erase(pending);
    }
  }
  if (!heading) {
    for (Staged* s : drops) {
      if (s->copy) s->copy->stage->remove(s->copy->temporary);
      if (s->wis2Copy) s->wis2Copy->stage->remove(s->wis2Copy->temporary);
      s->copy.reset();
      s->wis2Copy.reset();
      s->source = nullptr;
      s->dropped = true;
    }
    const std::int64_t minute = realMs() / 60000;
    for (const std::int64_t id : inputs) waiting_[id] = minute;
    if (waitSaidMinute_ != minute) {
      waitSaidMinute_ = minute;
      log_.note(realMs(), "waiting",
                std::to_string(inputs.size()) + " inputs wait for the next minute's headings: " +
                    key.prefix + " ii " + std::to_string(options_.iiFirst) + " to " +
                    std::to_string(options_.iiLast) + " are all used this minute");
    }
    return false;
  }
  const std::int64_t bulletin =
      writeBulletin(message, *heading, key.updateSequence, std::nullopt, inputs.front());
  for (Staged* s : drops) {
    s->decision.bulletinId = bulletin;
    writeDecision(*s, *heading);
  }
  return true;
}

// The decision of `s` in the ledger, and the notification of its drop (the
// bulletin it goes out in under `heading`).
void Relay::writeDecision(Staged& s, const std::optional<AbbreviatedHeading>& heading) {
  ledger_->decide(s.id, s.decision, realMs());
  if (!s.wis2) return;
  std::optional<std::pair<std::string, std::string>> gts;
  if (options_.wis2.gtsHint && heading) gts.emplace(heading->designators, heading->centre);
  wis2_->add(s.id, *s.wis2, s.wis2Copy ? s.wis2Copy->temporary : "", gts);
  s.wis2->bytes.clear();
}

// The WIS2 file and notification of a drop: its own BUFR message (the
// bulletin's may hold others), as the GTS gets it.
Wis2Drop Relay::wis2DropOf(const Observation& observation, int updateSequence) const {
  Wis2Drop drop = wis2Drop(observation, options_.wis2.centreId, updateSequence);
  BufrOptions bufr;
  bufr.centre = options_.centre;
  bufr.subcentre = options_.subcentre;
  bufr.updateSequence = updateSequence;
  drop.bytes = toBufr(observation, bufr);
  return drop;
}

// A drop's WIS2 file as its input, kept in the archive, gives it: for a
// notification whose file a stop lost before it was in place.
std::optional<std::string> Relay::wis2BytesOf(const Notification& notification) {
  if (!notification.inputId) return std::nullopt;
  const std::optional<LedgerInput> input = ledger_->inputById(*notification.inputId);
  if (!input || input->place.empty()) return std::nullopt;
  std::string name;
  const Folder& folder = placeFolder(input->place, name);
  const int fd = ::openat(folder.descriptor(), name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  std::string problem;
  const bool read = fd >= 0 && buffer_.read(fd, problem);
  if (fd >= 0) ::close(fd);
  if (!read) return std::nullopt;
  ObservationOptions reading;
  reading.now = input->qcNow;
  const std::string_view bytes = buffer_.bytes();
  ObservationRead got = readObservation(
      reader_, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), name, reading);
  if (!got.observation) return std::nullopt;
  return wis2DropOf(*got.observation, notification.updateSequence).bytes;
}

// One bulletin of `message` under `heading`, for `inputs` (decided in the
// ledger): its channel number drawn, and its file written whole in the
// outbox under a temporary name (or its message kept for the batch file),
// in the transaction of the chunk.
std::int64_t Relay::writeBulletin(const std::string& message, const AbbreviatedHeading& heading,
                                  int updateSequence, std::optional<std::int64_t> corrects,
                                  std::int64_t firstInput) {
  const int channel = ledger_->nextChannel(channelNumbers(options_.channelDigits));
  const std::string framed = ftpFramed(envelope(channel, heading, message, options_.channelDigits));
  std::int64_t bulletinId = 0;
  if (options_.batch) {
    std::optional<OutboxFile> batch = ledger_->openBatch();
    if (batch && ledger_->bulletinsIn(batch->id) >= kBatchBulletins) {
      ledger_->setFileState(batch->id, "full", realMs());  // written once this chunk is decided
      batch.reset();
    }
    if (!batch) {
      const std::string name = batchFileName(options_.cccc, ledger_->nextBatchNumber());
      batch =
          OutboxFile{ledger_->addOutboxFile(name, "open", realMs()), name, "open", realMs(), ""};
    }
    bulletinId = ledger_->addBulletin(firstInput, heading, channel, updateSequence, corrects,
                                      batch->id, framed);
  } else {
    OutboxFile file;
    file.name = bulletinFileName(heading, clock());
    const int out = outbox_.createTemporary(file.name, ".tmp", file.temporary);
    bool written = out >= 0 && writeWhole(out, framed) && ::fsync(out) == 0;
    const std::string why = errorText();
    if (out >= 0 && ::close(out) != 0) written = false;
    if (!written) {
      if (out >= 0) outbox_.remove(file.temporary);
      cannot("cannot write the outbox " + outbox_.path() + ": " + why);
    }
    file.state = "written";
    file.openedMs = realMs();
    file.id = ledger_->addOutboxFile(file.name, file.state, file.openedMs, file.temporary);
    files_.push_back(file);
    bulletinId = ledger_->addBulletin(firstInput, heading, channel, updateSequence, corrects,
                                      file.id, std::nullopt);
  }
  return bulletinId;
}

// Where an input ends, by its outcome: its own name, or where that is
// taken (or given to another input of this chunk), a name numbered with
// the input's number ("x.17.bin"), cut to the folder's limit on a name.
void Relay::placeFor(Decision& d, const LedgerInput& input, std::int64_t dropTime) {
  std::string root;
  if (d.outcome == "sent" || d.outcome == "correction") {
    d.day = dayOf(dropTime);
    root = d.day.substr(0, 4) + "/" + d.day.substr(5, 2) + "/" + d.day.substr(8, 2) + "/";
  } else {
    root = d.outcome == "held" ? "held/" : d.outcome == "duplicate" ? "duplicates/" : "failed/";
  }
  const std::string given(splitInboxKey(input.name).name);
  std::string name;
  const Folder& folder = placeFolder(root + given, name);
  const auto taken = [&](const std::string& candidate) {
    return folder.typeOf(candidate) != EntryType::kNone || assigned_.contains(root + candidate);
  };
  const std::string number = std::to_string(input.id);
  for (int more = 1; taken(name); ++more) {
    // An input may itself be named like a numbered one ("x.17.bin").
    name = numberedName(given, more == 1 ? number : number + "-" + std::to_string(more));
  }
  d.place = root + name;
  assigned_.insert(d.place);
}

// The folder of `place` (made where missing), and the name in it.
const Folder& Relay::placeFolder(const std::string& place, std::string& name) {
  const std::size_t slash = place.rfind('/');
  name = place.substr(slash + 1);
  const std::string folder = place.substr(0, slash);
  if (folder == "held") return held_;
  if (folder == "duplicates") return duplicates_;
  if (folder == "failed") return failed_;
  auto found = days_.find(folder);
  if (found != days_.end()) return found->second;
  Folder made = archive_.duplicate();
  for (std::size_t at = 0; at <= folder.size();) {
    const std::size_t end = std::min(folder.find('/', at), folder.size());
    made = made.subfolder(folder.substr(at, end - at), true, true);
    if (!made.isOpen()) cannot("cannot make " + archive_.pathOf(folder) + ": " + errorText());
    at = end + 1;
  }
  return days_.emplace(folder, std::move(made)).first->second;
}

// Writes the relay's own copy of the input `s` (when it is kept: the bytes
// just read) under a private name where its decision puts it.
void Relay::startCopy(Staged& s) {
  if (s.kept && !s.decision.place.empty()) {
    PendingCopy copy;
    copy.folder = &placeFolder(s.decision.place, copy.name);
    // The archive's copies are written in its staging folder, not among the
    // inputs of a day.
    copy.stage = copy.folder == &held_ || copy.folder == &failed_ || copy.folder == &duplicates_
                     ? copy.folder
                     : &copies_;
    if (!writeCopy(buffer_.bytes(), copy)) {
      cannot("cannot write " + copy.folder->pathOf(copy.name) + ": " + errorText());
    }
    s.copy = std::move(copy);
  }
  if (s.wis2) {
    PendingCopy copy;
    copy.stage = &wis2_->stage();
    copy.folder = &wis2_->folderOf(s.wis2->file, copy.name);
    if (!writeCopy(s.wis2->bytes, copy)) {
      cannot("cannot write " + copy.stage->path() + ": " + errorText());
    }
    s.wis2Copy = std::move(copy);
  }
}

// The copies of inputs not delivered after all go.
void Relay::dropCopies(std::vector<Staged>& staged) {
  for (Staged& s : staged) {
    if (s.copy) s.copy->stage->remove(s.copy->temporary);
    if (s.wis2Copy) s.wis2Copy->stage->remove(s.wis2Copy->temporary);
    s.copy.reset();
    s.wis2Copy.reset();
  }
}

// The copies of the inputs `staged` named where their decisions put them;
// then the inputs' files (in the work folder, or in held/ for a release)
// go.
void Relay::keepInputs(std::vector<Staged>& staged) {
  std::vector<PendingCopy> copies;
  for (Staged& s : staged) {
    if (s.copy) copies.push_back(*s.copy);
    if (s.wis2Copy) copies.push_back(*s.wis2Copy);
  }
  std::string failed;
  if (!placeCopies(copies, failed)) {
    for (Staged& s : staged) {  // (placeCopies removed what it did not name)
      s.copy.reset();
      s.wis2Copy.reset();
    }
    cannot("cannot write " + failed + ": " + errorText());
  }
  std::set<const Folder*> sources;
  for (Staged& s : staged) {
    s.copy.reset();
    s.wis2Copy.reset();
    if (s.source == nullptr) continue;
    if (s.source->remove(s.sourceName) || errno == ENOENT) {
      sources.insert(s.source);
    } else {
      cannot("cannot remove " + s.source->pathOf(s.sourceName) + ": " + errorText());
    }
  }
  for (const Folder* source : sources) {
    if (!source->sync()) cannot("cannot flush " + source->path() + ": " + errorText());
  }
}

bool Relay::decideAndDeliver() {
  const std::vector<LedgerInput> inputs = ledger_->inputsAfter(cursor_, kChunk);
  if (inputs.empty()) {
    cursor_ = 0;  // the next round looks again at those that waited
    return false;
  }
  cursor_ = inputs.back().id;
  service_.alive(realMs());
  // Nothing of a chunk a stall broke off stays: its decisions were not
  // committed, and its bulletins' copies go at the next reconciling.
  groups_->clear();
  pending_.clear();
  chunk_.clear();
  files_.clear();
  assigned_.clear();
  const std::int64_t minute = realMs() / 60000;
  Staged next;
  try {
    Transaction transaction(ledger_->database());
    for (const LedgerInput& input : inputs) {
      if (const auto wait = waiting_.find(input.id); wait != waiting_.end()) {
        if (wait->second == minute) continue;  // its headings are used until the next minute
        waiting_.erase(wait);
      }
      next = Staged();
      if (!decide(input, next)) continue;
      if (next.alone) {
        next.decision.bulletinId =
            writeBulletin(next.message, *next.alone, next.updateSequence, next.corrects, input.id);
        next.message.clear();
      }
      startCopy(next);
      if (!next.grouped) writeDecision(next, next.alone);
      chunk_.push_back(std::move(next));
    }
    for (const BulletinKey& key : groups_->keys()) closeBulletin(key);
    std::erase_if(chunk_, [](const Staged& s) { return s.dropped; });
    transaction.commit();
    stopIfAskedAfter("decided");
  } catch (const std::runtime_error&) {
    // Decided in a transaction that was not committed: nothing of it is
    // kept anywhere.
    dropCopies(chunk_);
    if (next.copy) next.copy->stage->remove(next.copy->temporary);
    if (next.wis2Copy) next.wis2Copy->stage->remove(next.wis2Copy->temporary);
    chunk_.clear();
    throw;
  }
  if (!chunk_.empty()) deliver(chunk_);
  chunk_.clear();
  return true;
}

void Relay::deliver(std::vector<Staged>& staged) {
  for (const OutboxFile& file : files_) {
    if (!outbox_.rename(file.temporary, file.name)) {
      cannot("cannot put " + outbox_.pathOf(file.name) + " in place: " + errorText());
    }
  }
  if (!files_.empty() && !outbox_.sync()) {
    cannot("cannot flush " + outbox_.path() + ": " + errorText());
  }
  files_.clear();
  stopIfAskedAfter("bulletins");
  keepInputs(staged);
  stopIfAskedAfter("kept");
  const std::int64_t now = realMs();
  {
    // The chunk's inputs are the only ones decided: a stop before this
    // point leaves them to the next start's reconciling, which finishes
    // them before anything new is decided.
    Transaction transaction(ledger_->database());
    ledger_->finishDecided(now);
    transaction.commit();
  }
  stopIfAskedAfter("finished");
  for (const Staged& s : staged) stale_ = stale_ || !s.decision.day.empty();
  // (A batch's bulletins are said when their file goes out.)
  sayWhatSettled();
}

void Relay::sealBatch(bool force) {
  // A batch that is full, has waited its minute, or (`force`) the relay
  // stops, is sealed; sealed files are written whole, then put in place.
  if (const std::optional<OutboxFile> open = ledger_->openBatch();
      open && (force || realMs() - open->openedMs >= kBatchSeconds * 1000)) {
    Transaction transaction(ledger_->database());
    ledger_->setFileState(open->id, "full", realMs());
    transaction.commit();
  }
  std::vector<OutboxFile> written;
  for (OutboxFile file : ledger_->outboxFiles("full")) {
    std::string content;
    for (const std::string& message : ledger_->messagesOf(file.id)) content += message;
    const int out = outbox_.createTemporary(file.name, ".tmp", file.temporary);
    bool whole = out >= 0 && writeWhole(out, content) && ::fsync(out) == 0;
    const std::string why = errorText();
    if (out >= 0 && ::close(out) != 0) whole = false;
    if (!whole) {
      if (out >= 0) outbox_.remove(file.temporary);
      cannot("cannot write the outbox " + outbox_.path() + ": " + why);
    }
    Transaction transaction(ledger_->database());
    ledger_->setFileState(file.id, "written", realMs(), file.temporary);
    transaction.commit();
    written.push_back(std::move(file));
  }
  putFilesOut(written);
}

void Relay::putFilesOut(const std::vector<OutboxFile>& files) {
  if (files.empty()) return;
  for (const OutboxFile& file : files) {
    if (outbox_.rename(file.temporary, file.name)) continue;
    if (errno != ENOENT) {
      cannot("cannot put " + outbox_.pathOf(file.name) + " in place: " + errorText());
    }
  }
  if (!outbox_.sync()) cannot("cannot flush " + outbox_.path() + ": " + errorText());
  const std::int64_t now = realMs();
  {
    Transaction transaction(ledger_->database());
    for (const OutboxFile& file : files) ledger_->setFileState(file.id, "out", now);
    transaction.commit();
  }
  sayWhatSettled();
}

// Each stale day's collection, written again from the archive's files: no
// drop is kept in memory for it, so a burst takes no more memory than one
// message.
void Relay::writeCollections() {
  stale_ = false;
  collectedMs_ = realMs();
  if (!netcdfAvailable()) return;
  for (const std::string& day : ledger_->staleDays()) {
    const std::vector<CollectedInput> inputs = ledger_->dayContents(day);
    // The ledger's pages a burst brought into memory are not needed while
    // the collection is made: given back, they do not add to its peak.
    ledger_->database().releaseMemory();
    NetcdfCollection collection(archive_.pathOf(day + ".nc"), archive_.path(), kCollectionMemory);
    for (const CollectedInput& input : inputs) {
      std::string name;
      const Folder& folder = placeFolder(input.place, name);
      // The relay's own copy, in its own archive: no one else's file stands
      // there.
      const int fd = ::openat(folder.descriptor(), name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
      std::string problem;
      if (fd < 0 || !buffer_.read(fd, problem)) {
        if (fd >= 0) ::close(fd);
        log_.note(realMs(), "warning",
                  "cannot read " + folder.pathOf(name) + " for the collection of " + day);
        continue;
      }
      ::close(fd);
      ObservationOptions reading;
      reading.now = input.qcNow;
      const std::string_view bytes = buffer_.bytes();
      ObservationRead got =
          readObservation(reader_, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                          bytes.size(), name, reading);
      if (!got.observation) continue;
      got.observation->path = archive_.pathOf(input.place);
      collection.add(*got.observation);
    }
    std::string name;
    const Folder& month =
        placeFolder(day.substr(0, 4) + "/" + day.substr(5, 2) + "/" + day + ".nc", name);
    std::string temporary;
    const int fd = month.createTemporary(name, ".partial", temporary);
    if (fd < 0) cannot("cannot write " + month.pathOf(name) + ": " + errorText());
    ::close(fd);
    NetcdfOptions netcdf;
    netcdf.history = "xbt relay " XBTCONV_VERSION_TEXT;
    netcdf.id = day;
    std::string error;
    bool written =
        collection.size() > 0 && collection.write(month.pathOf(temporary), netcdf, error);
    if (written) {
      EntryType kind = EntryType::kNone;
      const int again = month.openFile(temporary, kind);
      written = again >= 0 && ::fsync(again) == 0;
      if (again >= 0) ::close(again);
    }
    if (!written || !month.rename(temporary, name, true)) {
      month.remove(temporary);
      if (collection.size() == 0) continue;
      cannot("cannot write " + month.pathOf(name) + ": " + (error.empty() ? errorText() : error));
    }
    Transaction transaction(ledger_->database());
    ledger_->markDayWritten(day);
    transaction.commit();
  }
}

// The counters for Prometheus, written whole every minute (and, `now`, at
// once) to --metrics FILE: a file node_exporter's textfile collector reads.
void Relay::writeMetrics(bool now) {
  if (options_.metricsFile.empty() || (!now && realMs() < nextMetricsMs_)) return;
  nextMetricsMs_ = realMs() + 60000;
  const std::size_t slash = options_.metricsFile.rfind('/');
  const Folder folder =
      Folder::open(slash == std::string::npos ? "" : options_.metricsFile.substr(0, slash + 1));
  const std::string name = options_.metricsFile.substr(slash == std::string::npos ? 0 : slash + 1);
  const std::string text =
      prometheusText(relayHealth(*ledger_, options_, dayOf(realMs() / 1000)), realMs());
  if (!folder.isOpen() || !folder.writeFile(name, text)) {
    if (!metricsFailed_) {
      log_.note(realMs(), "warning", "cannot write " + options_.metricsFile + ": " + errorText());
    }
    metricsFailed_ = true;
    return;
  }
  metricsFailed_ = false;
}

// Held inputs an operator released: decided again from their file in
// held/, which stays there until their new place has its copy.
void Relay::takeReleases() {
  for (const auto& [id, who] : ledger_->releaseRequests()) {
    const std::optional<LedgerInput> input = ledger_->inputById(id);
    Transaction transaction(ledger_->database());
    ledger_->dropReleaseRequest(id);
    if (!input || input->stage != "done" || input->outcome != "held") {
      transaction.commit();
      log_.note(realMs(), "release",
                (input ? input->name : std::to_string(id)) + ": not held; nothing released");
      continue;
    }
    ledger_->startRelease(id, who, input->place);
    ledger_->noteOperator(id, who, "released after review", realMs());
    transaction.commit();
    log_.note(realMs(), "release", input->place + " released by " + who);
  }
}

bool Relay::round() {
  if (const std::string changed = watch_.changed(); !changed.empty()) {
    cannot(changed + ": restart the relay to take it");
  }
  takeReleases();
  bool worked = false;
  if (watcher_) {
    std::vector<std::string> names;
    std::size_t waiting = 0;
    std::int64_t next = 0;
    if (!watcher_->ready(realMs(), names, waiting, next)) {
      cannot("cannot list the inbox " + inbox_.path() + ": " + errorText());
    }
    if (!names.empty()) {
      take(names);
      worked = true;
    }
  }
  while (!interruptRequested() && decideAndDeliver()) worked = true;
  sealBatch(false);
  if (stale_ && (!worked || realMs() - collectedMs_ >= kCollectEveryMs)) writeCollections();
  return worked;
}

int Relay::run() {
  catchInterrupts();
  std::signal(SIGHUP, noteHangup);
  watcher_ =
      std::make_unique<Inbox>(inbox_, static_cast<std::int64_t>(options_.settleSeconds * 1000));
  for (const auto& sender : options_.hold.senders) {
    watcher_->addSender(sender.first, senders_.at(sender.first));
  }
  const bool watched = watcher_->watch();
  const std::string started = "inbox " + inbox_.path() +
                              (watched ? " (watched)" : " (listed every second)") + ", outbox " +
                              outbox_.path();
  log_.note(realMs(), "started", started);
  service_.ready("taking inputs: " + started);
  const std::int64_t startedMs = realMs();
  std::string stalled;
  int status = 0;
  while (!interruptRequested()) {
    service_.alive(realMs());
    writeMetrics();
    if (hangup != 0) {
      hangup = 0;
      std::string error;
      if (!log_.reopen(error)) log_.note(realMs(), "warning", error);
    }
    try {
      if (!stalled.empty()) reconcile();
      round();
      if (!stalled.empty()) {
        log_.note(realMs(), "resumed", "taking inputs again");
        service_.status("taking inputs again");
      }
      stalled.clear();
    } catch (const std::runtime_error& failure) {
      if (stalled != failure.what()) {
        stalled = failure.what();
        log_.note(realMs(), "waiting", stalled + "; taking no inputs until it can");
        service_.status("waiting: " + stalled);
      }
      if (options_.once) {
        status = 1;
        break;
      }
      watcher_->wait(kRetryMs);
      continue;
    }
    std::vector<std::string> names;
    std::size_t waiting = 0;
    std::int64_t next = 0;
    watcher_->ready(realMs(), names, waiting, next);
    // An input left undecided waits for a free heading (the next minute's).
    const bool undecided = !ledger_->inputsAt("taking", 1).empty();
    if (options_.once && names.empty() && !undecided && ledger_->releaseRequests().empty()) {
      // Every complete file taken; wait for fresh ones to settle, but not
      // for a file that keeps changing.
      const std::int64_t bound =
          startedMs + 10 * std::int64_t(options_.settleSeconds * 1000) + 1000;
      if (waiting == 0 || realMs() > bound) {
        if (waiting > 0) {
          log_.note(realMs(), "warning",
                    std::to_string(waiting) + " files still being written, left for the next run");
        }
        break;
      }
    }
    if (!names.empty()) continue;
    std::int64_t timeout = options_.once ? 200 : 1000;
    if (wis2_) {
      wis2_->publish();
      if (wis2_->busy()) timeout = 20;  // acknowledgements come soon
    }
    if (next > 0)
      timeout = std::min<std::int64_t>(timeout, std::max<std::int64_t>(next - realMs(), 10));
    watcher_->wait(static_cast<int>(timeout));
  }
  if (status == 0) {
    try {
      sealBatch(true);
      if (stale_) writeCollections();
    } catch (const std::runtime_error& failure) {
      log_.note(realMs(), "waiting", failure.what());
      status = 1;
    }
  }
  // What waits goes out before a run ends (a service's stop lets the
  // broker answer a moment); a broker away leaves it for the next start,
  // and --once's work is then not done.
  if (wis2_ && !wis2_->drain(options_.once ? kBrokerPatienceMs : 2000) && options_.once) {
    log_.note(realMs(), "wis2", "notifications wait for the broker: they go out at the next run");
    status = 1;
  }
  service_.stopping();
  writeMetrics(true);
  log_.note(realMs(), "stopped",
            interruptRequested() ? "interrupted"
            : status == 0        ? "done"
                                 : "could not go on");
  return status;
}

namespace {

void requestReleases(Ledger& ledger, const std::vector<std::string>& files, const std::string& who,
                     std::vector<std::string>& problems) {
  Transaction transaction(ledger.database());
  for (const std::string& file : files) {
    const std::string name = file.substr(file.rfind('/') + 1);
    const std::optional<LedgerInput> input = ledger.inputPlacedAt("held/" + name);
    if (!input || input->stage != "done" || input->outcome != "held") {
      // What became of it, where the ledger knows the name.
      const std::optional<LedgerInput> known = ledger.inputKnownAs(name);
      std::string said = file + ": not a held input of this relay";
      if (known && known->stage != "done") {
        said = file + ": already released, and being sent";
      } else if (known && (known->outcome == "sent" || known->outcome == "correction")) {
        said = file + ": already sent, in " + ledger.sentIn(known->id) + "; nothing released";
      } else if (known) {
        said = file + ": not held (" + known->outcome + ": " + known->reason + ")";
      }
      problems.push_back(said);
      continue;
    }
    ledger.requestRelease(input->id, who, realMs());
  }
  transaction.commit();
}

}  // namespace

int queueRelease(const std::string& stateFolder, const std::vector<std::string>& files,
                 const std::string& who, std::vector<std::string>& problems) {
  const std::unique_ptr<Ledger> ledger = openLedger(stateFolder);
  requestReleases(*ledger, files, who, problems);
  return problems.empty() ? 0 : 1;
}

int Relay::release(const std::vector<std::string>& files, const std::string& who,
                   std::vector<std::string>& problems) {
  requestReleases(*ledger_, files, who, problems);
  round();
  sealBatch(true);
  if (stale_) writeCollections();
  if (wis2_ && !wis2_->drain(kBrokerPatienceMs)) {
    log_.note(realMs(), "wis2", "notifications wait for the broker: the relay sends them");
  }
  return problems.empty() ? 0 : 1;
}

}  // namespace xbtconv
