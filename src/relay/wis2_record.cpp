#include "relay/wis2_record.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "relay/relay_log.h"
#include "relay/wis2_notification.h"

namespace xbtconv {

std::string wis2RecordId(const Wis2Options& options) {
  return "urn:wmo:md:" + options.centreId + ":" + options.metadataId;
}

std::string wis2RecordFile(const Wis2Options& options) {
  return "metadata/" + options.metadataId + ".json";
}

std::string wis2FileDay(const std::string& file) {
  if (file.size() < 11 || file[4] != '/' || file[7] != '/' || file[10] != '/') return "";
  return file.substr(0, 4) + "-" + file.substr(5, 2) + "-" + file.substr(8, 2);
}

std::string wis2RecordStart(std::int64_t createdMs, const std::string& firstDataFile) {
  const std::string created = logTime(createdMs).substr(0, 10);
  const std::string first = wis2FileDay(firstDataFile);
  return first.empty() ? created : std::min(first, created);
}

std::string wis2Record(const Wis2Options& options, const BrokerAddress& broker,
                       std::int64_t createdMs, const std::string& start) {
  nlohmann::json contact = {
      {"organization",
       options.contactOrganization.empty() ? options.centreId : options.contactOrganization},
      {"roles", {"host"}}};
  if (!options.contactName.empty()) contact["name"] = options.contactName;
  if (!options.contactEmail.empty()) {
    contact["emails"] = nlohmann::json::array({{{"value", options.contactEmail}}});
  }
  const std::string created = logTime(createdMs);
  // Where subscribers connect: the broker's public account, never the
  // relay's own.
  const std::string subscribe = std::string(broker.tls ? "mqtts" : "mqtt") +
                                "://everyone:everyone@" + broker.host + ":" +
                                std::to_string(broker.port);
  const nlohmann::json record = {
      {"id", wis2RecordId(options)},
      {"conformsTo", {"http://wis.wmo.int/spec/wcmp/2/conf/core"}},
      {"type", "Feature"},
      {"time", {{"interval", {start, ".."}}}},
      {"geometry",
       {{"type", "Polygon"},
        {"coordinates", {{{-180, -90}, {180, -90}, {180, 90}, {-180, 90}, {-180, -90}}}}}},
      {"properties",
       {{"type", "dataset"},
        {"title", options.title},
        {"description", options.description},
        {"keywords",
         {"XBT", "expendable bathythermograph", "sea water temperature", "ocean profile",
          "ship of opportunity", "BUFR"}},
        {"themes",
         {{{"concepts", {{{"id", "ocean"}, {"title", "Ocean"}}}},
           {"scheme", "https://codes.wmo.int/wis/topic-hierarchy/earth-system-discipline"}}}},
        {"contacts", {contact}},
        {"created", created},
        {"wmo:dataPolicy", "core"}}},
      {"links",
       {{{"href", subscribe},
         {"rel", "items"},
         {"channel", wis2DataTopic(options.centreId)},
         {"type", "application/geo+json"},
         {"title", "A notification for each drop, as it is published"}},
        {{"href", withoutSlash(options.baseUrl) + "/"},
         {"rel", "data"},
         {"type", "application/bufr"},
         {"title", "The drops' BUFR messages, one file a drop, by day of the drop"}}}}};
  return record.dump(2) + "\n";
}

std::string wis2RecordNotification(const Wis2Options& options, const std::string& record,
                                   const std::string& id, std::int64_t pubtimeMs, bool update) {
  const nlohmann::json message = {
      {"id", id},
      {"conformsTo", {kWis2NotificationConformance}},
      {"type", "Feature"},
      {"geometry", nullptr},
      {"properties",
       {{"data_id", "wis2/" + options.centreId + "/metadata/" + options.metadataId},
        {"metadata_id", wis2RecordId(options)},
        {"pubtime", logTime(pubtimeMs)},
        {"datetime", logTime(pubtimeMs)},
        {"integrity", {{"method", "sha512"}, {"value", sha512Base64(record)}}}}},
      {"links",
       {{{"href", withoutSlash(options.baseUrl) + "/" + wis2RecordFile(options)},
         {"rel", update ? "update" : "canonical"},
         {"type", "application/geo+json"},
         {"length", record.size()}}}}};
  return message.dump();
}

}  // namespace xbtconv
