#include "relay/relay_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>

#include "pipeline/run/printable_text.h"
#include "profile/utc_time.h"

namespace xbtconv {
namespace {

std::string orDash(std::string_view text) {
  return text.empty() ? std::string("-") : printableText(text);
}

std::string degrees(const std::optional<double>& value) {
  if (!value) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.5f", *value);
  return text;
}

}  // namespace

std::string logTime(std::int64_t ms) {
  const std::string seconds = isoTime(ms / 1000);  // "2026-12-08T12:05:12Z"
  char fraction[8];
  std::snprintf(fraction, sizeof fraction, ".%03d", static_cast<int>(ms % 1000));
  return seconds.substr(0, seconds.size() - 1) + fraction + "Z";
}

RelayLog::RelayLog(std::string file, LogFormat format) : file_(std::move(file)), format_(format) {}

RelayLog::~RelayLog() {
  if (fd_ > 2) ::close(fd_);
}

bool RelayLog::open(std::string& error) {
  if (file_.empty()) return true;
  const int fd = ::open(file_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0640);
  if (fd < 0) {
    error = "cannot open the log " + file_ + ": " + std::strerror(errno);
    return false;
  }
  if (fd_ > 2) ::close(fd_);
  fd_ = fd;
  endTornLine();
  return true;
}

// A relay killed in the middle of a write leaves the last line torn: it is
// ended here, so that the next line starts whole. (Its entry is written
// again whole, as the ledger has not noted it said.)
void RelayLog::endTornLine() const {
  const int reader = ::open(file_.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (reader < 0) return;
  struct stat file {};
  char last = '\n';
  if (::fstat(reader, &file) == 0 && S_ISREG(file.st_mode) && file.st_size > 0 &&
      ::pread(reader, &last, 1, file.st_size - 1) == 1 && last != '\n') {
    write("\n");
  }
  ::close(reader);
}

bool RelayLog::reopen(std::string& error) { return open(error); }

bool RelayLog::write(std::string_view lines) const {
  std::size_t done = 0;
  while (done < lines.size()) {
    const ssize_t written = ::write(fd_, lines.data() + done, lines.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      // A log that cannot be written must not stop the relay; what part of
      // the lines a full disk took is taken back, as they are written again
      // whole once the log takes them (unless someone wrote after them).
      const int failure = errno;
      struct stat file {};
      const off_t end = ::lseek(fd_, 0, SEEK_CUR);
      if (done > 0 && end >= 0 && ::fstat(fd_, &file) == 0 && S_ISREG(file.st_mode) &&
          file.st_size == end) {
        static_cast<void>(::ftruncate(fd_, end - static_cast<off_t>(done)));
      }
      errno = failure;
      return false;
    }
    done += static_cast<std::size_t>(written);
  }
  return true;
}

bool RelayLog::entries(const std::vector<LogEntry>& entries) {
  std::string lines;
  for (const LogEntry& e : entries) lines += line(e);
  return lines.empty() || write(lines);
}

std::string RelayLog::line(const LogEntry& e) const {
  if (format_ == LogFormat::kJson) {
    // Names and reasons as the text log shows them: a name that is no
    // UTF-8 would otherwise read as another (each bad byte one U+FFFD),
    // and a line separator or a direction mark would act on a reader's
    // screen.
    const auto text = [](const std::string& value) {
      return value.empty() ? nlohmann::json() : nlohmann::json(printableText(value));
    };
    const auto optional = [](const auto& value) {
      return value ? nlohmann::json(*value) : nlohmann::json();
    };
    const nlohmann::json line = {{"time", logTime(e.timeMs)},
                                 {"input", printableText(e.input)},
                                 {"outcome", e.outcome},
                                 {"reason", text(e.reason)},
                                 {"platform", text(e.platform)},
                                 {"drop_time", optional(e.dropTime)},
                                 {"latitude", optional(e.latitude)},
                                 {"longitude", optional(e.longitude)},
                                 {"profile_flag", optional(e.profileFlag)},
                                 {"heading", text(e.heading)},
                                 {"file", text(e.file)},
                                 {"delay_s", optional(e.delaySeconds)},
                                 {"place", text(e.place)}};
    return line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
  }
  char delay[32] = "-";
  if (e.delaySeconds) std::snprintf(delay, sizeof delay, "%.3f s", *e.delaySeconds);
  std::string line = logTime(e.timeMs);
  for (const std::string& field :
       {orDash(e.input), e.outcome, orDash(e.reason), orDash(e.platform),
        e.dropTime ? *e.dropTime : std::string("-"),
        degrees(e.latitude) + " " + degrees(e.longitude),
        e.profileFlag ? std::to_string(*e.profileFlag) : std::string("-"), orDash(e.heading),
        orDash(e.file), std::string(delay)}) {
    line += '\t';
    line += field;
  }
  return line + "\n";
}

void RelayLog::note(std::int64_t timeMs, std::string_view event, std::string_view text) {
  if (format_ == LogFormat::kJson) {
    const nlohmann::json line = {
        {"time", logTime(timeMs)}, {"event", event}, {"message", printableText(text)}};
    write(line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
    return;
  }
  write(logTime(timeMs) + "\txbt relay: " + std::string(event) + ": " + printableText(text) + "\n");
}

}  // namespace xbtconv
