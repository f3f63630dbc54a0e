// The discovery record of a WIS2 node's XBT dataset (WMO Core Metadata
// Profile 2, a GeoJSON Feature): what the dataset is, who to ask, that it is
// core data of the earth-system discipline ocean, the time and place it
// covers, where its files are and the topic its notifications come on; and
// the notification that announces it on the metadata topic. Global Brokers
// pass on a centre's notifications only once they have its record.
#ifndef XBTCONV_RELAY_WIS2_RECORD_H_
#define XBTCONV_RELAY_WIS2_RECORD_H_

#include <cstdint>
#include <string>

#include "relay/broker_connection.h"
#include "relay/relay_options.h"

namespace xbtconv {

/// "urn:wmo:md:au-imos:xbt-profiles".
std::string wis2RecordId(const Wis2Options& options);

/// The day ("2026-03-14") of a data file ("2026/03/14/NAME.bufr4"); "" for
/// another name.
std::string wis2FileDay(const std::string& file);

/// The first day a record first announced at `createdMs` covers, with
/// `firstDataFile` (or "") its earliest drop's file: the earlier of the two
/// days.
std::string wis2RecordStart(std::int64_t createdMs, const std::string& firstDataFile);

/// The record, first announced at `createdMs`, its coverage in time from
/// the day `start` on, open-ended; `broker` is where subscribers connect.
std::string wis2Record(const Wis2Options& options, const BrokerAddress& broker,
                       std::int64_t createdMs, const std::string& start);

/// The record's file below the data folder: "metadata/xbt-profiles.json".
std::string wis2RecordFile(const Wis2Options& options);

/// The notification of the record `record` (as written to its file),
/// published at `pubtimeMs` under `id`; an `update` of one announced
/// before.
std::string wis2RecordNotification(const Wis2Options& options, const std::string& record,
                                   const std::string& id, std::int64_t pubtimeMs, bool update);

}  // namespace xbtconv

#endif  // XBTCONV_RELAY_WIS2_RECORD_H_
