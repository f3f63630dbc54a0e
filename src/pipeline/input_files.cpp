#include "pipeline/input_files.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "pipeline/directory_listing.h"

namespace xbtconv {
namespace {

using Visit = std::function<bool(const InputFile&)>;
using Fail = std::function<void(const std::string&, const std::string&)>;

// The *.bin files of `top`, and with `recursive` those of its subfolders:
// each folder's own files first, then its subfolders in name order, depth
// first. False when `visit` asked to stop.
bool scanFolder(const std::string& top, std::size_t argument, bool recursive, const Visit& visit,
                const Fail& fail) {
  struct Folder {
    std::string path;
    std::string subfolder;
  };
  std::vector<Folder> pending{{top, ""}};
  while (!pending.empty()) {
    const Folder folder = std::move(pending.back());
    pending.pop_back();
    MessageFileLister lister(folder.path);
    std::vector<std::string> names;
    std::string error;
    while (lister.next(names, error) && !names.empty()) {
      for (const std::string& name : names) {
        if (!visit({joinPath(folder.path, name), folder.path, name, folder.subfolder, false,
                    argument})) {
          return false;
        }
      }
    }
    if (!error.empty()) fail(folder.path, "cannot read directory: " + error);
    if (!recursive || !error.empty()) continue;
    std::vector<std::string> children;
    std::error_code code;
    for (std::filesystem::directory_iterator entry(folder.path, code), end; !code && entry != end;
         entry.increment(code)) {
      std::error_code ignored;
      if (entry->is_directory(ignored) && !entry->is_symlink(ignored)) {
        children.push_back(entry->path().filename().string());
      }
    }
    // Last first onto the stack, so that the first is taken next.
    std::sort(children.begin(), children.end(),
              [](const std::string& a, const std::string& b) { return messageFileNameLess(b, a); });
    for (const std::string& child : children) {
      pending.push_back({joinPath(folder.path, child),
                         folder.subfolder.empty() ? child : joinPath(folder.subfolder, child)});
    }
  }
  return true;
}

}  // namespace

void forEachInputFile(const std::vector<std::string>& paths, bool recursive, const Visit& visit,
                      const Fail& fail) {
  for (std::size_t argument = 0; argument < paths.size(); ++argument) {
    const std::string& path = paths[argument];
    std::error_code code;
    if (std::filesystem::is_directory(path, code)) {
      if (!scanFolder(path, argument, recursive, visit, fail)) return;
    } else {
      const std::filesystem::path given(path);
      if (!visit({path, given.parent_path().string(), given.filename().string(), "", true,
                  argument})) {
        return;
      }
    }
  }
}

std::vector<std::string> givenFolders(const std::vector<std::string>& paths) {
  std::vector<std::string> folders;
  for (const std::string& path : paths) {
    std::error_code code;
    folders.push_back(std::filesystem::is_directory(path, code)
                          ? path
                          : std::filesystem::path(path).parent_path().string());
  }
  return folders;
}

bool passedOver(const InputFile& input, LoadFailure failure) {
  return !input.givenByName &&
         (failure == LoadFailure::kNotAMessage || failure == LoadFailure::kTooShort ||
          failure == LoadFailure::kNotRegular);
}

std::size_t countInputFiles(const std::vector<std::string>& paths, bool recursive) {
  std::size_t total = 0;
  forEachInputFile(
      paths, recursive,
      [&total](const InputFile&) {
        ++total;
        return true;
      },
      [](const std::string&, const std::string&) {});
  return total;
}

}  // namespace xbtconv
