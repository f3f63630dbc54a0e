// The relay: messages from an inbox to the GTS and the archive, each exactly
// once. One flow, each step named and each written to the ledger before it
// is done and marked after:
//
//   take      inbox/NAME -> inbox/.xbt-relay/ID  (the ledger notes ID first;
//             a rename within the inbox's own file system, which takes the
//             name out of the senders' hands)
//   decide    decode, quality control, identity, hold rules: sent,
//             correction, held, duplicate or failed; the drops of one area
//             decided together share a bulletin, its heading and channel
//             number drawn and its file written whole as a temporary copy in
//             the outbox, all committed at once
//   deliver   the bulletin files renamed into place; the relay's own copy of
//             each input written where its decision puts it (archive/
//             YYYY/MM/DD/, held/, duplicates/ or failed/, on any file
//             system), flushed and renamed into place; then the input's file
//             removed from the work folder
//   collect   each day touched gets its netCDF collection written again
//             from the archive's files, once the inbox has gone quiet (or a
//             minute has passed)
//
// A relay stopped at any moment (kill -9 included) finishes on its next
// start what its ledger says was under way, before it takes anything new:
// a bulletin whose copy was whole goes out, never twice; an input is
// copied where its decision says. Files are renamed only within a folder's
// own file system, and every folder is flushed before the ledger says a
// step is done.
//
// What the relay cannot do (its state, outbox or archive cannot be
// written, the disk is full, a folder is no longer the one it opened)
// stops it taking inputs until it can: a run that goes on says so in the
// log and tries again; --once exits with 1.
#ifndef XBTCONV_RELAY_RELAY_H_
#define XBTCONV_RELAY_RELAY_H_

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "pipeline/inputs/message_reader.h"
#include "pipeline/outputs/folder.h"
#include "relay/bulletin_groups.h"
#include "relay/folder_watch.h"
#include "relay/inbox.h"
#include "relay/kept_copy.h"
#include "relay/ledger.h"
#include "relay/relay_log.h"
#include "relay/relay_options.h"
#include "relay/service_manager.h"
#include "relay/wis2_publisher.h"

namespace xbtconv {

class Relay {
 public:
  Relay(RelayOptions options, RelayLog& log);
  ~Relay();
  Relay(const Relay&) = delete;
  Relay& operator=(const Relay&) = delete;

  /// Opens the folders (made where missing), locks the state folder (a
  /// second relay on it refuses to start), opens the ledger and finishes
  /// what a stopped relay left. With `inbox` false, the inbox and the
  /// outbox's settings are not needed (status, a release). False with the
  /// reason in `error`.
  bool start(std::string& error, bool inbox = true);
  /// False when another relay holds the state folder (after start failed).
  bool stateBusy() const { return stateBusy_; }

  /// Runs until interrupted, or with `once` until every complete file
  /// present has been settled. The exit status: 0, or 1 when the relay
  /// could not go on (said in the log).
  int run();

  /// Asks for the held inputs `files` (paths or names in held/) to be sent,
  /// the operator `who` having reviewed them; done at once when this relay
  /// holds the state (start succeeded), else left to the running relay.
  /// Unknown files are said in `problems`.
  int release(const std::vector<std::string>& files, const std::string& who,
              std::vector<std::string>& problems);

 private:
  struct Staged;

  bool openFolders(bool inbox, std::string& error);
  void reconcile();
  bool round();
  void take(const std::vector<std::string>& names);
  bool decideAndDeliver();
  bool decide(const LedgerInput& input, Staged& staged);
  std::string returnFolder(const std::string& key, std::int64_t id);
  void writeDecision(Staged& staged, const std::optional<AbbreviatedHeading>& heading);
  Wis2Drop wis2DropOf(const Observation& observation, int updateSequence) const;
  std::optional<std::string> wis2BytesOf(const Notification& notification);
  bool closeBulletin(const BulletinKey& key);
  std::int64_t writeBulletin(const std::string& message, const AbbreviatedHeading& heading,
                             int updateSequence, std::optional<std::int64_t> corrects,
                             std::int64_t firstInput);
  void placeFor(Decision& decision, const LedgerInput& input, std::int64_t dropTime);
  const Folder& sourceOf(const LedgerInput& input, std::string& name) const;
  const Folder& inboxFolder(const std::string& key, std::string& name);
  void deliver(std::vector<Staged>& staged);
  void startCopy(Staged& staged);
  void dropCopies(std::vector<Staged>& staged);
  void keepInputs(std::vector<Staged>& staged);
  void sealBatch(bool force);
  void putFilesOut(const std::vector<OutboxFile>& files);
  void sayWhatSettled();
  void writeCollections();
  void writeMetrics(bool now = false);
  void takeReleases();
  const Folder& placeFolder(const std::string& place, std::string& name);
  std::int64_t clock() const;
  [[noreturn]] void cannot(const std::string& what);

  RelayOptions options_;
  RelayLog& log_;
  Folder inbox_, outbox_, archive_, state_, work_, held_, duplicates_, failed_;
  Folder legacyWork_;  // STATE/work, where an older relay took its inputs
  Folder copies_;      // ARCHIVE/.xbt-copies: the archive's copies while written
  std::map<std::string, Folder, std::less<>> senders_;  // INBOX/SENDER, by sender
  std::map<std::string, Folder> days_;  // archive/YYYY/MM/DD and archive/YYYY/MM, by path
  FolderWatch watch_;
  std::unique_ptr<Ledger> ledger_;
  std::unique_ptr<Inbox> watcher_;
  MessageReader reader_;
  FileBuffer buffer_;  // the input being decided, or read for a collection
  bool stateBusy_ = false;
  bool stale_ = false;  // collections wait to be written
  std::int64_t collectedMs_ = 0;
  std::set<std::string> assigned_;  // the places given to the inputs of the chunk under way
  // Decided in this chunk, not yet in a bulletin: the drops of one area
  // going out together.
  std::unique_ptr<BulletinGroups> groups_;
  std::vector<Staged> chunk_;  // the chunk under way, decided
  // The drops of the chunk whose bulletins are under way (not yet in the
  // ledger), by identity, for the inputs after them to find.
  std::map<std::string, std::vector<SameDrop>> pending_;
  std::vector<OutboxFile> files_;  // bulletin files of the chunk under way
  // Inputs taken but left undecided this minute (every heading for them
  // used): the minute they wait for, by input.
  std::map<std::int64_t, std::int64_t> waiting_;
  std::int64_t waitSaidMinute_ = -1;
  std::int64_t cursor_ = 0;  // the last input looked at this round
  ServiceManager service_;
  std::unique_ptr<Wis2Publisher> wis2_;  // when the relay is a WIS2 node
  std::int64_t nextMetricsMs_ = 0;
  bool metricsFailed_ = false;
};

/// Asks the relay running on `stateFolder` to send the held inputs `files`;
/// unknown ones are said in `problems`. 0, or 1 when any was unknown.
int queueRelease(const std::string& stateFolder, const std::vector<std::string>& files,
                 const std::string& who, std::vector<std::string>& problems);

/// Why the relay had to stop a step: a folder that cannot be written, a
/// full disk, a ledger that cannot be committed.
class RelayStall : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace xbtconv

#endif  // XBTCONV_RELAY_RELAY_H_
