#include "driver/batch_driver.h"

#include <vector>

#include "driver/directory_listing.h"
#include "driver/message_file.h"

namespace xbtconv {
namespace {

void convertFile(const std::string& directory, const std::string& name, std::FILE* console) {
  std::fputc('\n', console);
  std::fputs(name.c_str(), console);
  const std::string path = joinPath(directory, name);
  LoadedFile file = loadMessageFile(path);
  if (file.kind != 1 && file.kind != 2) return;
  // The message kinds are not converted yet: a recognised file gets its
  // name line only.
}

}  // namespace

std::string directoryArgument(int argc, const char* const* argv) {
  return argc == 2 ? std::string(argv[1]) : std::string(".");
}

int runBatch(const std::string& directory, std::FILE* console, std::FILE* errors) {
  std::vector<std::string> names;
  std::string error;
  if (!listMessageFiles(directory, names, error)) {
    std::fprintf(errors, "xbtconv: cannot read directory '%s': %s\n", directory.c_str(),
                 error.c_str());
    return 0;
  }
  for (const std::string& name : names) convertFile(directory, name, console);
  return 0;
}

}  // namespace xbtconv
