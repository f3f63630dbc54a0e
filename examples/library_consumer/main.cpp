// xbt_summary FILE: decodes one standard XBT message with the xbtconv
// library and prints it as JSON, the way another project would use it.
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

#include "decoding/jjvv_message.h"
#include "export/json_export.h"
#include "profile/observation.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::ifstream in(argv[1], std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
  xbtconv::JjvvMessage message;
  const bool read = message.decode({static_cast<std::int32_t>(bytes.size()), bytes.data()});
  std::cout << xbtconv::observationJson(xbtconv::buildObservation(message, read, argv[1])) << "\n";
  return read ? 0 : 1;
}
