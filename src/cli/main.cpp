#include <cstdint>
#include <iostream>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli.h"
#include "core/about/version_info.h"

namespace {

constexpr const char* kProgram = "crawlspect-cli";

// The commands a user can choose; `help` itself is left out of the help text
// so that the text stays what it has always been.
std::vector<CLI::App*> visibleCommands(CLI::App& app) {
  return app.get_subcommands([](CLI::App* sub) { return !sub->get_group().empty(); });
}

// "fetch, crawl, analyze or report"
std::string commandList(CLI::App& app) {
  const std::vector<CLI::App*> commands = visibleCommands(app);
  std::string list;
  for (std::size_t i = 0; i < commands.size(); ++i) {
    if (i > 0) list += i + 1 == commands.size() ? " or " : ", ";
    list += commands[i]->get_name();
  }
  return list;
}

std::string inQuotes(const std::string& text) { return '"' + text + '"'; }

// CLI11 shows integer options as INT, with any range after a colon.
bool takesWholeNumber(const CLI::Option* option) {
  return option != nullptr && option->get_type_name().rfind("INT", 0) == 0;
}

// As CLI11 reads integers (hexadecimal and octal too), or digits too many for
// any integer type.
bool isWholeNumber(const std::string& text) {
  std::int64_t value = 0;
  return CLI::detail::lexical_cast(text, value) || std::regex_match(text, std::regex("[+-]?[0-9]+"));
}

// A value an integer option refused: not a number at all, or too large or
// too small for the type.
std::string badWholeNumber(const std::string& name, const std::string& value) {
  if (!isWholeNumber(value)) return name + ": " + inQuotes(value) + " is not a whole number";
  return name + ": " + inQuotes(value) + (value[0] == '-' ? " is too small" : " is too large");
}

// One line naming what is wrong with the command line. CLI11 keeps only a
// message in its errors, so the option's name and the refused value are read
// back from the messages of the CLI11 version this is built with; a message
// of another form is passed on as it is, on one line.
std::string describe(CLI::App& app, CLI::App* chosen, const CLI::ParseError& error) {
  const std::string message = error.what();
  std::smatch m;
  CLI::App& scope = chosen != nullptr ? *chosen : app;
  const auto option = [&scope](const std::string& name) { return scope.get_option_no_throw(name); };

  if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr ||
      (chosen == nullptr && dynamic_cast<const CLI::RequiredError*>(&error) != nullptr)) {
    // Without a command CLI11 complains about the missing command first,
    // though what the user typed was most likely a misspelt one.
    const std::vector<std::string> leftOver = app.remaining(true);
    if (leftOver.empty()) return "missing command (" + commandList(app) + ")";
    const std::string& first = leftOver.front();
    if (first.rfind('-', 0) == 0) return "unknown option " + inQuotes(first);
    if (chosen == nullptr) return "unknown command " + inQuotes(first);
    return "unexpected argument " + inQuotes(first);
  }
  if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr &&
      std::regex_match(message, m, std::regex("(.+) is required")))
    return "missing " + m.str(1);
  if (dynamic_cast<const CLI::ConversionError*>(&error) != nullptr &&
      std::regex_match(message, m, std::regex("Could not convert: (\\S+) = (.*)")) &&
      takesWholeNumber(option(m.str(1))))
    return badWholeNumber(m.str(1), m.str(2));
  if (dynamic_cast<const CLI::ValidationError*>(&error) != nullptr) {
    if (std::regex_match(message, m, std::regex("(\\S+): Value (.*) not in range (\\S+) to (\\S+)"))) {
      if (takesWholeNumber(option(m.str(1))) && !isWholeNumber(m.str(2))) return badWholeNumber(m.str(1), m.str(2));
      return m.str(1) + ": " + inQuotes(m.str(2)) + " is not in the range " + m.str(3) + " to " + m.str(4);
    }
    if (std::regex_match(message, m, std::regex("(\\S+): (.*) not in \\{(.*)\\}")))
      return m.str(1) + ": " + inQuotes(m.str(2)) + " is not one of " +
             std::regex_replace(m.str(3), std::regex(","), ", ");
    if (std::regex_match(message, m, std::regex("(\\S+): File does not exist: (.*)")))
      return m.str(1) + ": no such file " + inQuotes(m.str(2));
  }
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
    if (std::regex_match(message, m, std::regex("(\\S+): [0-9]+ required .* missing")))
      return m.str(1) + ": missing value";
    if (std::regex_match(message, m, std::regex("(\\S+): At Most .*"))) return m.str(1) + ": given more than once";
  }
  return std::regex_replace(message, std::regex("\n+"), " ");
}

// The answer to a command line that cannot be run: the problem and where to
// read how it is done, on standard error; status 2.
int usageError(const std::string& problem, const CLI::App* chosen) {
  std::cerr << kProgram << ": " << problem << "\n"
            << "Try '" << kProgram << (chosen != nullptr ? " help " + chosen->get_name() : std::string(" --help"))
            << "' for more information." << std::endl;
  return 2;
}

// `help` prints what `--help` prints; `help COMMAND` what `COMMAND --help` prints.
void addHelpCommand(CLI::App& app, crawlspect::cli::Commands& commands) {
  auto command = std::make_shared<std::string>();
  auto* cmd = app.add_subcommand("help", "Show the help of the program or of one command");
  cmd->add_option("COMMAND", *command, "The command to explain");
  cmd->group("");
  commands.emplace_back(cmd, [&app, command] {
    if (command->empty()) {
      // app.help() would show the help of the command chosen, which is this one.
      std::cout << app.get_formatter()->make_help(&app, app.get_name(), CLI::AppFormatMode::Normal) << std::flush;
      return 0;
    }
    for (CLI::App* sub : app.get_subcommands([](CLI::App*) { return true; }))
      if (sub->get_name() == *command) {
        std::cout << sub->help(app.get_name()) << std::flush;
        return 0;
      }
    return usageError("unknown command " + inQuotes(*command), nullptr);
  });
}

}  // namespace

int main(int argc, char** argv) {
  // Answered before CLI11 sees it: a hidden CLI11 flag would still add an
  // empty line to the help text.
  if (argc >= 2 && std::string_view(argv[1]) == "--version") {
    std::cout << kProgram << " " << crawlspect::readVersionInfo().productVersion << std::endl;
    return 0;
  }
  CLI::App app{"Crawlspect: website crawler and on-page SEO audit, without a window", kProgram};
  app.require_subcommand(1);
  crawlspect::cli::Commands commands;
  crawlspect::cli::addFetchCommand(app, commands);
  crawlspect::cli::addCrawlCommand(app, commands);
  crawlspect::cli::addAnalyzeCommand(app, commands);
  crawlspect::cli::addReportCommand(app, commands);
  addHelpCommand(app, commands);
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    // --help: the text goes to standard output, status 0.
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    const std::vector<CLI::App*> chosen = app.get_subcommands();
    CLI::App* command = chosen.empty() || chosen.front()->get_group().empty() ? nullptr : chosen.front();
    return usageError(describe(app, chosen.empty() ? nullptr : chosen.front(), e), command);
  }
  for (auto& [sub, run] : commands)
    if (sub->parsed()) return run();
  return 2;
}
