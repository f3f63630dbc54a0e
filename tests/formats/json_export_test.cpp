// Random messages of both kinds and all layouts, with missing and
// out-of-range fields, exported as JSON and CSV: every value equals what
// was sent under the export rules, worked out here from the sent fields
// (what a table gives aside);
// a message cut short exports a part of what the whole one does; the CSV
// rows say what the JSON says.
#include "formats/json_export.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>

#include "decoding/jjvv2_message.h"
#include "profile/observation_builder.h"
#include "support/message_checks.h"
#include "support/random_fields.h"
#include "xbtconv/formats.h"

namespace xbtconv {
namespace {

using Json = nlohmann::json;
using testing::expectedRaw;

Json rawOrNull(std::uint64_t sent, std::uint64_t minimum, std::uint64_t maximum) {
  const std::int32_t raw = expectedRaw(sent, minimum, maximum);
  return raw == -1 ? Json(nullptr) : Json(raw);
}

Json scaledOrNull(std::uint64_t sent, std::uint64_t maximum, double divisor) {
  const std::int32_t raw = expectedRaw(sent, 0, maximum);
  return raw == -1 ? Json(nullptr) : Json(raw / divisor);
}

// The text a character field sent as `sent` carries, in UTF-8; the only
// bytes above 0x7F sent here are Latin-1 letters from 0xC0 on.
Json textOrNull(const std::string& sent, std::size_t width) {
  const std::string text = sent.substr(0, std::min(width, sent.find('\0')));
  if (text.empty() || text[0] == '\xFF') return nullptr;
  std::string utf8;
  for (const char c : text) utf8 += c >= 0 ? std::string(1, c) : "\xC3" + std::string(1, c - 0x40);
  return utf8;
}

// A value a table gives (a probe's name and fall rate, a code's meaning):
// the worked examples of the observation's own tests and the examples'
// documents hold those, not a copy of the tables here.
const Json kTabled = "(from a table)";

// What the export must say of a whole message sent with `f` (and `e`, the
// same fields, for an extended one).
Json expectedDocument(const testing::StandardFields& f, const testing::ExtendedFields* e) {
  const testing::HeaderFields& h = f.header;
  Json time = nullptr;
  const std::int32_t year = expectedRaw(h.year, 0, 4094), month = expectedRaw(h.month, 1, 12),
                     day = expectedRaw(h.day, 1, 31), hour = expectedRaw(h.hour, 0, 23),
                     minute = expectedRaw(h.minute, 0, 59);
  const std::chrono::year_month_day date{std::chrono::year(year), std::chrono::month(month),
                                         std::chrono::day(day)};
  if (year != -1 && month != -1 && day != -1 && hour != -1 && minute != -1 && date.ok()) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:00Z", year, month, day, hour,
                  minute);
    time = text;
  }
  const std::int32_t version = expectedRaw(f.softwareVersion, 0, 999);
  char versionText[16];
  std::snprintf(versionText, sizeof versionText, "%d.%02d", version / 100, version % 100);
  const std::int32_t tag = expectedRaw(f.uniqueTag, 0, 4294967293u);
  char tagText[16];
  std::snprintf(tagText, sizeof tagText, "%08X", static_cast<unsigned>(tag));
  const std::int32_t dryBulb = expectedRaw(f.dryBulb, 0, 4094);

