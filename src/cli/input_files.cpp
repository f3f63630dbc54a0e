#include "cli/input_files.h"

#include <filesystem>
#include <system_error>

#include "driver/directory_listing.h"

namespace xbtconv {

void forEachInputFile(const std::vector<std::string>& paths,
                      const std::function<void(const InputFile&)>& visit,
                      const std::function<void(const std::string&, const std::string&)>& fail) {
  for (const std::string& path : paths) {
    std::error_code code;
    if (!std::filesystem::is_directory(path, code)) {
      const std::filesystem::path given(path);
      visit({path, given.parent_path().string(), given.filename().string(), true});
      continue;
    }
    MessageFileLister lister(path);
    std::vector<std::string> names;
    std::string error;
    while (lister.next(names, error) && !names.empty()) {
      for (const std::string& name : names) visit({joinPath(path, name), path, name, false});
    }
    if (!error.empty()) fail(path, "cannot read directory: " + error);
  }
}

std::string outputName(const std::string& name, const std::string& extension) {
  std::string stem = name;
  if (isMessageFileName(stem)) stem.resize(stem.size() - 4);
  return stem + extension;
}

}  // namespace xbtconv
