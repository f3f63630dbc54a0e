#include "cli/qc_command.h"

#include "cli/console_report.h"
#include "cli/run_arguments.h"

namespace xbtconv {

QcCommand::QcCommand(CLI::App& app)
    : command_(app.add_subcommand(
          "qc",
          "Quality-control each message: one line per file with its profile flag, the samples "
          "flagged 3 and 4, and the tests that flagged them.")) {
  addRunArguments(command_, options_.run);
  addSampleRateArgument(command_, options_.sampleRateHz);
  addNowArgument(command_, options_.now);
}

int QcCommand::run(std::FILE* out, std::FILE* err) {
  ConsoleReport console(out, err);
  return console.finish(runQc(options_, console.report()));
}

}  // namespace xbtconv
