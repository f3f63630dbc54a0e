// What every fuzz target checks of a message it decoded, beyond "no crash
// and no sanitizer report": the report streamed in pieces is the report
// made whole, the extended kind is back in its kind-2 state, and the
// observation exports as JSON, CSV and BUFR.
#ifndef XBTCONV_FUZZ_FUZZ_CHECKS_H_
#define XBTCONV_FUZZ_FUZZ_CHECKS_H_

#include <cstdlib>
#include <string>
#include <string_view>
#include <type_traits>

#include "decoding/jjvv2_message.h"
#include "decoding/jjvv_message.h"
#include "export/bufr_export.h"
#include "export/csv_export.h"
#include "export/json_export.h"
#include "report/report_assembly.h"

namespace xbtconv::fuzz {

template <typename Message>
void checkReport(const Message& message) {
  const std::string whole = reportText(message);
  std::string streamed;
  streamReport(message, [&streamed](std::string_view piece) { streamed += piece; });
  if (streamed != whole) std::abort();
}

/// Decodes `buffer` as `Message`, checks its report and exports it.
template <typename Message>
void decodeAndReport(const MessageBuffer& buffer) {
  Message message;
  const bool read = message.decode(buffer);
  checkReport(message);
  const Observation observation = buildObservation(message, read, "fuzz.bin");
  if (observationJson(observation).empty() || csvRows(observation).size() > (1u << 24)) {
    std::abort();
  }
  // A BUFR message states its own length in octets 5 to 7 and ends so.
  std::string bufr;
  appendObservationBufr(bufr, observation);
  const std::size_t stated = static_cast<std::size_t>(static_cast<unsigned char>(bufr[4])) << 16 |
                             static_cast<std::size_t>(static_cast<unsigned char>(bufr[5])) << 8 |
                             static_cast<unsigned char>(bufr[6]);
  if (stated != bufr.size() || bufr.compare(bufr.size() - 4, 4, "7777") != 0) std::abort();
  if constexpr (std::is_same_v<Message, Jjvv2Message>) {
    const ElementDescriptor* serial = message.sequence()[Jjvv2Message::kSerialPosition];
    if (serial->width() != 24) std::abort();
  }
}

}  // namespace xbtconv::fuzz

#endif  // XBTCONV_FUZZ_FUZZ_CHECKS_H_
