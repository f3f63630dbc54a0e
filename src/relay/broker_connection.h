// The relay's connection to its WIS2 broker (MQTT 3.1.1 through Debian's
// libmosquitto, which keeps it up in a thread of its own: it connects,
// reconnects with a back-off doubling from 1 s to a minute, and reads the
// broker's acknowledgements). The relay publishes each notification with
// QoS 1, never retained, and learns which the broker acknowledged
// (PUBACK): only those count as published. A broker that is away holds up
// nothing: publish() says so, and the notifications wait.
#ifndef XBTCONV_RELAY_BROKER_CONNECTION_H_
#define XBTCONV_RELAY_BROKER_CONNECTION_H_

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct mosquitto;

namespace xbtconv {

/// A broker's address: mqtt[s]://[USER[:PASSWORD]@]HOST[:PORT].
struct BrokerAddress {
  bool tls = false;
  std::string user, password, host;
  int port = 0;
  /// The address without its password, for the log.
  std::string shown() const;
};

/// The address `url` gives; none, with the reason in `error`, when it is
/// no MQTT URL.
std::optional<BrokerAddress> parseBrokerUrl(const std::string& url, std::string& error);

class BrokerConnection {
 public:
  explicit BrokerConnection(BrokerAddress address);
  ~BrokerConnection();
  BrokerConnection(const BrokerConnection&) = delete;
  BrokerConnection& operator=(const BrokerConnection&) = delete;

  /// Starts connecting, in the library's thread; false with the reason when
  /// the library cannot even try.
  bool start(std::string& error);
  /// Tries again, with a back-off from 1 s to a minute, to reach a broker
  /// that was never reached (the library goes on only with a connection it
  /// once had).
  void maintain();
  bool connected() const;
  /// Why the last attempt to connect failed ("" while connected).
  std::string problem() const;
  /// Waits until connected or `timeoutMs` has passed.
  bool waitConnected(int timeoutMs) const;

  /// Publishes `payload` on `topic`: its message number, or none when the
  /// broker cannot take it now.
  std::optional<int> publish(const std::string& topic, const std::string& payload);
  /// The message numbers the broker acknowledged since the last call.
  std::vector<int> acknowledged();
  /// Counts the connections made: a message in flight when it changed may
  /// have been lost with the one before.
  std::uint64_t connections() const;

 private:
  static void onConnect(mosquitto* client, void* self, int code);
  static void onDisconnect(mosquitto* client, void* self, int code);
  static void onPublish(mosquitto* client, void* self, int mid);

  BrokerAddress address_;
  mosquitto* client_ = nullptr;
  bool started_ = false;
  bool connecting_ = false;  // the library's thread runs with a host to connect to
  std::int64_t nextAttemptMs_ = 0;
  std::int64_t backoffMs_ = 1000;
  mutable std::mutex mutex_;  // the fields below are written in the library's thread
  bool connected_ = false;
  std::string problem_;
  std::uint64_t connections_ = 0;
  std::vector<int> acknowledged_;
};

}  // namespace xbtconv

#endif  // XBTCONV_RELAY_BROKER_CONNECTION_H_
