#include <iostream>

#include "cli/cli.h"

int main(int argc, char** argv) {
  CLI::App app{"Crawlspect: website crawler and on-page SEO audit, without a window", "crawlspect-cli"};
  app.require_subcommand(1);
  crawlspect::cli::Commands commands;
  crawlspect::cli::addFetchCommand(app, commands);
  crawlspect::cli::addCrawlCommand(app, commands);
  crawlspect::cli::addAnalyzeCommand(app, commands);
  crawlspect::cli::addReportCommand(app, commands);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << e.what() << "\n\n" << app.help() << std::flush;
    return 2;
  }
  for (auto& [sub, run] : commands)
    if (sub->parsed()) return run();
  return 2;
}
