#include "report/report_assembly.h"

#include "decoding/jjvv2_message.h"
#include "decoding/jjvv_message.h"
#include "report/extended_section.h"
#include "report/profile_listing.h"
#include "report/report_header.h"

namespace xbtconv {
namespace {

// Room for the header and the launch lines; with the profile's, the report
// is made in one allocation.
constexpr std::size_t kHeaderRoom = 1024;

}  // namespace

std::string reportText(const JjvvMessage& message) {
  std::string text;
  text.reserve(kHeaderRoom + profileSizeHint(message));
  appendHeader(message, text);
  appendProfile(message, text, nullptr);
  return text;
}

void streamReport(const JjvvMessage& message, const TextSink& sink) {
  std::string text;
  text.reserve(kHeaderRoom + profileSizeHint(message));
  appendHeader(message, text);
  appendProfile(message, text, sink);
  sink(text);
}

std::string reportText(const Jjvv2Message& message) {
  std::string text;
  text.reserve(kHeaderRoom + profileSizeHint(message));
  appendHeader(message, text);
  appendExtended(message, text);
  appendProfile(message, text, nullptr);
  return text;
}

void streamReport(const Jjvv2Message& message, const TextSink& sink) {
  std::string text;
  text.reserve(kHeaderRoom + profileSizeHint(message));
  appendHeader(message, text);
  appendExtended(message, text);
  appendProfile(message, text, sink);
  sink(text);
}

}  // namespace xbtconv
