#include "pipeline/outputs/output_names.h"

#include "pipeline/inputs/directory_listing.h"

namespace xbtconv {

std::string outputFolderOf(const InputFile& input, const std::string& outputFolder) {
  if (outputFolder.empty()) return input.directory;
  return input.subfolder.empty() ? outputFolder : joinPath(outputFolder, input.subfolder);
}

std::string outputName(const std::string& name, const std::string& extension) {
  std::string stem = name;
  if (isMessageFileName(stem)) stem.resize(stem.size() - 4);
  return stem + extension;
}

std::string outputPath(const std::string& directory, const std::string& name) {
  return directory.empty() ? name : joinPath(directory, name);
}

}  // namespace xbtconv
