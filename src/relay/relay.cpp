#include "relay/relay.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <set>
#include <thread>

#include "formats/netcdf_export.h"
#include "formats/private_file.h"
#include "pipeline/inputs/observation_reading.h"
#include "pipeline/run/interrupts.h"
#include "profile/drop_identity.h"
#include "profile/utc_time.h"
#include "relay/bulletin.h"
#include "relay/content_digest.h"
#include "relay/hold_rules.h"
#include "xbtconv/formats.h"
#include "xbtconv/reading.h"
#include "xbtconv/version.h"

namespace xbtconv {
namespace {

// Inputs handled together: one transaction for each step of a chunk.
constexpr std::size_t kChunk = 1024;
// No message is near this size: a file beyond it is failed unread.
constexpr std::size_t kMessageBytesAtMost = std::size_t{16} << 20;
// While the inbox stays busy, collections are still written this often.
constexpr std::int64_t kCollectEveryMs = 60000;
// How long a relay that cannot go on waits before it tries again.
constexpr int kRetryMs = 5000;
// Samples of what was sent kept for the collections (some 80 MB).
constexpr std::size_t kDecodedSamples = std::size_t{4} << 20;

volatile std::sig_atomic_t hangup = 0;
extern "C" void noteHangup(int /*signal*/) { hangup = 1; }

std::int64_t realMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::string errorText() { return std::strerror(errno); }

std::string dayOf(std::int64_t seconds) { return isoTime(seconds).substr(0, 10); }

// The name under which an input is kept: its own, or with the ledger's
// number before its extension where that name is taken ("x.17.bin").
std::string uniqueName(const std::string& name, std::int64_t id) {
  const std::size_t dot = name.rfind('.');
  const std::string number = "." + std::to_string(id);
  if (dot == std::string::npos || dot == 0) return name + number;
  return name.substr(0, dot) + number + name.substr(dot);
}

bool readAll(int fd, std::string& bytes, std::string& reason) {
  bytes.clear();
  char buffer[65536];
  while (true) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      reason = "cannot read: " + errorText();
      return false;
    }
    if (got == 0) return true;
    bytes.append(buffer, static_cast<std::size_t>(got));
    if (bytes.size() > kMessageBytesAtMost) {
      reason = "larger than any message (over 16 MiB)";
      return false;
    }
  }
}

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

// Removes the private temporary files with `suffix` that a stopped relay
// left in `folder`, but those `keep` names.
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

}  // namespace

// One input decided in this chunk, and what is left to do for it.
struct Relay::Staged {
  std::int64_t id = 0;
  Decision decision;
  std::optional<OutboxFile> file;  // its own bulletin file (not a batch's)
};

Relay::Relay(RelayOptions options, RelayLog& log) : options_(std::move(options)), log_(log) {}

Relay::~Relay() = default;

std::int64_t Relay::clock() const { return options_.now ? *options_.now : systemTime(); }

void Relay::cannot(const std::string& what) { throw RelayStall(what); }

