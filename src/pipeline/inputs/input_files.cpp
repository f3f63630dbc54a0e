#include "pipeline/inputs/input_files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "pipeline/inputs/directory_listing.h"

namespace xbtconv {
namespace {

using Visit = std::function<bool(const InputFile&)>;
using Fail = std::function<void(const std::string&, const std::string&)>;

// The *.bin files of the folder `top`, and with `recursive` those of its
// subfolders: each folder's own files first, then its subfolders in name
// order, depth first. False when `visit` asked to stop.
bool scanFolder(const std::string& top, Folder opened, std::size_t argument, bool recursive,
                const Visit& visit, const Fail& fail) {
  // A subfolder waiting its turn: opened from its parent, kept open until
  // then, only when its turn comes, so that a run holds no more folders
  // open than the tree is deep.
  struct Pending {
    std::shared_ptr<const Folder> parent;
    std::string name;
    std::string path;
    std::string subfolder;
  };
  const auto topFolder = std::make_shared<const Folder>(std::move(opened));
  std::vector<Pending> pending{{nullptr, "", top, ""}};
  while (!pending.empty()) {
    Pending next = std::move(pending.back());
    pending.pop_back();
    std::shared_ptr<const Folder> folder = topFolder;
    if (next.parent) {
      Folder here = next.parent->subfolder(next.name);
      if (!here.isOpen()) {
        // No longer a folder (swapped for a link or a file since it was
        // listed): passed over as one would be.
        if (errno != ENOTDIR && errno != ELOOP) {
          fail(next.path, std::string("cannot read directory: ") + std::strerror(errno));
        }
        continue;
      }
      folder = std::make_shared<const Folder>(std::move(here));
    }
    MessageFileLister lister(*folder);
    std::vector<FolderEntry> names;
    std::string error;
    while (lister.next(names, error) && !names.empty()) {
      for (FolderEntry& entry : names) {
        InputFile input{joinPath(next.path, entry.name),
                        next.path,
                        std::move(entry.name),
                        next.subfolder,
                        false,
                        argument,
                        folder,
                        entry.type};
        if (!visit(input)) return false;
      }
    }
    if (!error.empty()) fail(next.path, "cannot read directory: " + error);
    if (!recursive || !error.empty()) continue;
    std::vector<std::string> children;
    folder->forEachEntry([&children](std::string_view name, EntryType type) {
      if (type == EntryType::kFolder) children.emplace_back(name);
      return true;
    });
    // Last first onto the stack, so that the first is taken next.
    std::sort(children.begin(), children.end(),
              [](const std::string& a, const std::string& b) { return messageFileNameLess(b, a); });
    for (std::string& child : children) {
      std::string path = joinPath(next.path, child);
      std::string subfolder = next.subfolder.empty() ? child : joinPath(next.subfolder, child);
      pending.push_back({folder, std::move(child), std::move(path), std::move(subfolder)});
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
      Folder folder = Folder::open(path);
      if (!folder.isOpen()) {
        fail(path, std::string("cannot read directory: ") + std::strerror(errno));
        continue;
      }
      if (!scanFolder(path, std::move(folder), argument, recursive, visit, fail)) return;
    } else {
      const std::filesystem::path given(path);
      if (!visit({path, given.parent_path().string(), given.filename().string(), "", true, argument,
                  nullptr})) {
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
