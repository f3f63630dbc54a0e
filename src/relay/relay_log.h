// The operator's log: one line for each input the relay settles (its time
// in UTC, the input's name, the outcome, the reason, the platform, the drop
// time and position, the profile flag, the bulletin's heading and file, the
// delay from receipt to sending), and lines on the relay itself (started,
// stopped, waiting for a full disk). Text (tab-separated, "-" for no value,
// names escaped so that none forges a line) or JSON Lines for machines.
// Written to standard error or appended to a file, each line with one
// write, never left torn (by a stop or a full disk) before the next one;
// reopen() takes the file again after logrotate moved it.
#ifndef XBTCONV_RELAY_RELAY_LOG_H_
#define XBTCONV_RELAY_RELAY_LOG_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "relay/relay_options.h"

namespace xbtconv {

struct LogEntry {
  std::int64_t timeMs = 0;
  std::string input;
  std::string outcome;
  std::string reason;
  std::string platform;
  std::optional<std::string> dropTime;
  std::optional<double> latitude, longitude;
  std::optional<std::int64_t> profileFlag;
  std::string heading;
  std::string file;
  std::optional<double> delaySeconds;
  std::string place;  // where the input now is
};

class RelayLog {
 public:
  /// `file`: "" for standard error.
  RelayLog(std::string file, LogFormat format);
  ~RelayLog();
  RelayLog(const RelayLog&) = delete;
  RelayLog& operator=(const RelayLog&) = delete;

  /// Opens the log file (appending; made where missing); false with the
  /// reason in `error`.
  bool open(std::string& error);
  /// Closes and opens the file again by its name.
  bool reopen(std::string& error);

  /// The lines of `entries`, in one write; false when they could not all
  /// be written (a full disk).
  bool entries(const std::vector<LogEntry>& entries);
  /// A line on the relay itself at `timeMs`: `event` a word ("started",
  /// "stopped", "waiting", "released"), `text` the detail.
  void note(std::int64_t timeMs, std::string_view event, std::string_view text);

 private:
  bool write(std::string_view lines) const;
  void endTornLine() const;
  std::string line(const LogEntry& entry) const;

  std::string file_;
  LogFormat format_;
  int fd_ = 2;
};

/// "2026-12-08T12:05:12.345Z" of `ms` since 1970.
std::string logTime(std::int64_t ms);

}  // namespace xbtconv

#endif  // XBTCONV_RELAY_RELAY_LOG_H_
