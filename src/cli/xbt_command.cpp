#include "cli/xbt_command.h"

#include <CLI/CLI.hpp>
#include <sstream>

#include "cli/convert_command.h"
#include "cli/export_command.h"
#include "cli/info_command.h"
#include "cli/plot_command.h"
#include "cli/qc_command.h"
#ifdef XBT_HAVE_RELAY
#include "cli/relay_command.h"
#endif
#include "cli/word_suggestions.h"
#include "xbtconv/version.h"

namespace xbtconv {
namespace {

// The subcommand named `name`, or nullptr.
CLI::App* commandNamed(CLI::App& app, const std::string& name) {
  const std::vector<CLI::App*> found =
      app.get_subcommands([&name](CLI::App* command) { return command->get_name() == name; });
  return found.empty() ? nullptr : found.front();
}

std::string notACommand(CLI::App& app, const std::string& word) {
  std::vector<std::string> commands;
  for (const CLI::App* command : app.get_subcommands([](CLI::App*) { return true; })) {
    commands.push_back(command->get_name());
  }
  return "'" + word + "' is not an xbt command" + didYouMean(word, commands) +
         " (xbt --help lists them)";
}

// What the command line asks for that xbt does not know, said before the
// parser's own message (which names what it missed next, not the typo):
// an unknown command, or an option its command does not have. "" when
// all is known.
std::string unknownWords(CLI::App& app, int argc, const char* const* argv) {
  CLI::App* command = nullptr;
  bool value = false;  // the word is the value of the option before it
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word == "--") break;
    if (command == nullptr) {
      if (word.starts_with("-")) continue;
      command = commandNamed(app, word);
      if (command == nullptr) return notACommand(app, word);
      continue;
    }
    if (value || !word.starts_with("-") || word == "-") {
      if (!value) {
        if (CLI::App* inner = commandNamed(*command, word)) command = inner;
      }
      value = false;
      continue;
    }
    // A short option may carry its value ("-j2") or more flags ("-rq").
    const bool isLong = word.starts_with("--");
    const std::string name = isLong ? word.substr(0, word.find('=')) : word.substr(0, 2);
    if (name == "-h" || name == "--help") continue;
    // An inner command (relay status) takes its outer command's options.
    const CLI::Option* known = nullptr;
    for (CLI::App* at = command; at != nullptr && known == nullptr; at = at->get_parent()) {
      known = at->get_option_no_throw(name);
    }
    if (known != nullptr) {
      value = known->get_type_size() != 0 &&
              (isLong ? word.find('=') == std::string::npos : word.size() == 2);
      continue;
    }
    std::vector<std::string> options;
    for (const CLI::Option* option : command->get_options()) {
      for (const std::string& longName : option->get_lnames()) options.push_back("--" + longName);
    }
    return "xbt " + command->get_name() + " has no option '" + name + "'" +
           didYouMean(name, options) + " (xbt " + command->get_name() + " --help lists them)";
  }
  return "";
}

}  // namespace

int runXbt(int argc, const char* const* argv, std::FILE* out, std::FILE* err) {
  CLI::App app(
      "XBT messages as data (JSON, CSV, BUFR, netCDF), quality-controlled, the legacy "
      "reports, plots, and a quick look at each file.",
      "xbt");
  // A path such as /data/ship is a path on Windows too, not an option; the
  // subcommands take this setting from the app as they are added.
  app.allow_windows_style_options(false);
  app.set_version_flag("--version", std::string("xbt ") + XBTCONV_VERSION_TEXT);
  app.require_subcommand(1);
  ExportCommand exporting(app);
  ConvertCommand converting(app);
  PlotCommand plotting(app);
  QcCommand checking(app);
  InfoCommand describing(app);
#ifdef XBT_HAVE_RELAY
  RelayCommand relaying(app);
#endif

  // xbt help [COMMAND]: the same as xbt [COMMAND] --help.
  if (argc >= 2 && std::string(argv[1]) == "help") {
    if (argc < 3) {
      std::fputs(app.help().c_str(), out);
      return 0;
    }
    if (CLI::App* command = commandNamed(app, argv[2])) {
      std::fputs(command->help().c_str(), out);
      return 0;
    }
    std::fprintf(err, "xbt: %s\n", notACommand(app, argv[2]).c_str());
    return 2;
  }
  if (const std::string unknown = unknownWords(app, argc, argv); !unknown.empty()) {
    std::fprintf(err, "xbt: %s\n", unknown.c_str());
    return 2;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    // Help and the version are what was asked for; anything else is a
    // usage error.
    if (error.get_exit_code() == 0) {
      std::ostringstream help;
      std::ostringstream ignored;
      app.exit(error, help, ignored);
      std::fputs(help.str().c_str(), out);
      return 0;
    }
    std::fprintf(err, "xbt: %s\n", error.what());
    return 2;
  }
  if (exporting.command()->parsed()) return exporting.run(out, err);
  if (converting.command()->parsed()) return converting.run(out, err);
  if (plotting.command()->parsed()) return plotting.run(out, err);
  if (checking.command()->parsed()) return checking.run(out, err);
#ifdef XBT_HAVE_RELAY
  if (relaying.command()->parsed()) return relaying.run(out, err);
#endif
  return describing.run(out, err);
}

}  // namespace xbtconv
