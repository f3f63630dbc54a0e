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

// Appends the report of `message` to `text`: the header, the launch lines
// when `extended` is the same message as an extended one, and the profile,
// handed to `sink` in pieces when there is one.
void assemble(const JjvvMessage& message, const Jjvv2Message* extended, const TextSink& sink,
              ReportText& text) {
  text.reserve(kHeaderRoom + profileSizeHint(message));
  appendHeader(message, text);
  if (extended != nullptr) appendExtended(*extended, text);
  appendProfile(message, text, sink);
}

}  // namespace

std::string reportText(const JjvvMessage& message) {
  ReportText text;
  assemble(message, nullptr, nullptr, text);
  return text.str();
}

void streamReport(const JjvvMessage& message, const TextSink& sink) {
  ReportText text;
  streamReport(message, sink, text);
}

void streamReport(const JjvvMessage& message, const TextSink& sink, ReportText& scratch) {
  scratch.clear();
  assemble(message, nullptr, sink, scratch);
  sink(scratch.view());
}

std::string reportText(const Jjvv2Message& message) {
  ReportText text;
  assemble(message, &message, nullptr, text);
  return text.str();
}

void streamReport(const Jjvv2Message& message, const TextSink& sink) {
  ReportText text;
  streamReport(message, sink, text);
}

void streamReport(const Jjvv2Message& message, const TextSink& sink, ReportText& scratch) {
  scratch.clear();
  assemble(message, &message, sink, scratch);
  sink(scratch.view());
}

}  // namespace xbtconv
