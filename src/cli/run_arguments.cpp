#include "cli/run_arguments.h"

#include <cctype>
#include <charconv>

#include "cli/word_suggestions.h"
#include "xbtconv/reading.h"

namespace xbtconv {

void addRunArguments(CLI::App* command, RunOptions& run, const std::string& outputs,
                     bool mirrored) {
  const bool writes = !outputs.empty();
  command
      ->add_option("PATH", run.paths,
                   "Message files, and folders whose *.bin files are taken in name order")
      ->required();
  command->add_flag("-r,--recursive", run.recursive,
                    mirrored ? "Take the *.bin files of subfolders too (mirrored under -o DIR)"
                             : "Take the *.bin files of subfolders too");
  command->add_flag("-q,--quiet", run.quiet,
                    "Name failures only: no skipped files, no warnings, no summary");
  command
      ->add_option("-j,--jobs", run.jobs,
                   "Threads to run on (default: one per core where the work pays for it, else one)")
      ->check(wholeNumber(1, kMostJobs, [](const std::string& text) {
        return "a number of threads from 1 to " + std::to_string(kMostJobs) + ", not '" + text +
               "'";
      }));
  if (!writes) return;
  command->add_option("-o,--output-dir", run.outputDirectory, outputs);
  command->add_flag("--update", run.update,
                    "Pass over inputs whose outputs are current: made from the input as it is "
                    "now, with the same options, and not changed since");
  command->add_flag("--sync", run.sync,
                    "Flush each output and its folder to disk before going on (slower; for "
                    "power loss)");
}

void addSampleRateArgument(CLI::App* command, double& rate) {
  command
      ->add_option("--sample-rate", rate,
                   "Samples per second of full-resolution profiles, for their depths (default 10)")
      ->check(CLI::Validator(
          [](std::string& text) {
            double ignored = 0;
            return parseSampleRate(text, ignored).message();
          },
          "HZ", "rate"));
}

CLI::Validator wholeNumber(int first, int last,
                           std::function<std::string(const std::string&)> refusal) {
  return CLI::Validator(
      [first, last, refusal = std::move(refusal)](std::string& text) {
        int number = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
        const bool taken = error == std::errc() && end == text.data() + text.size() &&
                           number >= first && number <= last;
        return taken ? std::string() : refusal(text);
      },
      "N", "number");
}

CLI::Validator oneOfWords(std::vector<std::string> words, const std::string& what) {
  std::string listed;
  std::string choices;
  for (std::size_t i = 0; i < words.size(); ++i) {
    listed += (i == 0 ? "" : i + 1 == words.size() ? " or " : ", ") + words[i];
    choices += (i == 0 ? "" : "|") + words[i];
  }
  const std::string article =
      std::string("aeiou").find(what.front()) == std::string::npos ? "a " : "an ";
  // A transform, not a check: CLI11 hands a check a copy of the value, so
  // that the word folded to lower case would be lost and the option keep
  // its default.
  return CLI::Validator(
      [words = std::move(words), what = article + what, listed](std::string& text) {
        std::string word;
        for (const char c : text)
          word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        for (const std::string& known : words) {
          if (word == known) {
            text = known;
            return std::string();
          }
        }
        return "'" + text + "' is not " + what + didYouMean(word, words) + " (" + listed + ")";
      },
      choices, what);
}

std::string timeProblem(const std::string& text) {
  if (parseTime(text)) return "";
  return "expected a time such as 2026-03-14T06:05:00Z or 2026-03-14T08:05+02:00, not '" + text +
         "'";
}

void addNowArgument(CLI::App* command, std::optional<std::int64_t>& now) {
  command
      ->add_option_function<std::string>(
          "--now", [&now](const std::string& text) { now = parseTime(text); },
          "Quality control's clock, an ISO 8601 time (UTC, or with its zone): an observation up "
          "to a day later is probably bad, a later one impossible (default: the system clock)")
      ->check(CLI::Validator([](std::string& text) { return timeProblem(text); }, "ISO-TIME",
                             "ISO time"));
}

}  // namespace xbtconv
