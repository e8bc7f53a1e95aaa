#pragma once
// crawlspect-cli commands. Each registers its subcommand and what runs when it is chosen.
#include <CLI/CLI.hpp>

#include <functional>
#include <ostream>
#include <utility>
#include <vector>

#include "main/results/result_lists.h"

namespace crawlspect::cli {

using Commands = std::vector<std::pair<CLI::App*, std::function<int()>>>;

void addFetchCommand(CLI::App& app, Commands& commands);
void addCrawlCommand(CLI::App& app, Commands& commands);
void addAnalyzeCommand(CLI::App& app, Commands& commands);
void addReportCommand(CLI::App& app, Commands& commands);

// The six summary rows as Key<TAB>Value, an empty line, then the audit report,
// one line each. The seven list exports of a run: crawlspect::exportAllLists.
void printSummaryAndAudit(std::ostream& out, const RefreshResult& result);

}  // namespace crawlspect::cli