  Json depths = Json::array();
  Json temperatures = Json::array();
  const std::int32_t type = expectedRaw(f.typeOfData, 0, 6);
  for (std::size_t i = 0; i < f.temperatures.size() && (type == 1 || type == 2); ++i) {
    depths.push_back(type == 2 ? Json(2.0 * static_cast<double>(i + 1)) : kTabled);
    temperatures.push_back((static_cast<double>(f.temperatures[i]) - 400) / 100);
  }
  for (std::size_t i = 0; i < f.points.size() && type == 3; ++i) {
    depths.push_back(f.points[i].first);
    temperatures.push_back((static_cast<double>(f.points[i].second) - 400) / 100);
  }
  const char* layouts[] = {"full_resolution", "two_meter", "inflection_points"};
  const bool layout = type >= 1 && type <= 3;
  return {
      {"source", "x.bin"},
      {"kind", e != nullptr ? 2 : 1},
      {"decoded", true},
      {"stop_bit", nullptr},
      {"time", time},
      {"time_fields",
       {{"year", rawOrNull(h.year, 0, 4094)},
        {"month", rawOrNull(h.month, 1, 12)},
        {"day", rawOrNull(h.day, 1, 31)},
        {"hour", rawOrNull(h.hour, 0, 23)},
        {"minute", rawOrNull(h.minute, 0, 59)}}},
      {"latitude", h.latitude <= 18000000 ? Json((static_cast<double>(h.latitude) - 9e6) / 1e5)
                                          : Json(nullptr)},
      {"longitude", h.longitude <= 36000000 ? Json((static_cast<double>(h.longitude) - 18e6) / 1e5)
                                            : Json(nullptr)},
      {"ship",
       {{"name", textOrNull(f.shipName, 30)},
        {"call_sign", textOrNull(h.callSign, 9)},
        {"imo_number", rawOrNull(f.imoNumber, 0, 9999999)},
        {"soop_line", e != nullptr ? textOrNull(e->soopLine, 6) : Json(nullptr)},
        {"transect_number", e != nullptr ? rawOrNull(e->transectNumber, 0, 126) : Json(nullptr)},
        {"heading_deg", e != nullptr ? rawOrNull(e->shipHeading, 0, 510) : Json(nullptr)},
        {"speed_m_s", e != nullptr ? scaledOrNull(e->shipSpeed, 8190, 100) : Json(nullptr)}}},
      {"probe",
       {{"code", rawOrNull(f.probeType, 0, 1022)},
        {"name", kTabled},
        {"serial_number", e != nullptr ? rawOrNull(e->probeSerial, 0, 16777214)
                                       : rawOrNull(f.probeSerial, 0, 999999)},
        {"fall_rate_a_m_s", kTabled},
        {"fall_rate_b_m_s2", kTabled},
        {"fall_rate_source", kTabled},
        {"max_depth_m", kTabled},
        {"recorder_code", rawOrNull(f.recorderType, 0, 126)},
        {"recorder_name", kTabled},
        {"software_version", version == -1 ? Json(nullptr) : Json(versionText)},
        {"unique_tag", tag == -1 ? Json(nullptr) : Json(tagText)},
        {"sequence_number", e != nullptr ? rawOrNull(e->sequenceNumber, 0, 65534) : Json(nullptr)},
        {"launch_height_m",
         e != nullptr ? scaledOrNull(e->launchHeight, 8190, 100) : Json(nullptr)}}},
      {"surface",
       {{"wind_instrument_code", rawOrNull(f.windInstrument, 0, 14)},
        {"wind_instrument_name", kTabled},
        {"wind_direction_deg", rawOrNull(f.windDirection, 0, 510)},
        {"wind_speed_m_s", scaledOrNull(f.windSpeed, 4094, 10)},
        {"air_temperature_c", dryBulb == -1 ? Json(nullptr) : Json(dryBulb / 10.0 - 273.15)},
        {"current_method_code", rawOrNull(f.currentMethod, 0, 6)},
        {"current_method_name", kTabled},
        {"current_direction_deg", rawOrNull(f.currentDirection, 0, 510)},
        {"current_speed_m_s", scaledOrNull(f.currentSpeed, 8190, 100)}}},
      {"bottom_depth_m", rawOrNull(f.totalWaterDepth, 0, 16382)},
      {"qc", nullptr},
      {"profile",
       {{"layout", layout ? Json(layouts[type - 1]) : Json(nullptr)},
        {"depth_source", !layout     ? Json(nullptr)
                         : type != 1 ? Json("message")
                                     : kTabled},
        {"sample_rate_hz", type == 1 ? Json(10.0) : Json(nullptr)},
        {"depth_m", depths},
        {"temperature_c", temperatures},
        // No quality control ran: every flag 0.
        {"depth_qc", Json(std::vector<int>(depths.size(), 0))},
        {"temperature_qc", Json(std::vector<int>(depths.size(), 0))}}}};
}

// Equal leaf by leaf, numbers to 1e-9; kTabled stands for any value.
void expectMatches(const Json& actual, const Json& expected) {
  const Json got = actual.flatten();
  const Json want = expected.flatten();
  EXPECT_EQ(got.size(), want.size());
  for (const auto& [path, value] : want.items()) {
    const Json leaf = got.value(path, Json());
    if (value == kTabled) {
      EXPECT_TRUE(got.contains(path)) << path;
    } else if (value.is_number() && leaf.is_number()) {
      EXPECT_NEAR(leaf.get<double>(), value.get<double>(), 1e-9) << path;
    } else {
      EXPECT_EQ(leaf, value) << path;
    }
  }
}

