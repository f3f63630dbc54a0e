#include "relay/broker_connection.h"

#include <mosquitto.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace xbtconv {
namespace {

// The library once for the process, before any client.
void initialiseLibrary() {
  static const bool initialised = [] {
    mosquitto_lib_init();
    return true;
  }();
  (void)initialised;
}

// "%40" and the like in a URL's user and password.
std::string unescaped(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const std::string hex = text.substr(i + 1, 2);
      char* end = nullptr;
      const long value = std::strtol(hex.c_str(), &end, 16);
      if (end == hex.c_str() + 2) {
        out += static_cast<char>(value);
        i += 2;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

}  // namespace

std::string BrokerAddress::shown() const {
  return std::string(tls ? "mqtts://" : "mqtt://") + (user.empty() ? "" : user + "@") + host + ":" +
         std::to_string(port);
}

std::optional<BrokerAddress> parseBrokerUrl(const std::string& url, std::string& error) {
  BrokerAddress address;
  std::string rest;
  if (url.starts_with("mqtt://")) {
    rest = url.substr(7);
  } else if (url.starts_with("mqtts://")) {
    address.tls = true;
    rest = url.substr(8);
  } else {
    error = "a broker is mqtt://HOST:PORT or mqtts://HOST:PORT, not '" + url + "'";
    return std::nullopt;
  }
  if (const std::size_t slash = rest.find('/'); slash != std::string::npos) {
    rest.resize(slash);
  }
  if (const std::size_t at = rest.rfind('@'); at != std::string::npos) {
    const std::string credentials = rest.substr(0, at);
    rest = rest.substr(at + 1);
    const std::size_t colon = credentials.find(':');
    address.user = unescaped(credentials.substr(0, colon));
    if (colon != std::string::npos) address.password = unescaped(credentials.substr(colon + 1));
  }
  address.port = address.tls ? 8883 : 1883;
  if (const std::size_t colon = rest.rfind(':');
      colon != std::string::npos && rest.find(']', colon) == std::string::npos) {
    const std::string port = rest.substr(colon + 1);
    char* end = nullptr;
    const long number = std::strtol(port.c_str(), &end, 10);
    if (port.empty() || *end != '\0' || number < 1 || number > 65535) {
      error = "a broker's port is from 1 to 65535, not '" + port + "'";
      return std::nullopt;
    }
    address.port = static_cast<int>(number);
    rest.resize(colon);
  }
  if (rest.size() > 2 && rest.front() == '[' && rest.back() == ']') {
    rest = rest.substr(1, rest.size() - 2);
  }
  if (rest.empty()) {
    error = "the broker URL '" + url + "' names no host";
    return std::nullopt;
  }
  address.host = rest;
  return address;
}

BrokerConnection::BrokerConnection(BrokerAddress address) : address_(std::move(address)) {}

BrokerConnection::~BrokerConnection() {
  if (client_ == nullptr) return;
  if (connecting_) {
    mosquitto_disconnect(client_);
    mosquitto_loop_stop(client_, false);
  }
  mosquitto_destroy(client_);
}

bool BrokerConnection::start(std::string& error) {
  initialiseLibrary();
  const std::string id = "xbt-relay-" + std::to_string(::getpid());
  client_ = mosquitto_new(id.c_str(), true, this);
  if (client_ == nullptr) {
    error = "cannot make an MQTT client";
    return false;
  }
  mosquitto_connect_callback_set(client_, onConnect);
  mosquitto_disconnect_callback_set(client_, onDisconnect);
  mosquitto_publish_callback_set(client_, onPublish);
  mosquitto_reconnect_delay_set(client_, 1, 60, true);
  // Notifications wait in the ledger, not in the library: as many in
  // flight as the broker takes.
  mosquitto_max_inflight_messages_set(client_, 0);
  if (!address_.user.empty() &&
      mosquitto_username_pw_set(client_, address_.user.c_str(),
                                address_.password.empty() ? nullptr : address_.password.c_str()) !=
          MOSQ_ERR_SUCCESS) {
    error = "cannot set the broker's user";
    return false;
  }
  if (address_.tls && mosquitto_tls_set(client_, nullptr, "/etc/ssl/certs", nullptr, nullptr,
                                        nullptr) != MOSQ_ERR_SUCCESS) {
    error = "cannot set up TLS for the broker";
    return false;
  }
  started_ = true;
  maintain();
  return true;
}

namespace {

std::int64_t steadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

void BrokerConnection::maintain() {
  if (!started_ || connecting_ || steadyMs() < nextAttemptMs_) return;
  const int connecting = mosquitto_connect_async(client_, address_.host.c_str(), address_.port, 60);
  if (connecting == MOSQ_ERR_SUCCESS && mosquitto_loop_start(client_) == MOSQ_ERR_SUCCESS) {
    connecting_ = true;  // from here on the library keeps the connection up
    return;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  problem_ = connecting == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquitto_strerror(connecting);
  nextAttemptMs_ = steadyMs() + backoffMs_;
  backoffMs_ = std::min<std::int64_t>(backoffMs_ * 2, 60000);
}

bool BrokerConnection::connected() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return connected_;
}

std::string BrokerConnection::problem() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return connected_ ? "" : problem_.empty() ? std::string("not connected yet") : problem_;
}

bool BrokerConnection::waitConnected(int timeoutMs) const {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!connected()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

std::optional<int> BrokerConnection::publish(const std::string& topic, const std::string& payload) {
  if (!connected()) return std::nullopt;
  int mid = 0;
  const int published = mosquitto_publish(
      client_, &mid, topic.c_str(), static_cast<int>(payload.size()), payload.data(), 1, false);
  if (published != MOSQ_ERR_SUCCESS) return std::nullopt;
  return mid;
}

std::vector<int> BrokerConnection::acknowledged() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<int> acknowledged;
  acknowledged.swap(acknowledged_);
  return acknowledged;
}

std::uint64_t BrokerConnection::connections() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return connections_;
}

void BrokerConnection::onConnect(mosquitto* /*client*/, void* self, int code) {
  auto* connection = static_cast<BrokerConnection*>(self);
  std::lock_guard<std::mutex> lock(connection->mutex_);
  connection->connected_ = code == 0;
  if (code == 0) {
    ++connection->connections_;
    connection->problem_.clear();
  } else {
    connection->problem_ = mosquitto_connack_string(code);
  }
}

void BrokerConnection::onDisconnect(mosquitto* /*client*/, void* self, int code) {
  auto* connection = static_cast<BrokerConnection*>(self);
  std::lock_guard<std::mutex> lock(connection->mutex_);
  connection->connected_ = false;
  if (code != 0 && connection->problem_.empty()) connection->problem_ = "connection lost";
}

void BrokerConnection::onPublish(mosquitto* /*client*/, void* self, int mid) {
  auto* connection = static_cast<BrokerConnection*>(self);
  std::lock_guard<std::mutex> lock(connection->mutex_);
  connection->acknowledged_.push_back(mid);
}

}  // namespace xbtconv
