#include "pipeline/inputs/repeated_inputs.h"

#include "pipeline/inputs/path_spelling.h"

namespace xbtconv {

bool metThroughEarlierPath(const InputFile& input, const std::vector<std::string>& paths,
                           bool recursive) {
  if (input.argument == 0) return false;
  const std::string file = spelledOnce(input.path);
  for (std::size_t i = 0; i < input.argument && i < paths.size(); ++i) {
    std::string folder = spelledOnce(paths[i]);
    if (folder == file) return true;
    if (!folder.ends_with('/')) folder += '/';
    if (file.size() > folder.size() && file.starts_with(folder) &&
        (recursive || file.find('/', folder.size()) == std::string::npos)) {
      return true;
    }
  }
  return false;
}

}  // namespace xbtconv
