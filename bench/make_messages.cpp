// make_messages: writes generated messages for the benchmark scripts.
//
//   make_messages uncounted FILE MIB TYPE
//     A kind-1 message of MIB mebibytes whose group count is missing, with
//     profile layout TYPE (1, 2 or 3): the profile loop runs to the end of
//     the buffer, the worst case for the converter's memory.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "support/message_builder.h"

namespace {

int uncounted(const char* path, long mebibytes, int type) {
  xbtconv::testing::StandardFields fields;
  fields.typeOfData = static_cast<std::uint64_t>(type);
  fields.groupCount = xbtconv::testing::kAllOnes;
  std::vector<std::uint8_t> bytes = xbtconv::testing::standardMessage(fields);
  // The rest is a plausible profile pattern, never all ones.
  const std::size_t size = static_cast<std::size_t>(mebibytes) << 20;
  const std::size_t fixed = bytes.size();
  bytes.resize(size);
  for (std::size_t i = fixed; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(0x35 + i % 7);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(size));
  return out ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "uncounted") == 0) {
    return uncounted(argv[2], std::atol(argv[3]), std::atoi(argv[4]));
  }
  std::fprintf(stderr, "usage: make_messages uncounted FILE MIB TYPE\n");
  return 2;
}
