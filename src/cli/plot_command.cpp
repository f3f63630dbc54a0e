#include "cli/plot_command.h"

#include "cli/console_report.h"
#include "cli/run_arguments.h"

namespace xbtconv {

PlotCommand::PlotCommand(CLI::App& app)
    : command_(app.add_subcommand(
          "plot",
          "Plot each message (NAME.svg: temperature against depth, flagged samples marked) and "
          "write an index.html of them all.")) {
  addRunArguments(command_, options_.run,
                  "Folder for the plots and index.html (made when missing; default: the current "
                  "folder)");
  addSampleRateArgument(command_, options_.sampleRateHz);
  command_->add_flag("--no-qc", noQc_, "No quality control: no sample marked");
  addNowArgument(command_, options_.now);
}

int PlotCommand::run(std::FILE* out, std::FILE* err) {
  options_.qualityControl = !noQc_;
  ConsoleReport console(out, err);
  return console.finish(runPlot(options_, console.report()));
}

}  // namespace xbtconv