bool Relay::openFolders(bool inbox, std::string& error) {
  const auto make = [&](Folder& folder, const std::string& path, const char* role) {
    folder = Folder::make(path, true);
    if (!folder.isOpen())
      error = std::string("cannot open the ") + role + " " + path + ": " + errorText();
    return folder.isOpen();
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
  if (!sub(work_, "work") || !sub(held_, "held") || !sub(duplicates_, "duplicates") ||
      !sub(failed_, "failed")) {
    return false;
  }
  if (!make(outbox_, options_.outbox, "outbox") || !make(archive_, options_.archive, "archive")) {
    return false;
  }
  return !inbox || make(inbox_, options_.inbox, "inbox");
}

bool Relay::start(std::string& error, bool inbox) {
  if (!openFolders(inbox, error)) return false;
  try {
    ledger_ = std::make_unique<Ledger>(state_.pathOf("ledger.sqlite"));
    reconcile();
  } catch (const std::runtime_error& failure) {
    error = failure.what();
    return false;
  }
  return true;
}

// Finishes what a stopped relay left under way, as its ledger says.
void Relay::reconcile() {
  // Inputs being taken: each file is in the work folder, or still where it
  // came from, or gone (then nothing was taken).
  for (const LedgerInput& input : ledger_->inputsAt("taking")) {
    const std::string work = std::to_string(input.id);
    if (work_.typeOf(work) != EntryType::kNone) continue;
    bool moved = false;
    if (input.at.rfind("held/", 0) == 0) {
      moved = held_.renameTo(input.at.substr(5), work_, work, true);
    } else if (inbox_.isOpen()) {
      moved = inbox_.renameTo(input.name, work_, work, true);
    } else {
      continue;  // an arrival: the relay that watches the inbox finishes it
    }
    if (!moved && errno != ENOENT) cannot("cannot take " + input.name + ": " + errorText());
    if (!moved) {
      Transaction transaction(ledger_->database());
      if (input.at.rfind("held/", 0) == 0) {
        ledger_->finish(input.id, input.at, realMs());  // still held: it was never moved
      } else {
        ledger_->forgetInput(input.id);
      }
      transaction.commit();
    }
  }
  // Bulletin files whose whole copy is in the outbox go out; one whose copy
  // is gone went out before the stop (its sender may have taken it since).
  putFilesOut(ledger_->outboxFiles("written"));
  sealBatch(false);
  // Copies no committed step names: a decision that was never committed.
  std::set<std::string, std::less<>> known;
  for (const OutboxFile& file : ledger_->outboxFiles("written")) known.insert(file.temporary);
  removeLeftovers(outbox_, ".tmp", known);
  // Reasons and collections a stop cut off while they were being written.
  removeLeftovers(held_, ".partial", {});
  removeLeftovers(failed_, ".partial", {});
  for (const std::string& day : ledger_->staleDays()) {
    std::string name;
    removeLeftovers(placeFolder(day.substr(0, 4) + "/" + day.substr(5, 2) + "/" + day, name),
                    ".partial", {});
  }
  // Inputs decided but not yet where their decision puts them.
  for (const LedgerInput& input : ledger_->inputsAt("decided")) {
    moveInput(input.id, input.place, input.reason);
    Transaction transaction(ledger_->database());
    ledger_->finish(input.id, input.place, realMs());
    transaction.commit();
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
    std::vector<std::int64_t> vanished;
    for (std::size_t i = first; i < end; ++i) {
      if (inbox_.renameTo(names[i], work_, std::to_string(ids[i - first]))) {
        watcher_->taken(names[i]);
      } else if (errno == ENOENT) {
        vanished.push_back(ids[i - first]);
      } else {
        cannot("cannot take " + inbox_.pathOf(names[i]) + ": " + errorText());
      }
    }
    if (!work_.sync()) cannot("cannot flush " + work_.path() + ": " + errorText());
    if (!vanished.empty()) {
      Transaction transaction(ledger_->database());
      for (const std::int64_t id : vanished) ledger_->forgetInput(id);
      transaction.commit();
    }
  }
}

bool Relay::decide(const LedgerInput& input, Staged& staged) {
  staged.id = input.id;
  Decision& d = staged.decision;
  d.qcNow = clock();
  const std::string& released = input.releasedBy;
  const auto fail = [&](std::string reason) {
    d.outcome = "failed";
    d.reason = std::move(reason);
    placeFor(d, input, 0);
    return true;
  };
  EntryType found = EntryType::kNone;
  const int fd = work_.openFile(std::to_string(input.id), found);
  if (fd < 0) {
    if (found == EntryType::kLink) return fail("a link, not a message file");
    if (found == EntryType::kFolder) return fail("a folder, not a message file");
    if (found == EntryType::kOther) return fail("not a regular file (a FIFO, device or socket)");
    return fail("cannot open: " + errorText());
  }
  std::string bytes;
  std::string problem;
  const bool read = readAll(fd, bytes, problem);
  ::close(fd);
  if (!read) return fail(problem);
  ObservationOptions reading;
  reading.now = d.qcNow;
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
  if (!d.identity.empty()) same = ledger_->sameDrop(d.identity, input.id, released.empty());
  std::optional<std::int64_t> original;
  int versions = 0;
  for (const SameDrop& earlier : same) {
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
    d.reason = holdReason(observation, options_.hold, d.qcNow);
    if (!d.reason.empty()) {
      d.outcome = "held";
      placeFor(d, input, 0);
      return true;
    }
  }

  // A bulletin: its heading first, since a minute's headings may be used
  // up (then the input waits for the next minute).
  const std::int64_t now = clock();
  const bool late = observation.time.utcSeconds && now - *observation.time.utcSeconds > 86400;
  std::optional<AbbreviatedHeading> heading;
  if (original) heading = ledger_->correctionHeading(*original, late);
  if (!heading) {
    const std::string prefix = std::string(kBulletinDataType) +
                               areaDesignator(observation.latitude, observation.longitude);
    heading = ledger_->freeHeading(prefix, options_.iiFirst, options_.iiLast, options_.cccc,
                                   now - now % 60, late, options_.now.has_value());
    if (!heading) return false;
  }
  BufrOptions bufr;
  bufr.centre = options_.centre;
  bufr.subcentre = options_.subcentre;
  bufr.updateSequence = std::min(versions, 254);
  Status encoded;
  const std::string message = toBufr(observation, bufr, &encoded);
  if (!encoded.ok()) d.reason = "encoded as missing: " + encoded.message();
  const int channel = ledger_->nextChannel();
  const std::string framed = ftpFramed(envelope(channel, *heading, message));
  d.outcome = versions > 0 ? "correction" : "sent";
  std::int64_t fileId = 0;
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
    fileId = batch->id;
    d.bulletinId = ledger_->addBulletin(input.id, *heading, channel, bufr.updateSequence, original,
                                        fileId, framed);
  } else {
    OutboxFile file;
    file.name = bulletinFileName(*heading, now);
    const int out = outbox_.createTemporary(file.name, ".tmp", file.temporary);
    bool written = out >= 0 && writeAll(out, framed) && ::fsync(out) == 0;
    const std::string why = errorText();
    if (out >= 0 && ::close(out) != 0) written = false;
    if (!written) {
      if (out >= 0) outbox_.remove(file.temporary);
      cannot("cannot write the outbox " + outbox_.path() + ": " + why);
    }
    file.state = "written";
    file.openedMs = realMs();
    file.id = ledger_->addOutboxFile(file.name, file.state, file.openedMs, file.temporary);
    fileId = file.id;
    staged.file = file;
    d.bulletinId = ledger_->addBulletin(input.id, *heading, channel, bufr.updateSequence, original,
                                        fileId, std::nullopt);
  }
  placeFor(d, input, observation.time.utcSeconds.value_or(input.receivedMs / 1000));
  if (decodedSamples_ + observation.profile.samples.size() <= kDecodedSamples) {
    decodedSamples_ += observation.profile.samples.size();
    Observation& kept = decoded_[input.id] = std::move(*got.observation);
    kept.source = d.place.substr(d.place.rfind('/') + 1);
    kept.path = archive_.pathOf(d.place);
  }
  return true;
}

