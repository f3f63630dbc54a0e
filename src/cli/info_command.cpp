#include "cli/info_command.h"

#include "cli/console_report.h"
#include "cli/run_arguments.h"

namespace xbtconv {

InfoCommand::InfoCommand(CLI::App& app)
    : command_(app.add_subcommand(
          "info",
          "One line per message file: name, kind, time, position, probe, layout, samples, "
          "status.")) {
  addRunArguments(command_, options_);
}

int InfoCommand::run(std::FILE* out, std::FILE* err) {
  ConsoleReport console(out, err);
  return console.finish(runInfo(options_, console.report()));
}

}  // namespace xbtconv
