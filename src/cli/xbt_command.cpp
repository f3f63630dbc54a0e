#include "cli/xbt_command.h"

#include <CLI/CLI.hpp>
#include <cctype>
#include <filesystem>
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

std::vector<std::string> commandNames(CLI::App& app) {
  std::vector<std::string> commands;
  for (const CLI::App* command : app.get_subcommands([](CLI::App*) { return true; })) {
    commands.push_back(command->get_name());
  }
  return commands;
}

std::string notACommand(CLI::App& app, const std::string& word) {
  return "'" + word + "' is not an xbt command" + didYouMean(word, commandNames(app)) +
         " (xbt --help lists them)";
}

// "export, convert, plot, qc, info or relay": the commands this build has.
std::string commandList(CLI::App& app) {
  const std::vector<std::string> commands = commandNames(app);
  std::string listed;
  for (std::size_t i = 0; i < commands.size(); ++i) {
    listed += (i == 0 ? "" : i + 1 == commands.size() ? " or " : ", ") + commands[i];
  }
  return listed;
}

// The command the command line names, or nullptr.
CLI::App* commandIn(CLI::App& app, int argc, const char* const* argv) {
  for (int i = 1; i < argc && std::string(argv[i]) != "--"; ++i) {
    if (!std::string(argv[i]).starts_with("-")) return commandNamed(app, argv[i]);
  }
  return nullptr;
}

// "xbt info has no option '-l'" of a word that is a file's name rather
// than options ("-leading.bin"): where such a name goes.
std::string nameHint(const std::string& command, const std::string& word) {
  std::error_code ignored;
  std::string lower;
  for (const char c : word) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (!lower.ends_with(".bin") && !std::filesystem::exists(word, ignored)) return "";
  return "; a name that begins with '-' goes after '--': xbt " + command + " -- " + word;
}

// What the command line asks for that xbt does not know, said before the
// parser's own message (which names what it missed next, not the typo):
// an unknown command, or an option its command (or xbt) does not have. ""
// when all is known.
std::string unknownWords(CLI::App& app, int argc, const char* const* argv) {
  CLI::App* command = nullptr;
  bool value = false;  // the word is the value of the option before it
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word == "--") break;
    if (command == nullptr && !word.starts_with("-")) {
      command = commandNamed(app, word);
      if (command == nullptr) return notACommand(app, word);
      continue;
    }
    if (value || !word.starts_with("-") || word == "-") {
      if (!value && command != nullptr) {
        if (CLI::App* inner = commandNamed(*command, word)) {
          command = inner;
        } else if (!commandNames(*command).empty() &&
                   command->get_option_no_throw(word) == nullptr &&
                   command
                       ->get_options(
                           [](const CLI::Option* option) { return option->get_positional(); })
                       .empty()) {
          // A command of commands (relay) takes no word of its own: a typo
          // of one of its commands.
          const std::string who = "xbt " + command->get_name();
          std::string said = "'" + word + "' is not a command of ";
          said += who;
          said += didYouMean(word, commandNames(*command));
          said += " (";
          said += who;
          said += " --help lists them)";
          return said;
        }
      }
      value = false;
      continue;
    }
    // A short option may carry its value ("-j2") or more flags ("-rq").
    const bool isLong = word.starts_with("--");
    const std::string name = isLong ? word.substr(0, word.find('=')) : word.substr(0, 2);
    if (name == "-h" || name == "--help") continue;
    CLI::App& asked = command != nullptr ? *command : app;
    // An inner command (relay status) takes its outer command's options.
    const CLI::Option* known = nullptr;
    for (CLI::App* at = &asked; at != nullptr && known == nullptr; at = at->get_parent()) {
      known = at->get_option_no_throw(name);
    }
    if (known != nullptr) {
      if (!isLong && known->get_expected_max() == 0 && word.size() > 2 && word[2] == '=') {
        return name + " takes no value";
      }
      value = known->get_expected_max() != 0 &&
              (isLong ? word.find('=') == std::string::npos : word.size() == 2);
      continue;
    }
    std::vector<std::string> options;
    for (const CLI::Option* option : asked.get_options()) {
      for (const std::string& longName : option->get_lnames()) options.push_back("--" + longName);
    }
    const std::string who = command != nullptr ? "xbt " + command->get_name() : "xbt";
    const std::string hint = command != nullptr ? nameHint(command->get_name(), word) : "";
    std::string said = who + " has no option '";
    said += name + "'" + didYouMean(name, options);
    said += hint.empty() ? " (" + who + " --help lists them)" : hint;
    return said;
  }
  return "";
}

// The parser's refusals in xbt's own words; `command` is "" when the
// command line names none.
std::string inOurWords(CLI::App& app, const CLI::ParseError& error, const std::string& command) {
  std::string what = error.what();
  const std::string name = what.substr(0, what.find(':'));
  const std::string help = command.empty() ? "xbt --help" : "xbt " + command + " --help";
  if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr) {
    return command.empty()
               ? "which command? " + commandList(app) + " (" + help + " says what each does)"
               : command + " needs a PATH, a message file or a folder of them (" + help +
                     " says more)";
  }
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
    return what.find(" missing") != std::string::npos
               ? name + " needs a value (" + help + " says which)"
               : name + " is given more than once";
  }
  if (dynamic_cast<const CLI::ExcludesError*>(&error) != nullptr) {
    const std::size_t excludes = what.find(" excludes ");
    return what.substr(0, excludes) + " and " + what.substr(excludes + 10) + " cannot go together";
  }
  if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
    return "'" + what.substr(what.rfind(": ") + 2) + "' is not what " +
           (command.empty() ? "xbt" : "xbt " + command) + " takes (" + help + " says what it does)";
  }
  return what;
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
      std::fputs(command->help("xbt").c_str(), out);
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
    const CLI::App* command = commandIn(app, argc, argv);
    std::fprintf(err, "xbt: %s\n",
                 inOurWords(app, error, command != nullptr ? command->get_name() : "").c_str());
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
