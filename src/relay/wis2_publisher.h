// The relay as a WIS2 node, beside (not instead of) its GTS outbox: fed by
// the same decision as the bulletin, it keeps each sent drop's BUFR file in
// the data folder the centre's web server publishes, and announces it on
// the broker, exactly once, on the ledger:
//
//   written    the notification (its id, message and file) is committed with
//              the drop's decision, its file whole under a private name in
//              DATA/.xbt-partial/
//   waiting    the file is in place (DATA/YYYY/MM/DD/NAME.bufr4), never to
//              change; the notification waits, in order, for the broker
//   published  the broker acknowledged it (PUBACK)
//
// A notification not acknowledged when the relay stops goes out again on
// its next start under the same id (Global Brokers pass an id on once). A
// broker that is away holds up nothing: notifications wait, the log says
// once that it is unreachable and once that it is back. The discovery
// record is written to DATA/metadata/ and announced when it is new or
// changed.
#ifndef XBTCONV_RELAY_WIS2_PUBLISHER_H_
#define XBTCONV_RELAY_WIS2_PUBLISHER_H_

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "pipeline/outputs/folder.h"
#include "relay/broker_connection.h"
#include "relay/ledger.h"
#include "relay/relay_log.h"
#include "relay/relay_options.h"
#include "relay/wis2_notification.h"

namespace xbtconv {

class Wis2Publisher {
 public:
  Wis2Publisher(Wis2Options options, Ledger& ledger, RelayLog& log);

  /// Opens the data folder (made where missing) and starts connecting to
  /// the broker; false with the reason in `error`.
  bool open(std::string& error);

  /// The folder a drop's file is written in under a private name, and the
  /// folder of its place ("2026/03/14/NAME.bufr4"), made where missing.
  const Folder& stage() const { return stage_; }
  const Folder& folderOf(const std::string& file, std::string& name);

  /// Notes the notification of `drop` (its file's whole copy under
  /// `temporary` in the stage) for input `inputId`, in the caller's
  /// transaction; with `gts`, the bulletin's TTAAii and CCCC in it.
  void add(std::int64_t inputId, const Wis2Drop& drop, const std::string& temporary,
           const std::optional<std::pair<std::string, std::string>>& gts);

  /// After a stop: the files of written notifications put in place (those
  /// whose copy is gone made again from `bytesOf`, the drop's BUFR as its
  /// input gives it), then the copies no notification names removed.
  void finishWritten(const std::function<std::optional<std::string>(const Notification&)>& bytesOf);

  /// Writes the discovery record and, when it is new or changed, notes its
  /// notification.
  void announceRecord();

  /// Publishes what waits (in order, as far as the broker takes it) and
  /// notes what the broker acknowledged.
  void publish();
  /// Publishes until nothing waits; false when the broker stays away for
  /// `patienceMs` (what waits goes out at the next start).
  bool drain(int patienceMs);
  /// Whether notifications are in flight or wait while the broker is up:
  /// the relay then looks again soon.
  bool busy() const;

 private:
  void noteBroker();

  Wis2Options options_;
  Ledger& ledger_;
  RelayLog& log_;
  Folder data_, stage_, metadata_;
  std::map<std::string, Folder> days_;
  std::optional<BrokerAddress> address_;
  std::unique_ptr<BrokerConnection> broker_;
  std::map<int, std::int64_t> inFlight_;  // message number: notification
  std::uint64_t connection_ = 0;          // the broker connection they went out on
  std::int64_t publishedThrough_ = 0;     // the last notification handed to the broker
  std::int64_t startedMs_ = 0;
  std::string recordStart_;    // the first day the record as written covers
  bool recordBehind_ = false;  // a drop earlier than that was announced since
  bool unreachableSaid_ = false;
  bool everConnected_ = false;
};

}  // namespace xbtconv

#endif  // XBTCONV_RELAY_WIS2_PUBLISHER_H_
