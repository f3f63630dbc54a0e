// What a WIS2 node says of one drop: the file it publishes (the drop's
// bare BUFR message, named after the drop's identity: platform, time and
// position), and the WIS2 Notification Message that announces it on the
// broker, a GeoJSON Feature as WMO's Manual on WIS sets it out: a fresh
// id, the drop's point and time, the file's SHA-512, the file inline while
// its base64 has at most 4,096 characters, and one link, canonical for a
// new drop and update for a correction (under the drop's data_id). Text
// and bytes only: the ledger, the files and the broker are others'.
#ifndef XBTCONV_RELAY_WIS2_NOTIFICATION_H_
#define XBTCONV_RELAY_WIS2_NOTIFICATION_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "relay/relay_options.h"
#include "xbtconv/observation.h"

namespace xbtconv {

/// The topic of a centre's XBT data, and of its discovery metadata.
/// What every notification conforms to, as WMO names it.
inline constexpr const char* kWis2NotificationConformance =
    "http://wis.wmo.int/spec/wnm/1/conf/core";

/// `url` without the slashes it ends in, for links made below it.
std::string withoutSlash(std::string url);

std::string wis2DataTopic(const std::string& centreId);
std::string wis2MetadataTopic(const std::string& centreId);

/// Whether `centreId` is one WIS2 takes: lower case letters, digits and
/// dashes, starting with a letter.
bool isWis2CentreId(std::string_view centreId);

/// The drop's name in the data folder, its identity in characters a URL
/// and any file system take: "ZMFR_20260314T0605Z_S41.28800_E174.77600";
/// "" for a drop with no time or position.
std::string wis2DropName(const Observation& observation);

/// One drop's file and notification.
struct Wis2Drop {
  std::string file;  // below the data folder: "2026/03/14/NAME.bufr4" (NAME_u1.bufr4 ...)
  std::string dataId;
  std::string bytes;  // the BUFR message
  int updateSequence = 0;
  std::optional<double> latitude, longitude;
  std::string dropTime;  // RFC 3339, "" when unknown
};

/// The drop's file and data_id; its bytes and the rest are the caller's.
Wis2Drop wis2Drop(const Observation& observation, const std::string& centreId, int updateSequence);

/// The notification of `drop`, published at `pubtimeMs` under `id`, its
/// link below `baseUrl`; with `gts`, the bulletin's TTAAii and CCCC.
std::string wis2Notification(const Wis2Drop& drop, const Wis2Options& options,
                             const std::string& id, std::int64_t pubtimeMs,
                             const std::optional<std::pair<std::string, std::string>>& gts);

/// A new random UUID (version 4).
std::string newUuid();
/// SHA-512 of `bytes`, base64.
std::string sha512Base64(std::string_view bytes);
std::string base64(std::string_view bytes);

}  // namespace xbtconv

#endif  // XBTCONV_RELAY_WIS2_NOTIFICATION_H_
