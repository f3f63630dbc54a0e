// The library's file writers, on the same writer as the commands': a file
// is whole under its name or not there at all, and never written through a
// link someone planted.
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

#include "formats/netcdf_export.h"
#include "formats/profile_id.h"
#include "pipeline/outputs/output_file.h"
#include "xbtconv/formats.h"

namespace xbtconv {

Status writeFile(const std::string& path, std::string_view content) {
  std::string error;
  if (writeOutputFile(path, content, error)) return {};
  return {Status::Code::kCannotWrite, std::move(error)};
}

Status writeNetcdf(const std::string& path, const std::vector<Observation>& observations,
                   const NetcdfOptions& options) {
  if (!netcdfAvailable()) {
    return {Status::Code::kUnavailable, "netCDF is not available in this build"};
  }
  if (observations.empty()) return {Status::Code::kInvalidArgument, "no profiles to write"};
  std::vector<std::string> folders;
  for (const Observation& observation : observations) {
    if (!observation.path.empty()) {
      folders.push_back(std::filesystem::path(observation.path).parent_path().string());
    }
  }
  NetcdfCollection collection(path, profileIdRoot(folders));
  NetcdfOptions named = options;
  if (named.id.empty() && observations.size() != 1) {
    named.id = std::filesystem::path(path).stem().string();
  }
  for (const Observation& observation : observations) collection.add(observation);
  const std::filesystem::path file(path);
  const Folder folder = Folder::open(file.parent_path().string());
  if (!folder.isOpen()) return {Status::Code::kCannotWrite, std::strerror(errno)};
  std::string error;
  std::optional<PendingOutput> written = writeTemporaryBy(
      folder, file.filename().string(),
      [&](const std::string& at, std::string& reason) {
        return collection.write(at, named, reason);
      },
      false, error);
  if (written && placeOutput(*written, false, error)) return {};
  return {Status::Code::kCannotWrite, std::move(error)};
}

}  // namespace xbtconv
