// Decodes BUFR messages with Debian's libwreport, a decoder independent of
// ours and of ecCodes, and prints one JSON line per message:
//
//     wreport_dump FILE
//
// {"centre":..,"subcentre":..,"master_table_version":..,
//  "local_table_version":..,"category":..,"subcategory":..,
//  "local_subcategory":..,"update_sequence":..,"year":..,"month":..,
//  "day":..,"hour":..,"minute":..,"second":..,
//  "values":[["B01079","text"],["B05001",-45.12345],["B22042",null],...]}
//
// values are the first subset's variables in order: numbers with exactly the
// decimals the element holds, texts without trailing spaces, null for
// missing. A message wreport cannot decode gives {"error":"..."} and exit
// status 1 once all are printed.
#include <wreport/bulletin.h>
#include <wreport/error.h>
#include <wreport/var.h>
#include <wreport/varinfo.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>

namespace {

std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7f) {
      // Bytes past ASCII as the Latin-1 characters, so the line stays UTF-8.
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string value_of(const wreport::Var& var) {
  if (!var.isset()) return "null";
  const wreport::Varinfo info = var.info();
  char number[64];
  switch (info->type) {
    case wreport::Vartype::Integer:
      std::snprintf(number, sizeof number, "%d", var.enqi());
      return number;
    case wreport::Vartype::Decimal:
      std::snprintf(number, sizeof number, "%.*f", std::max(info->scale, 0), var.enqd());
      return number;
    case wreport::Vartype::String: {
      std::string text = var.enqc();
      text.erase(text.find_last_not_of(' ') + 1);
      return quoted(text);
    }
    case wreport::Vartype::Binary:
      return quoted(var.format());
  }
  return "null";
}

void print(const wreport::BufrBulletin& bulletin) {
  std::printf(
      "{\"centre\":%u,\"subcentre\":%u,\"master_table_version\":%u,"
      "\"local_table_version\":%u,\"category\":%u,\"subcategory\":%u,"
      "\"local_subcategory\":%u,\"update_sequence\":%u,\"year\":%u,\"month\":%u,"
      "\"day\":%u,\"hour\":%u,\"minute\":%u,\"second\":%u,\"values\":[",
      unsigned{bulletin.originating_centre}, unsigned{bulletin.originating_subcentre},
      unsigned{bulletin.master_table_version_number},
      unsigned{bulletin.master_table_version_number_local}, unsigned{bulletin.data_category},
      unsigned{bulletin.data_subcategory}, unsigned{bulletin.data_subcategory_local},
      unsigned{bulletin.update_sequence_number}, unsigned{bulletin.rep_year},
      unsigned{bulletin.rep_month}, unsigned{bulletin.rep_day}, unsigned{bulletin.rep_hour},
      unsigned{bulletin.rep_minute}, unsigned{bulletin.rep_second});
  if (!bulletin.subsets.empty()) {
    const char* separator = "";
    for (const wreport::Var& var : bulletin.subsets.front()) {
      std::printf("%s[\"%s\",%s]", separator, wreport::varcode_format(var.code()).c_str(),
                  value_of(var).c_str());
      separator = ",";
    }
  }
  std::printf("]}\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: wreport_dump FILE\n");
    return 2;
  }
  std::unique_ptr<FILE, int (*)(FILE*)> in(std::fopen(argv[1], "rb"), std::fclose);
  if (!in) {
    std::perror(argv[1]);
    return 2;
  }
  bool failed = false;
  std::string raw;
  off_t offset = 0;
  while (true) {
    try {
      if (!wreport::BufrBulletin::read(in.get(), raw, argv[1], &offset)) break;
    } catch (const std::exception& e) {
      // Past a message whose length cannot be trusted there is no next one to find.
      std::printf("{\"error\":%s}\n", quoted(e.what()).c_str());
      failed = true;
      break;
    }
    try {
      print(*wreport::BufrBulletin::decode(raw, argv[1], offset));
    } catch (const std::exception& e) {
      std::printf("{\"error\":%s}\n", quoted(e.what()).c_str());
      failed = true;
    }
  }
  return failed ? 1 : 0;
}
