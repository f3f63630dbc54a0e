// The bundled example messages: a handful of observations made with the
// project's own message builder, one file per case the converter handles.
#ifndef XBTCONV_EXAMPLES_EXAMPLE_MESSAGES_H_
#define XBTCONV_EXAMPLES_EXAMPLE_MESSAGES_H_

#include <cstdint>
#include <string>
#include <vector>

namespace xbtconv::examples {

struct ExampleFile {
  std::string name;                 // file name, ending in ".bin"
  std::string about;                // what the file shows
  std::vector<std::uint8_t> bytes;  // the file's content
};

/// The example files, in name order.
std::vector<ExampleFile> exampleFiles();

}  // namespace xbtconv::examples

#endif  // XBTCONV_EXAMPLES_EXAMPLE_MESSAGES_H_
