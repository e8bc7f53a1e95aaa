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

// The summary rows as Key<TAB>Value, an empty line, then the audit report,
// one line each. The seven list exports of a run: crawlspect::exportAllLists.
void printSummaryAndAudit(std::ostream& out, const RefreshResult& result);
class CliProject;
// The exit status of a run that found a broken link, with --fail-on-broken.
inline constexpr int kExitBrokenLinks = 3;
// The exit status of a crawl whose start URL could not be fetched.
inline constexpr int kExitStartUrlFailed = 4;
// One refresh of the session's project: summary and audit to stdout, then,
// with a folder, the seven list exports and the three response exports. 0;
// 1 when an export failed; else kExitBrokenLinks when failOnBroken and a
// crawled page links to a broken target.
int showResults(CliProject& session, const std::string& exportDir, bool failOnBroken = false);

}  // namespace crawlspect::cli