// Where an input ends, by its outcome; a name already there (or given to
// another input of this chunk) is made unique with the input's number.
void Relay::placeFor(Decision& d, const LedgerInput& input, std::int64_t dropTime) {
  std::string root;
  if (d.outcome == "sent" || d.outcome == "correction") {
    d.day = dayOf(dropTime);
    root = d.day.substr(0, 4) + "/" + d.day.substr(5, 2) + "/" + d.day.substr(8, 2) + "/";
  } else {
    root = d.outcome == "held" ? "held/" : d.outcome == "duplicate" ? "duplicates/" : "failed/";
  }
  std::string name;
  const Folder& folder = placeFolder(root + input.name, name);
  if (folder.typeOf(name) != EntryType::kNone || assigned_.contains(root + name)) {
    name = uniqueName(name, input.id);
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
  if (folder == "work") return work_;
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

void Relay::moveInput(std::int64_t id, const std::string& place, const std::string& reason) {
  const std::string fromName = std::to_string(id);
  const Folder& source = work_;
  std::string name;
  const bool archived = place.find('/') != place.rfind('/');
  const Folder& target = placeFolder(place, name);
  if (!archived && !reason.empty() && place.rfind("duplicates/", 0) != 0 &&
      !target.writeFile(name + ".reason", reason + "\n", true)) {
    cannot("cannot write " + target.pathOf(name + ".reason") + ": " + errorText());
  }
  if (source.renameTo(fromName, target, name)) return;
  if (errno == ENOENT && target.typeOf(name) != EntryType::kNone) return;  // moved before a stop
  if (errno == ENOENT) {
    // Someone removed it from the relay's own work folder: nothing to move.
    log_.note(realMs(), "warning", source.pathOf(fromName) + " is gone; " + place + " not made");
    return;
  }
  cannot("cannot move " + source.pathOf(fromName) + " to " + target.pathOf(name) + ": " +
         errorText());
}

bool Relay::decideAndDeliver() {
  const std::vector<LedgerInput> inputs = ledger_->inputsAt("taking", kChunk);
  if (inputs.empty()) return false;
  std::vector<Staged> staged;
  assigned_.clear();
  {
    Transaction transaction(ledger_->database());
    for (const LedgerInput& input : inputs) {
      if (input.at.rfind("held/", 0) == 0 &&
          work_.typeOf(std::to_string(input.id)) == EntryType::kNone) {
        continue;  // a release whose file is not yet taken back
      }
      Staged next;
      if (!decide(input, next)) break;
      ledger_->decide(input.id, next.decision, realMs());
      staged.push_back(std::move(next));
    }
    transaction.commit();
  }
  if (staged.empty()) return false;
  deliver(staged);
  return true;
}

void Relay::deliver(std::vector<Staged>& staged) {
  bool renamed = false;
  for (const Staged& s : staged) {
    if (!s.file) continue;
    if (!outbox_.rename(s.file->temporary, s.file->name)) {
      cannot("cannot put " + outbox_.pathOf(s.file->name) + " in place: " + errorText());
    }
    renamed = true;
  }
  if (renamed && !outbox_.sync()) cannot("cannot flush " + outbox_.path() + ": " + errorText());
  std::set<const Folder*> moved;
  for (const Staged& s : staged) {
    moveInput(s.id, s.decision.place, s.decision.reason);
    std::string name;
    moved.insert(&placeFolder(s.decision.place, name));
  }
  for (const Folder* folder : moved) {
    if (!folder->sync()) cannot("cannot flush " + folder->path() + ": " + errorText());
  }
  if (!moved.empty() && !work_.sync()) cannot("cannot flush " + work_.path() + ": " + errorText());
  const std::int64_t now = realMs();
  {
    // The chunk's inputs are the only ones decided: a stop before this
    // point leaves them to the next start's reconciling, which finishes
    // them before anything new is decided.
    Transaction transaction(ledger_->database());
    ledger_->finishDecided(now);
    transaction.commit();
  }
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
    bool whole = out >= 0 && writeAll(out, content) && ::fsync(out) == 0;
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

void Relay::writeCollections() {
  stale_ = false;
  collectedMs_ = realMs();
  if (!netcdfAvailable()) {
    decoded_.clear();
    return;
  }
  for (const std::string& day : ledger_->staleDays()) {
    std::vector<std::int64_t> qcNow;
    const std::vector<LedgerInput> inputs = ledger_->dayContents(day, qcNow);
    NetcdfCollection collection(archive_.pathOf(day + ".nc"), archive_.path());
    for (std::size_t i = 0; i < inputs.size(); ++i) {
      if (const auto kept = decoded_.find(inputs[i].id); kept != decoded_.end()) {
        collection.add(kept->second);
        continue;
      }
      std::string name;
      const Folder& folder = placeFolder(inputs[i].place, name);
      EntryType found = EntryType::kNone;
      const int fd = folder.openFile(name, found);
      std::string bytes;
      std::string problem;
      if (fd < 0 || !readAll(fd, bytes, problem)) {
        if (fd >= 0) ::close(fd);
        log_.note(realMs(), "warning",
                  "cannot read " + folder.pathOf(name) + " for the collection of " + day);
        continue;
      }
      ::close(fd);
      ObservationOptions reading;
      reading.now = qcNow[i];
      ObservationRead got =
          readObservation(reader_, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                          bytes.size(), name, reading);
      if (!got.observation) continue;
      got.observation->path = archive_.pathOf(inputs[i].place);
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
  decoded_.clear();
  decodedSamples_ = 0;
}

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
    const std::string name = input->place.substr(5);
    if (!held_.renameTo(name, work_, std::to_string(id), true) && errno != ENOENT) {
      cannot("cannot take back " + held_.pathOf(name) + ": " + errorText());
    }
    held_.remove(name + ".reason");
  }
}

bool Relay::round() {
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
  const bool watched = watcher_->watch();
  log_.note(realMs(), "started",
            "inbox " + inbox_.path() + (watched ? " (watched)" : " (listed every second)") +
                ", outbox " + outbox_.path());
  const std::int64_t started = realMs();
  std::string stalled;
  int status = 0;
  while (!interruptRequested()) {
    if (hangup != 0) {
      hangup = 0;
      std::string error;
      if (!log_.reopen(error)) log_.note(realMs(), "warning", error);
    }
    try {
      if (!stalled.empty()) reconcile();
      round();
      if (!stalled.empty()) log_.note(realMs(), "resumed", "taking inputs again");
      stalled.clear();
    } catch (const std::runtime_error& failure) {
      if (stalled != failure.what()) {
        stalled = failure.what();
        log_.note(realMs(), "waiting", stalled + "; taking no inputs until it can");
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
      const std::int64_t bound = started + 10 * std::int64_t(options_.settleSeconds * 1000) + 1000;
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
      problems.push_back(file + ": not a held input of this relay");
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
  return problems.empty() ? 0 : 1;
}

}  // namespace xbtconv
