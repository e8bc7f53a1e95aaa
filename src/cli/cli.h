#pragma once
// crawlspect-cli commands. Each registers its subcommand and what runs when it is chosen.
#include <CLI/CLI.hpp>

#include <functional>
#include <utility>
#include <vector>

namespace crawlspect::cli {

using Commands = std::vector<std::pair<CLI::App*, std::function<int()>>>;

void addFetchCommand(CLI::App& app, Commands& commands);
void addCrawlCommand(CLI::App& app, Commands& commands);
void addAnalyzeCommand(CLI::App& app, Commands& commands);

}  // namespace crawlspect::cli
