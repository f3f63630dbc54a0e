#include "relay/wis2_publisher.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "relay/kept_copy.h"
#include "relay/wis2_record.h"

namespace xbtconv {
namespace {

std::int64_t realMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// Notifications handed to the broker and not yet acknowledged, at most:
// enough to keep the link busy, few enough that the client library, which
// walks its whole queue of messages in flight on every packet, stays cheap
// (1,024 cost a tenth of the relay's CPU in a burst).
constexpr std::size_t kInFlight = 64;
// How long a broker may take to answer at the start before the log says
// it is unreachable.
constexpr std::int64_t kGraceMs = 3000;

}  // namespace

Wis2Publisher::Wis2Publisher(Wis2Options options, Ledger& ledger, RelayLog& log)
    : options_(std::move(options)), ledger_(ledger), log_(log) {}

bool Wis2Publisher::open(std::string& error) {
  if (!isWis2CentreId(options_.centreId)) {
    error = "a WIS2 centre id is lower case letters, digits and dashes (au-imos), not '" +
            options_.centreId + "'";
    return false;
  }
  if (options_.dataFolder.empty() ||
      !(options_.baseUrl.starts_with("http://") || options_.baseUrl.starts_with("https://"))) {
    error = "WIS2 publishing needs --wis2-data DIR and --wis2-base-url http(s)://...";
    return false;
  }
  address_ = parseBrokerUrl(options_.broker, error);
  if (!address_) return false;
  if (address_->password.empty()) address_->password = options_.password;
  data_ = Folder::make(options_.dataFolder, true);
  stage_ = data_.isOpen() ? data_.subfolder(".xbt-partial", true, true) : Folder();
  metadata_ = data_.isOpen() ? data_.subfolder("metadata", true, true) : Folder();
  if (!stage_.isOpen() || !metadata_.isOpen()) {
    error = "cannot open the WIS2 data folder " + options_.dataFolder + ": " + std::strerror(errno);
    return false;
  }
  broker_ = std::make_unique<BrokerConnection>(*address_);
  startedMs_ = realMs();
  return broker_->start(error);
}

const Folder& Wis2Publisher::folderOf(const std::string& file, std::string& name) {
  const std::size_t slash = file.rfind('/');
  name = file.substr(slash + 1);
  const std::string path = file.substr(0, slash);
  if (const auto found = days_.find(path); found != days_.end()) return found->second;
  Folder made = data_.duplicate();
  for (std::size_t at = 0; at <= path.size();) {
    const std::size_t end = std::min(path.find('/', at), path.size());
    made = made.subfolder(path.substr(at, end - at), true, true);
    if (!made.isOpen()) {
      throw std::runtime_error("cannot make " + data_.pathOf(path) + ": " + std::strerror(errno));
    }
    at = end + 1;
  }
  return days_.emplace(path, std::move(made)).first->second;
}

void Wis2Publisher::add(std::int64_t inputId, const Wis2Drop& drop, const std::string& temporary,
                        const std::optional<std::pair<std::string, std::string>>& gts) {
  Notification n;
  n.inputId = inputId;
  n.uuid = newUuid();
  n.topic = wis2DataTopic(options_.centreId);
  n.createdMs = realMs();
  n.message = wis2Notification(drop, options_, n.uuid, n.createdMs, gts);
  n.file = drop.file;
  n.temporary = temporary;
  n.updateSequence = drop.updateSequence;
  n.state = "written";
  ledger_.addNotification(n);
  if (const std::string day = wis2FileDay(drop.file); !day.empty() && day < recordStart_) {
    recordBehind_ = true;
  }
}

void Wis2Publisher::finishWritten(
    const std::function<std::optional<std::string>(const Notification&)>& bytesOf) {
  for (std::int64_t after = 0;;) {
    const std::vector<Notification> written = ledger_.notificationsAt("written", after);
    if (written.empty()) break;
    after = written.back().id;
    std::vector<PendingCopy> copies;
    for (const Notification& n : written) {
      PendingCopy copy;
      copy.stage = &stage_;
      copy.folder = &folderOf(n.file, copy.name);
      if (!n.temporary.empty() && stage_.typeOf(n.temporary) == EntryType::kFile) {
        copy.temporary = n.temporary;
      } else if (copy.folder->typeOf(copy.name) != EntryType::kNone) {
        continue;  // in place before the stop
      } else if (const std::optional<std::string> bytes = bytesOf(n); !bytes) {
        log_.note(realMs(), "warning", "cannot make " + n.file + " again: its input is gone");
        continue;
      } else if (!writeCopy(*bytes, copy)) {
        throw std::runtime_error("cannot write " + stage_.path() + ": " + std::strerror(errno));
      }
      copies.push_back(std::move(copy));
    }
    std::string failed;
    if (!placeCopies(copies, failed)) {
      throw std::runtime_error("cannot write " + failed + ": " + std::strerror(errno));
    }
    Transaction transaction(ledger_.database());
    for (const Notification& n : written) ledger_.setNotificationState(n.id, "waiting", realMs());
    transaction.commit();
  }
  removeCopyLeftovers(stage_);
}

void Wis2Publisher::announceRecord() {
  const std::string id = wis2RecordId(options_);
  const auto known = ledger_.record(id);
  const std::int64_t created = known ? known->second : realMs();
  // The time it covers reaches back to the earliest drop announced: a
  // catalogue's search for the days of a late drop finds the dataset.
  recordStart_ = wis2RecordStart(created, ledger_.firstDataFile());
  recordBehind_ = false;
  const std::string record = wis2Record(options_, *address_, created, recordStart_);
  const std::string digest = sha512Base64(record);
  std::string name;
  const Folder& folder = folderOf(wis2RecordFile(options_), name);
  if (folder.typeOf(name) != EntryType::kFile || !known || known->first != digest) {
    if (!folder.writeFile(name, record, true)) {
      throw std::runtime_error("cannot write " + folder.pathOf(name) + ": " + std::strerror(errno));
    }
  }
  if (known && known->first == digest) return;
  Notification n;
  n.uuid = newUuid();
  n.topic = wis2MetadataTopic(options_.centreId);
  n.createdMs = realMs();
  n.message = wis2RecordNotification(options_, record, n.uuid, n.createdMs, known.has_value());
  n.file = wis2RecordFile(options_);
  n.state = "waiting";
  Transaction transaction(ledger_.database());
  ledger_.addNotification(n);
  ledger_.setRecordDigest(id, digest, created);
  transaction.commit();
}

// The log hears once that the broker is away, and once that it is back.
void Wis2Publisher::noteBroker() {
  const bool connected = broker_->connected();
  if (connected && unreachableSaid_) {
    log_.note(realMs(), "wis2",
              "the broker " + address_->shown() + " is back: what waits goes out");
  }
  if (connected) {
    unreachableSaid_ = false;
    everConnected_ = true;
  } else if (!unreachableSaid_ && (everConnected_ || realMs() - startedMs_ > kGraceMs)) {
    unreachableSaid_ = true;
    log_.note(realMs(), "wis2",
              "the broker " + address_->shown() + " is unreachable (" + broker_->problem() +
                  "): notifications wait in the ledger; the GTS goes on");
  }
}

void Wis2Publisher::publish() {
  // Announced again, as an update, once the earlier drop's notification is
  // in the ledger (the caller's transaction committed).
  if (recordBehind_) announceRecord();
  broker_->maintain();
  noteBroker();
  if (const std::vector<int> acknowledged = broker_->acknowledged(); !acknowledged.empty()) {
    Transaction transaction(ledger_.database());
    for (const int mid : acknowledged) {
      const auto sent = inFlight_.find(mid);
      if (sent == inFlight_.end()) continue;  // of a connection before this one
      ledger_.setNotificationState(sent->second, "published", realMs());
      inFlight_.erase(sent);
    }
    if (inFlight_.empty()) ledger_.forgetMessagesOnceAllPublished();
    transaction.commit();
  }
  if (!broker_->connected()) return;
  if (broker_->connections() != connection_) {
    // A new connection: what was in flight on the last may be lost; it
    // goes out again, under the same ids.
    connection_ = broker_->connections();
    inFlight_.clear();
    publishedThrough_ = 0;
  }
  while (inFlight_.size() < kInFlight) {
    const std::vector<Notification> waiting =
        ledger_.notificationsAt("waiting", publishedThrough_, kInFlight - inFlight_.size());
    if (waiting.empty()) return;
    for (const Notification& n : waiting) {
      const std::optional<int> mid = broker_->publish(n.topic, n.message);
      if (!mid) return;
      inFlight_[*mid] = n.id;
      publishedThrough_ = n.id;
    }
  }
}

bool Wis2Publisher::drain(int patienceMs) {
  std::int64_t awaySince = 0;
  while (true) {
    publish();
    // Asked after every round of acknowledgements: counting what waits
    // each time cost a tenth of a burst's CPU.
    if (!ledger_.anyNotificationWaiting()) return true;
    if (broker_->connected()) {
      awaySince = 0;
    } else if (awaySince == 0) {
      awaySince = realMs();
    } else if (realMs() - awaySince > patienceMs) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

bool Wis2Publisher::busy() const { return broker_ && broker_->connected() && !inFlight_.empty(); }

}  // namespace xbtconv
