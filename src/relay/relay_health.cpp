#include "relay/relay_health.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <tuple>

#include "pipeline/outputs/folder.h"
#include "pipeline/run/printable_text.h"
#include "relay/inbox.h"
#include "relay/relay_log.h"

namespace xbtconv {
namespace {

constexpr const char* kOutcomes[] = {"sent", "correction", "held", "duplicate", "failed"};

FolderState folderState(const std::string& role, const std::string& path) {
  FolderState state;
  state.role = role;
  state.path = path;
  struct stat info {};
  state.present = ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
  if (!state.present) return state;
  state.writable = ::access(path.c_str(), W_OK | X_OK) == 0;
  struct statvfs space {};
  if (::statvfs(path.c_str(), &space) == 0) {
    state.freeBytes = static_cast<std::uint64_t>(space.f_bavail) * space.f_frsize;
  }
  if (role != "outbox") return state;
  const Folder folder = Folder::open(path);
  folder.forEachEntry([&](std::string_view name, EntryType type) {
    if (type != EntryType::kFile || isUploadName(name)) return true;  // (a copy being written)
    if (const std::optional<FileIdentity> identity = folder.fileIdentity(name)) {
      ++state.files;
      const std::int64_t ms = identity->modified / 1000000;
      if (!state.oldestMs || ms < *state.oldestMs) state.oldestMs = ms;
    }
    return true;
  });
  return state;
}

std::int64_t one(Statement& query) {
  const std::int64_t value = query.step() ? query.integer(0) : 0;
  query.reset();
  return value;
}

std::optional<std::int64_t> maybe(Statement& query) {
  const std::optional<std::int64_t> value =
      query.step() ? query.optionalInteger(0) : std::optional<std::int64_t>();
  query.reset();
  return value;
}

}  // namespace

RelayHealth relayHealth(Ledger& ledger, const RelayOptions& options, const std::string& day) {
  Database& database = ledger.database();
  RelayHealth health;
  health.day = day;
  Statement& byOutcome = database.statement(
      "SELECT outcome, count(*), sum(received_ms >= CAST(strftime('%s', ?1) AS INTEGER) * 1000 "
      "AND received_ms < CAST(strftime('%s', ?1, '+1 day') AS INTEGER) * 1000) FROM inputs "
      "WHERE stage = 'done' GROUP BY outcome");
  byOutcome.bind(1, day);
  for (const char* outcome : kOutcomes) health.today[outcome] = health.total[outcome] = 0;
  while (byOutcome.step()) {
    health.total[byOutcome.text(0)] = byOutcome.integer(1);
    health.today[byOutcome.text(0)] = byOutcome.integer(2);
  }
  byOutcome.reset();
  health.underWay = one(database.statement("SELECT count(*) FROM inputs WHERE stage != 'done'"));
  Statement& files = database.statement(
      "SELECT count(DISTINCT f.id), count(b.id) FROM outbox_files AS f JOIN bulletins AS b ON "
      "b.file_id = f.id WHERE f.state = 'out' AND f.out_ms >= CAST(strftime('%s', ?1) AS "
      "INTEGER) * 1000 AND f.out_ms < CAST(strftime('%s', ?1, '+1 day') AS INTEGER) * 1000");
  files.bind(1, day);
  if (files.step()) {
    health.filesToday = files.integer(0);
    health.bulletinsToday = files.integer(1);
  }
  files.reset();
  health.bulletinsTotal = one(database.statement("SELECT count(*) FROM bulletins"));
  health.held = one(
      database.statement("SELECT count(*) FROM inputs WHERE stage = 'done' AND outcome = 'held'"));
  health.oldestHeldMs = maybe(database.statement(
      "SELECT min(received_ms) FROM inputs WHERE stage = 'done' AND outcome = 'held'"));
  health.lastReceivedMs = maybe(database.statement("SELECT max(received_ms) FROM inputs"));
  std::tie(health.notificationsWaiting, health.notificationsWaitingSinceMs) =
      ledger.notificationsWaiting();
  const std::pair<const char*, const std::string*> folders[] = {{"inbox", &options.inbox},
                                                                {"outbox", &options.outbox},
                                                                {"archive", &options.archive},
                                                                {"state", &options.state}};
  for (const auto& [role, path] : folders) {
    if (!path->empty()) health.folders.push_back(folderState(role, *path));
  }
  // Each sender's folder: one the relay cannot write stops it taking inputs.
  for (const auto& sender : options.hold.senders) {
    if (!options.inbox.empty()) {
      health.folders.push_back(
          folderState("sender " + sender.first, options.inbox + "/" + sender.first));
    }
  }
  return health;
}

std::string healthJson(const RelayHealth& health, std::int64_t nowMs) {
  const auto time = [](const std::optional<std::int64_t>& ms) {
    return ms ? nlohmann::json(logTime(*ms)) : nlohmann::json(nullptr);
  };
  nlohmann::json folders = nlohmann::json::array();
  for (const FolderState& folder : health.folders) {
    nlohmann::json state = {{"role", folder.role},
                            {"path", printableText(folder.path)},
                            {"present", folder.present},
                            {"writable", folder.writable},
                            {"free_bytes", folder.freeBytes}};
    if (folder.role == "outbox") {
      state["files_waiting"] = folder.files;
      state["oldest_file"] = time(folder.oldestMs);
    }
    folders.push_back(state);
  }
  const nlohmann::json document = {{"time", logTime(nowMs)},
                                   {"day", health.day},
                                   {"today", health.today},
                                   {"bulletins_today", health.bulletinsToday},
                                   {"bulletin_files_today", health.filesToday},
                                   {"under_way", health.underWay},
                                   {"held", health.held},
                                   {"oldest_held_received", time(health.oldestHeldMs)},
                                   {"last_received", time(health.lastReceivedMs)},
                                   {"wis2_waiting", health.notificationsWaiting},
                                   {"wis2_waiting_since", time(health.notificationsWaitingSinceMs)},
                                   {"folders", folders}};
  return document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::string prometheusText(const RelayHealth& health, std::int64_t nowMs) {
  std::string text =
      "# HELP xbt_relay_inputs_total Inputs settled, by outcome.\n"
      "# TYPE xbt_relay_inputs_total counter\n";
  for (const auto& [outcome, count] : health.total) {
    text += "xbt_relay_inputs_total{outcome=\"" + outcome + "\"} " + std::to_string(count) + "\n";
  }
  const auto gauge = [&](const char* name, const char* help, const std::string& value) {
    text += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " gauge\n" + name +
            " " + value + "\n";
  };
  text +=
      "# HELP xbt_relay_bulletins_total Bulletins sent.\n# TYPE xbt_relay_bulletins_total "
      "counter\nxbt_relay_bulletins_total " +
      std::to_string(health.bulletinsTotal) + "\n";
  gauge("xbt_relay_under_way", "Inputs taken and not yet settled.",
        std::to_string(health.underWay));
  gauge("xbt_relay_held", "Inputs held for an operator.", std::to_string(health.held));
  const auto seconds = [](std::optional<std::int64_t> ms) {
    char value[32];
    std::snprintf(value, sizeof value, "%.3f", ms ? static_cast<double>(*ms) / 1000 : 0.0);
    return std::string(value);
  };
  gauge("xbt_relay_oldest_held_received_seconds",
        "When the oldest held input was received (0: none held).", seconds(health.oldestHeldMs));
  gauge("xbt_relay_last_received_seconds", "When the last input was received (0: none yet).",
        seconds(health.lastReceivedMs));
  gauge("xbt_relay_wis2_waiting", "WIS2 notifications the broker has not acknowledged yet.",
        std::to_string(health.notificationsWaiting));
  for (const FolderState& folder : health.folders) {
    if (folder.role != "outbox") continue;
    gauge("xbt_relay_outbox_files", "Bulletin files a GTS sender has not taken yet.",
          std::to_string(folder.files));
    gauge("xbt_relay_outbox_oldest_seconds",
          "When the oldest bulletin file waiting in the outbox was put there (0: none).",
          seconds(folder.oldestMs));
  }
  text +=
      "# HELP xbt_relay_folder_writable Whether each folder can be written.\n"
      "# TYPE xbt_relay_folder_writable gauge\n";
  for (const FolderState& folder : health.folders) {
    text += "xbt_relay_folder_writable{folder=\"" + folder.role + "\"} " +
            (folder.present && folder.writable ? "1" : "0") + "\n";
  }
  gauge("xbt_relay_metrics_written_seconds", "When these figures were written.", seconds(nowMs));
  return text;
}

int healthCheck(const RelayHealth& health, const CheckLimits& limits, std::int64_t nowMs,
                std::string& line) {
  int status = 0;
  std::string said;
  const auto raise = [&](int level, const std::string& what) {
    status = std::max(status, level);
    said += (said.empty() ? "" : "; ") + what;
  };
  const auto older = [&](std::optional<std::int64_t> ms, double limit, double unitMs) {
    return limit > 0 && ms && static_cast<double>(nowMs - *ms) > limit * unitMs;
  };
  for (const FolderState& folder : health.folders) {
    if (!folder.present || !folder.writable) {
      raise(2, "the " + folder.role + " " + printableText(folder.path) +
                   (folder.present ? " cannot be written" : " is missing"));
    }
    if (folder.role == "outbox" && older(folder.oldestMs, limits.outboxMinutes, 60000.0)) {
      raise(2, std::to_string(folder.files) + " bulletin files not taken from the outbox, the " +
                   "oldest since " + logTime(*folder.oldestMs));
    }
  }
  if (older(health.oldestHeldMs, limits.heldHours, 3600000.0)) {
    raise(1, std::to_string(health.held) + " inputs held, the oldest received " +
                 logTime(*health.oldestHeldMs));
  }
  if (limits.silentHours > 0 &&
      (!health.lastReceivedMs || older(health.lastReceivedMs, limits.silentHours, 3600000.0))) {
    raise(1, health.lastReceivedMs ? "nothing received since " + logTime(*health.lastReceivedMs)
                                   : std::string("nothing received yet"));
  }
  static constexpr const char* kWords[] = {"OK", "WARNING", "CRITICAL", "UNKNOWN"};
  std::int64_t outboxFiles = 0;
  for (const FolderState& folder : health.folders) {
    if (folder.role == "outbox") outboxFiles = static_cast<std::int64_t>(folder.files);
  }
  const auto today = [&](const char* outcome) {
    const auto found = health.today.find(outcome);
    return std::to_string(found == health.today.end() ? 0 : found->second);
  };
  if (said.empty()) {
    said = "sent " + today("sent") + " today, " + std::to_string(health.held) + " held";
  }
  line = std::string("XBT RELAY ") + kWords[status] + " - " + said + " | sent=" + today("sent") +
         " held=" + std::to_string(health.held) + " under_way=" + std::to_string(health.underWay) +
         " outbox_files=" + std::to_string(outboxFiles);
  return status;
}

}  // namespace xbtconv
