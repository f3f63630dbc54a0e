#include "xbtconv/formats.h"

#include "formats/number_text.h"
#include "profile/text_encoding.h"
#include "profile/utc_time.h"
#include "xbtconv/qc.h"

namespace xbtconv {
namespace {

// A text as a CSV field: quoted where RFC 4180 asks, and with a quote mark
// put before one that begins as a formula would ("=", "+", "-", "@", a tab
// or a carriage return), so that no spreadsheet runs what a message said.
std::string csvField(std::string_view text) {
  std::string utf8 = utf8Text(text);
  if (!utf8.empty() && std::string_view("=+-@\t\r").find(utf8.front()) != std::string_view::npos) {
    std::string quoted(1, '\'');
    quoted += utf8;
    utf8.swap(quoted);
  }
  if (utf8.find_first_of(",\"\r\n") == std::string::npos) return utf8;
  std::string field = "\"";
  for (const char c : utf8) {
    if (c == '"') field += '"';
    field += c;
  }
  return field + "\"";
}

// A number as the JSON export writes it, so that both files agree digit
// for digit.
std::string number(const std::optional<double>& value) {
  std::string text;
  appendNumber(text, value, "");
  return text;
}

std::string number(const std::optional<int>& value) {
  return value ? std::to_string(*value) : std::string();
}

}  // namespace

std::string csvHeader() {
  return "source,kind,time,latitude,longitude,call_sign,probe_code,sample,depth_m,"
         "temperature_c,depth_qc,temperature_qc,decoded,profile_qc\r\n";
}

std::string toCsv(const Observation& o) {
  // The columns every row of the message shares.
  std::string shared = csvField(o.source) + "," + std::to_string(o.kind) + ",";
  if (o.time.utcSeconds) shared += isoTime(*o.time.utcSeconds);
  shared.append(",").append(number(o.latitude)).append(",").append(number(o.longitude));
  shared += ',';
  if (o.ship.callSign) shared += csvField(*o.ship.callSign);
  shared.append(",").append(number(o.probe.code)).append(",");
  // And the columns that say how far to trust every row of it.
  const std::string verdict = std::string(o.decoded ? ",true," : ",false,") +
                              std::to_string(o.qc ? o.qc->profileFlag : kQcNotDone) + "\r\n";
  std::string rows;
  rows.reserve(o.profile.samples.size() * (shared.size() + verdict.size() + 24));
  // A message without samples still gets its row, so that no message is
  // missing from the table.
  if (o.profile.samples.empty()) rows += shared + ",,,," + verdict;
  for (std::size_t i = 0; i < o.profile.samples.size(); ++i) {
    const Sample& sample = o.profile.samples[i];
    rows += shared;
    rows += std::to_string(i + 1);
    rows += ',';
    appendHundredths(rows, sample.depthHundredths, "");
    rows += ',';
    appendHundredths(rows, sample.temperatureHundredths, "");
    rows += ',';
    rows += static_cast<char>('0' + sample.depthQc);
    rows += ',';
    rows += static_cast<char>('0' + sample.temperatureQc);
    rows += verdict;
  }
  return rows;
}

}  // namespace xbtconv
