// The outputs a run has written or will write, each with the input it is
// the output of, so that no two inputs of a run write one output (a later
// one fails instead of overwriting the earlier one's) and no output
// replaces an input.
#ifndef XBTCONV_PIPELINE_OUTPUTS_OUTPUT_CLAIMS_H_
#define XBTCONV_PIPELINE_OUTPUTS_OUTPUT_CLAIMS_H_

#include <optional>
#include <string>
#include <unordered_map>

namespace xbtconv {

class OutputClaims {
 public:
  /// Marks `path` as an input: no output may take its place.
  void protectInput(const std::string& path);
  /// Claims `output` for `input`; when another input has it already, or it
  /// is an input itself, returns the reason the claim fails: "OUTPUT is
  /// already the output of INPUT", "OUTPUT is an input".
  std::optional<std::string> claim(const std::string& output, const std::string& input);

 private:
  std::unordered_map<std::string, std::string> owners_;  // "" for an input
};

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_OUTPUTS_OUTPUT_CLAIMS_H_
