#include "report/report_assembly.h"

#include "decoding/jjvv2_message.h"
#include "decoding/jjvv_message.h"
#include "report/extended_section.h"
#include "report/profile_listing.h"
#include "report/report_header.h"

namespace xbtconv {

std::string reportText(const JjvvMessage& message) {
  std::string text = headerText(message);
  appendProfile(message, text, nullptr);
  return text;
}

void streamReport(const JjvvMessage& message, const TextSink& sink) {
  std::string text = headerText(message);
  appendProfile(message, text, sink);
  sink(text);
}

std::string reportText(const Jjvv2Message& message) {
  std::string text = headerText(message);
  text += extendedText(message);
  appendProfile(message, text, nullptr);
  return text;
}

void streamReport(const Jjvv2Message& message, const TextSink& sink) {
  std::string text = headerText(message);
  text += extendedText(message);
  appendProfile(message, text, sink);
  sink(text);
}

}  // namespace xbtconv