// Every leaf of a cut-off message's document is the whole message's value,
// or null; its profile lists are the first samples of the whole one's.
void expectPartOf(const Json& cut, const Json& whole) {
  const Json flatWhole = whole.flatten();
  const Json flatCut = cut.flatten();
  for (const auto& [path, value] : flatCut.items()) {
    if (value.is_null() || path == "/decoded" || path == "/stop_bit") continue;
    EXPECT_EQ(value, flatWhole.value(path, Json())) << path;
  }
}

// The CSV rows split into fields; no field sent here needs quoting (the
// command-line tests hold the quoting).
std::vector<std::vector<std::string>> csvFields(const std::string& rows) {
  std::vector<std::vector<std::string>> table;
  std::istringstream lines(rows);
  std::string line;
  while (std::getline(lines, line, '\n')) {
    EXPECT_EQ(line.back(), '\r');
    line.pop_back();
    std::istringstream fields(line + ",");
    table.emplace_back();
    for (std::string field; std::getline(fields, field, ',');) table.back().push_back(field);
  }
  return table;
}

// A CSV field read back as the JSON value it must stand for: empty for
// null, numbers as the same double (they may be written with other digits).
Json csvValue(const std::string& field, const Json& like) {
  if (field.empty()) return nullptr;
  if (like.is_boolean()) return field == "true";
  return like.is_number() ? Json(std::stod(field)) : Json(field);
}

void expectCsvSaysWhatJsonSays(const Observation& observation, const Json& d) {
  const auto rows = csvFields(toCsv(observation));
  const Json& p = d["profile"];
  // A message without samples has one row, its sample fields empty.
  ASSERT_EQ(rows.size(), std::max<std::size_t>(1, p["depth_m"].size()));
  const auto sample = [&p](const char* column, std::size_t i) {
    return i < p[column].size() ? p[column][i] : Json(nullptr);
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Json expected[] = {d["source"],
                             d["kind"],
                             d["time"],
                             d["latitude"],
                             d["longitude"],
                             d["ship"]["call_sign"],
                             d["probe"]["code"],
                             p["depth_m"].empty() ? Json(nullptr) : Json(i + 1),
                             sample("depth_m", i),
                             sample("temperature_c", i),
                             sample("depth_qc", i),
                             sample("temperature_qc", i),
                             d["decoded"],
                             d["qc"].is_null() ? Json(0) : d["qc"]["profile_flag"]};
    ASSERT_EQ(rows[i].size(), std::size(expected));
    for (std::size_t k = 0; k < rows[i].size(); ++k) {
      EXPECT_EQ(csvValue(rows[i][k], expected[k]), expected[k]) << "row " << i << " field " << k;
    }
  }
}

template <typename Message>
Json exported(const std::vector<std::uint8_t>& bytes, Observation* observation = nullptr) {
  bool read = false;
  const auto message = testing::decoded<Message>(bytes, &read);
  const Observation built = buildObservation(*message, read, "x.bin");
  if (observation != nullptr) *observation = built;
  return Json::parse(toJson(built));
}

TEST(JsonExport, RandomMessagesExportWhatWasSent) {
  std::mt19937_64 random(10122026);
  for (int round = 0; round < 2000; ++round) {
    const bool extended = round % 2 == 1;
    const testing::ExtendedFields e = testing::randomExtendedFields(random);
    testing::StandardFields f = e;
    f.header.kind = kStandardKind;
    f.probeSerial &= 0xFFFFF;  // the standard message's serial number is 20 bits wide
    const std::vector<std::uint8_t> bytes =
        extended ? testing::extendedMessage(e) : testing::standardMessage(f);
    Observation observation;
    const Json whole = extended ? exported<Jjvv2Message>(bytes, &observation)
                                : exported<JjvvMessage>(bytes, &observation);
    expectMatches(whole, expectedDocument(f, extended ? &e : nullptr));
    expectCsvSaysWhatJsonSays(observation, whole);

    const std::size_t length = random() % bytes.size();
    const Json cut = extended ? exported<Jjvv2Message>(testing::cutAt(bytes, length))
                              : exported<JjvvMessage>(testing::cutAt(bytes, length));
    EXPECT_FALSE(cut["decoded"].get<bool>());
    EXPECT_LE(cut["stop_bit"].get<std::int64_t>(), 8 * static_cast<std::int64_t>(length));
    expectPartOf(cut, whole);
    if (HasFailure()) FAIL() << "round " << round;
  }
}

}  // namespace
}  // namespace xbtconv
