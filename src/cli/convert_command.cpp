#include "cli/convert_command.h"

#include "cli/console_report.h"
#include "cli/progress_bar.h"
#include "cli/run_arguments.h"
#include "pipeline/inputs/input_files.h"

namespace xbtconv {

ConvertCommand::ConvertCommand(CLI::App& app)
    : command_(app.add_subcommand(
          "convert", "Write the legacy report of each message (NAME.bin.srp), as xbtconv does.")) {
  addRunArguments(command_, options_.run,
                  "Folder for the reports (made when missing, subfolders mirrored); default: "
                  "beside each input",
                  true);
  command_->add_flag("-v,--verbose", options_.verbose,
                     "Print each report written on standard output");
  command_
      ->add_option("--progress", progress_,
                   "A progress bar on standard error: auto (on a terminal), always or never")
      ->transform(oneOfWords({"auto", "always", "never"}, "progress mode"));
}

int ConvertCommand::run(std::FILE* out, std::FILE* err) {
  const bool shown = progress_ == "always" || (progress_ == "auto" && isTerminal(err));
  // The bar needs the total; listing the folders twice costs little next
  // to converting what is in them.
  const std::size_t total = shown ? countInputFiles(options_.run.paths, options_.run.recursive) : 0;
  ProgressBar bar(err, total, shown);
  ConsoleReport console(out, err, &bar);
  console.printNames();
  const int status = runConvert(options_, console.report());
  bar.clear();
  return console.finish(status);
}

}  // namespace xbtconv
