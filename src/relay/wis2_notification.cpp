#include "relay/wis2_notification.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>

#include "relay/relay_log.h"
#include "relay/wis2_record.h"

namespace xbtconv {
namespace {

// The WIS2 topic hierarchy's place for ship profiles (XBT, CTD).
constexpr const char* kDataBranch = "/data/core/ocean/surface-based-observations/ship-sub-surface";
// Data inline only while its base64 stays within WIS2's 4,096 characters.
constexpr std::size_t kInlineCharacters = 4096;

// A platform's name as a file name takes it: letters and digits, anything
// else a dash.
std::string safe(const std::string& text) {
  std::string out;
  for (const char c : text) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    out += plain ? c : '-';
  }
  return out.empty() ? "unknown" : out;
}

// "S41.28800" of -41.288 as a latitude, "E174.77600" as a longitude.
std::string hemisphered(double degrees, char positive, char negative) {
  char text[32];
  std::snprintf(text, sizeof text, "%c%.5f", degrees < 0 ? negative : positive, std::fabs(degrees));
  return text;
}

}  // namespace

std::string withoutSlash(std::string url) {
  while (!url.empty() && url.back() == '/') url.pop_back();
  return url;
}

std::string wis2DataTopic(const std::string& centreId) {
  return "origin/a/wis2/" + centreId + kDataBranch;
}

std::string wis2MetadataTopic(const std::string& centreId) {
  return "origin/a/wis2/" + centreId + "/metadata";
}

bool isWis2CentreId(std::string_view centreId) {
  if (centreId.empty() || centreId.front() < 'a' || centreId.front() > 'z') return false;
  for (const char c : centreId) {
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-')) return false;
  }
  return centreId.back() != '-';
}

std::string wis2DropName(const Observation& observation) {
  const Observation::Time& t = observation.time;
  if (!t.year || !t.month || !t.day || !t.hour || !t.minute || !observation.latitude ||
      !observation.longitude) {
    return "";
  }
  char time[32];
  std::snprintf(time, sizeof time, "%04d%02d%02dT%02d%02dZ", *t.year, *t.month, *t.day, *t.hour,
                *t.minute);
  std::string platform = observation.ship.callSign ? *observation.ship.callSign : "";
  if (platform.empty() && observation.ship.imoNumber) {
    platform = "IMO" + std::to_string(*observation.ship.imoNumber);
  }
  return safe(platform) + "_" + time + "_" + hemisphered(*observation.latitude, 'N', 'S') + "_" +
         hemisphered(*observation.longitude, 'E', 'W');
}

Wis2Drop wis2Drop(const Observation& observation, const std::string& centreId, int updateSequence) {
  Wis2Drop drop;
  const std::string name = wis2DropName(observation);
  const Observation::Time& t = observation.time;
  char day[16];
  std::snprintf(day, sizeof day, "%04d/%02d/%02d", t.year.value_or(0), t.month.value_or(0),
                t.day.value_or(0));
  drop.file = std::string(day) + "/" + name +
              (updateSequence > 0 ? "_u" + std::to_string(updateSequence) : "") + ".bufr4";
  // The topic without its channel and version, then the drop: the same for
  // a drop and every correction of it.
  drop.dataId = "wis2/" + centreId + kDataBranch + "/" + name;
  drop.updateSequence = updateSequence;
  drop.latitude = observation.latitude;
  drop.longitude = observation.longitude;
  if (observation.time.utcSeconds) drop.dropTime = logTime(*observation.time.utcSeconds * 1000);
  return drop;
}

std::string wis2Notification(const Wis2Drop& drop, const Wis2Options& options,
                             const std::string& id, std::int64_t pubtimeMs,
                             const std::optional<std::pair<std::string, std::string>>& gts) {
  // Written out, not built as a document: a burst writes one for each drop,
  // and a document of the inline file cost more than the rest of the
  // notification's work. The members in name order, as before.
  const auto quoted = [](std::string_view text) { return nlohmann::json(text).dump(); };
  const auto number = [](auto value) { return nlohmann::json(value).dump(); };
  std::string text =
      std::string(R"({"conformsTo":[")") + kWis2NotificationConformance + R"("],"geometry":)";
  if (drop.latitude && drop.longitude) {
    text += R"({"coordinates":[)" + number(*drop.longitude) + "," + number(*drop.latitude) +
            R"(],"type":"Point"})";
  } else {
    text += "null";
  }
  text += R"(,"id":)" + quoted(id) + R"(,"links":[{"href":)" +
          quoted(withoutSlash(options.baseUrl) + "/" + drop.file) + R"(,"length":)" +
          std::to_string(drop.bytes.size()) + R"(,"rel":")" +
          (drop.updateSequence > 0 ? "update" : "canonical") +
          R"(","type":"application/bufr"}],"properties":{)";
  if (std::string inline64 = base64(drop.bytes); inline64.size() <= kInlineCharacters) {
    text += R"("content":{"encoding":"base64","size":)" + std::to_string(drop.bytes.size()) +
            R"(,"value":")" + inline64 + R"("},)";
  }
  text += R"("data_id":)" + quoted(drop.dataId) + R"(,"datetime":)" +
          (drop.dropTime.empty() ? std::string("null") : quoted(drop.dropTime));
  if (gts) {
    text += R"(,"gts":{"cccc":)" + quoted(gts->second) + R"(,"ttaaii":)" + quoted(gts->first) + "}";
  }
  text += R"(,"integrity":{"method":"sha512","value":")" + sha512Base64(drop.bytes) +
          R"("},"metadata_id":)" + quoted(wis2RecordId(options)) + R"(,"pubtime":)" +
          quoted(logTime(pubtimeMs)) + R"(},"type":"Feature"})";
  return text;
}

std::string newUuid() {
  // Drawn 64 ids at a time: each draw of the generator costs as much as
  // the id's whole notification text.
  thread_local std::array<unsigned char, std::size_t{16} * 64> pool;
  thread_local std::size_t used = pool.size();
  if (used == pool.size()) {
    if (RAND_bytes(pool.data(), static_cast<int>(pool.size())) != 1) {
      // The system's generator failed: no id may ever repeat, so refuse.
      throw std::runtime_error("cannot draw a random id for a notification");
    }
    used = 0;
  }
  unsigned char bytes[16];
  std::memcpy(bytes, pool.data() + used, sizeof bytes);
  used += sizeof bytes;
  bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);  // the RFC 4122 variant
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
    text += kHex[bytes[i] >> 4];
    text += kHex[bytes[i] & 15];
  }
  return text;
}

std::string base64(std::string_view bytes) {
  std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()),
                                     reinterpret_cast<const unsigned char*>(bytes.data()),
                                     static_cast<int>(bytes.size()));
  text.resize(static_cast<std::size_t>(length));
  return text;
}

std::string sha512Base64(std::string_view bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha512(), nullptr);
  return base64(std::string_view(reinterpret_cast<const char*>(digest), length));
}

}  // namespace xbtconv
