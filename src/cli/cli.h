#pragma once
// crawlspect-cli commands. Each registers its subcommand and what runs when it is chosen.
#include <CLI/CLI.hpp>
#include <functional>
#include <ostream>
#include <utility>
#include <vector>

#include "core/results/result_lists.h"

namespace crawlspect::cli {

using Commands = std::vector<std::pair<CLI::App*, std::function<int()>>>;

void addFetchCommand(CLI::App& app, Commands& commands);
void addCrawlCommand(CLI::App& app, Commands& commands);
void addAnalyzeCommand(CLI::App& app, Commands& commands);
void addReportCommand(CLI::App& app, Commands& commands);

// The six summary rows as Key<TAB>Value, an empty line, then the audit report,
// one line each. The seven list exports of a run: crawlspect::exportAllLists.
void printSummaryAndAudit(std::ostream& out, const RefreshResult& result);
class CliProject;
// One refresh of the session's project: summary and audit to stdout, then,
// with a folder, the seven list exports. 0, or 1 when an export failed.
int showResults(CliProject& session, const std::string& exportDir);

}  // namespace crawlspect::cli
