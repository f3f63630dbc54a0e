#include "report/report_assembly.h"

#include "decoding/jjvv_message.h"
#include "report/profile_listing.h"
#include "report/report_header.h"

namespace xbtconv {

std::string reportText(const JjvvMessage& message) {
  std::string text = headerText(message);
  text += profileText(message);
  return text;
}

}  // namespace xbtconv
