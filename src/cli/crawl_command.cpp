#include "cli/cli.h"

namespace crawlspect::cli {

void addCrawlCommand(CLI::App& app, Commands& commands) {
  auto* cmd = app.add_subcommand("crawl", "Crawl a site into a project database");
  commands.emplace_back(cmd, [] { return 0; });
}

}  // namespace crawlspect::cli
