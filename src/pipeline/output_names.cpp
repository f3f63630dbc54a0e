#include "pipeline/output_names.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "pipeline/directory_listing.h"
#include "pipeline/output_file.h"

namespace xbtconv {

std::string outputFolderOf(const InputFile& input, const std::string& outputFolder) {
  if (outputFolder.empty()) return input.directory;
  return input.subfolder.empty() ? outputFolder : joinPath(outputFolder, input.subfolder);
}

std::optional<std::string> OutputClaims::claim(const std::string& output,
                                               const std::string& input) {
  // The same file however the path to it is spelt; most paths need no
  // normal form made.
  const bool plain = output.find("/.") == std::string::npos &&
                     output.find("//") == std::string::npos && !output.starts_with("./") &&
                     output.find('\\') == std::string::npos;
  const std::string key =
      plain ? output : std::filesystem::path(output).lexically_normal().string();
  const auto [owner, fresh] = owners_.try_emplace(key, input);
  if (fresh) return std::nullopt;
  return output + " is already the output of " + owner->second;
}

namespace {

// A path as one spelling of the file it names: absolute, without "." and
// "..", with forward slashes; "A/x.bin" and "./A/x.bin" are the same file.
std::string spelledOnce(const std::string& path) {
  std::error_code code;
  const std::filesystem::path absolute = std::filesystem::absolute(path, code);
  return (code ? std::filesystem::path(path) : absolute).lexically_normal().generic_string();
}

}  // namespace

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

OptionsRecord::OptionsRecord(std::string name, std::string options)
    : name_(std::move(name)), options_(std::move(options)) {}

std::optional<std::filesystem::file_time_type> OptionsRecord::since(const std::string& folder) {
  const std::lock_guard<std::mutex> guard(lock_);
  const auto known = folders_.find(folder);
  if (known != folders_.end()) return known->second;
  const std::string path = outputPath(folder, name_);
  std::ostringstream held;
  held << std::ifstream(path, std::ios::binary).rdbuf();
  std::optional<std::filesystem::file_time_type> time;
  if (held.str() == options_) {
    std::error_code code;
    const std::filesystem::file_time_type written = std::filesystem::last_write_time(path, code);
    if (!code) time = written;
  } else {
    // Every output in the folder was made with other options, or none is
    // known to be ours: this run makes them all. The time alone could not
    // say so where file times are as coarse as a second.
    std::string error;
    writeOutputFile(path, options_, WriteOptions{}, error);
  }
  folders_.emplace(folder, time);
  return time;
}

bool isUpToDate(const std::string& input, const std::string& output,
                const std::optional<std::filesystem::file_time_type>& since) {
  if (!since) return false;
  std::error_code code;
  const std::filesystem::file_time_type made = std::filesystem::last_write_time(output, code);
  if (code) return false;
  const std::filesystem::file_time_type changed = std::filesystem::last_write_time(input, code);
  return !code && made >= changed && made >= *since;
}

}  // namespace xbtconv
