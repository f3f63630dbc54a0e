// The outputs of a run: where each input's output goes, that no two inputs
// of a run write one output (a later one fails instead of overwriting the
// earlier one's), and whether an output is up to date with its input, for
// runs that do only what changed since the last one.
#ifndef XBTCONV_PIPELINE_OUTPUT_NAMES_H_
#define XBTCONV_PIPELINE_OUTPUT_NAMES_H_

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "pipeline/input_files.h"

namespace xbtconv {

/// The folder `input`'s outputs go to: beside it, or under `outputFolder`
/// with the input's subfolder (of a recursive scan) mirrored.
std::string outputFolderOf(const InputFile& input, const std::string& outputFolder);

/// The outputs a run has written or will write, each with the input it is
/// the output of.
class OutputClaims {
 public:
  /// Claims `output` for `input`; when another input has it already, returns
  /// the reason the later one fails: "OUTPUT is already the output of INPUT".
  std::optional<std::string> claim(const std::string& output, const std::string& input);

 private:
  std::unordered_map<std::string, std::string> owners_;
};

/// Whether `input` was met already through an earlier PATH of `paths`: the
/// same file named twice, or named besides a folder that holds it (with
/// `recursive`, at any depth), however the paths are spelt ("A" and
/// "./A/x.bin"; links are not followed). It keeps nothing from input to
/// input, as a collection of millions cannot.
bool metThroughEarlierPath(const InputFile& input, const std::vector<std::string>& paths,
                           bool recursive);

/// A record of the options that made the outputs of a folder (a hidden file
/// there), so that a run with other options does not take earlier outputs
/// for its own. Rewritten when the options differ, which makes it newer than
/// every output made with the old ones.
/// Safe to use from several threads.
class OptionsRecord {
 public:
  /// `name` is the record's file name, `options` the text of the options.
  OptionsRecord(std::string name, std::string options);

  /// The time of the record of `folder`; none, so that nothing there is up
  /// to date, when the record was missing or different (it is then written
  /// for the runs to come).
  std::optional<std::filesystem::file_time_type> since(const std::string& folder);

 private:
  std::string name_;
  std::string options_;
  std::mutex lock_;
  std::unordered_map<std::string, std::optional<std::filesystem::file_time_type>> folders_;
};

/// Whether `output` exists and is no older than `input` nor than `since`.
bool isUpToDate(const std::string& input, const std::string& output,
                const std::optional<std::filesystem::file_time_type>& since =
                    std::filesystem::file_time_type::min());

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_OUTPUT_NAMES_H_
