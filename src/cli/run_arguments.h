// The arguments every xbt command that takes inputs shares, with the same
// meaning everywhere: the inputs, -r, -q, -j, and for commands that write,
// -o, --update and --sync; and the arguments of the commands that make
// observations: --sample-rate and quality control's clock, --now.
#ifndef XBTCONV_CLI_RUN_ARGUMENTS_H_
#define XBTCONV_CLI_RUN_ARGUMENTS_H_

#include <CLI/CLI.hpp>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "pipeline/run/run_options.h"

namespace xbtconv {

/// Adds the run's arguments to `command`, stored in `run`; `outputs` says
/// where a writing command's outputs go ("" for a command that writes
/// none), `mirrored` whether -r mirrors subfolders under -o.
void addRunArguments(CLI::App* command, RunOptions& run, const std::string& outputs = "",
                     bool mirrored = false);

/// Adds --sample-rate, stored in `rate`.
void addSampleRateArgument(CLI::App* command, double& rate);

/// Adds --now, an ISO 8601 time, stored in `now` once parsed.
void addNowArgument(CLI::App* command, std::optional<std::int64_t>& now);

/// The most threads -j takes.
inline constexpr int kMostJobs = 1024;

/// A check of an option that takes a whole number from `first` to `last`;
/// anything else is refused in the words `refusal` gives for the text.
CLI::Validator wholeNumber(int first, int last,
                           std::function<std::string(const std::string&)> refusal);

/// The value of an option that takes one of `words` (lower case) in any
/// case, as a transform, so that the option takes the word as written
/// here; anything else is refused with the nearest word: "'jsn' is not a
/// format; did you mean 'json'? (json, csv, bufr or netcdf)".
CLI::Validator oneOfWords(std::vector<std::string> words, const std::string& what);

/// Why `text` is no time --now or --date-created takes; "" when it is one.
std::string timeProblem(const std::string& text);

}  // namespace xbtconv

#endif  // XBTCONV_CLI_RUN_ARGUMENTS_H_
