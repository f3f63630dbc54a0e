// make_examples DIR: writes the bundled example messages into DIR.
#include <cstdio>
#include <fstream>

#include "example_messages.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_examples DIR\n");
    return 2;
  }
  for (const xbtconv::examples::ExampleFile& file : xbtconv::examples::exampleFiles()) {
    std::ofstream out(std::string(argv[1]) + "/" + file.name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.bytes.data()),
              static_cast<std::streamsize>(file.bytes.size()));
    if (!out) return 1;
    std::printf("%-32s %5zu bytes  %s\n", file.name.c_str(), file.bytes.size(), file.about.c_str());
  }
  return 0;
}
