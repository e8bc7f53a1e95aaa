#include <filesystem>
#include <iostream>
#include <memory>
#include <stdexcept>

#include "cli/cli.h"
#include "cli/cli_project.h"
#include "cli/terminal_text.h"
#include "core/results/csv_export.h"

namespace crawlspect::cli {

namespace fs = std::filesystem;

namespace {

struct ReportOptions {
  std::string project;
  std::string exportDir;
  bool failOnBroken = false;
};

int runReport(const ReportOptions& opts) {
  std::error_code ec;
  if (!fs::is_regular_file(opts.project, ec)) {
    std::cerr << "Cannot open project \"" << opts.project << "\": no such file" << std::endl;
    return 1;
  }
  try {
    CliProject session;
    if (!session.store.openProject(opts.project, session.list)) return 1;
    const int status = showResults(session, opts.exportDir, opts.failOnBroken);
    // A statement that failed on the file (a table missing, a page of it
    // malformed) was reported as it came: the report is not the project's.
    return session.desktop.messages().empty() ? status : 1;
  } catch (const std::runtime_error& e) {
    std::cerr << e.what() << std::endl;
    return 1;
  }
}

}  // namespace

int showResults(CliProject& session, const std::string& exportDir, bool failOnBroken) {
  const RegionalSettings regional = RegionalSettings::fromEnvironment();
  // Without exports only the summary and the audit are printed: the two
  // largest lists are counted, not kept.
  const RefreshResult result = refreshResults(session.db, session.list, regional, session.desktop, !exportDir.empty());
  printSummaryAndAudit(std::cout, result);
  const int found = failOnBroken && result.responses.brokenLinks > 0 ? kExitBrokenLinks : 0;
  if (exportDir.empty()) return found;
  std::string error = exportAllLists(exportDir, result, regional.listSeparator);
  const std::string responseError = exportResponseFiles(exportDir, session.db, regional.listSeparator, session.desktop);
  if (!responseError.empty()) error += (error.empty() ? "" : "\n") + responseError;
  if (error.empty()) return found;
  std::cerr << error << std::endl;
  return 1;
}

void printSummaryAndAudit(std::ostream& out, const RefreshResult& result) {
  for (std::size_t i = 0; i < result.summary.size(); ++i)
    out << result.summary.cell(i, 0) << '\t' << result.summary.cell(i, 1) << '\n';
  // The audit quotes titles, descriptions and URLs as the site wrote them.
  out << '\n';
  for (std::size_t i = 0; i < result.audit.lineCount(); ++i) out << terminalSafe(result.audit.lineText(i)) << '\n';
  out << std::flush;
}

void addReportCommand(CLI::App& app, Commands& commands) {
  auto opts = std::make_shared<ReportOptions>();
  auto* cmd = app.add_subcommand("report", "Show a saved project's summary and audit report, and export its lists");
  cmd->add_option("PROJECT", opts->project, "Project database file")->required();
  cmd->add_option("--export-dir", opts->exportDir,
                  "Write the seven list exports and the three response exports as CSV files into this folder");
  cmd->add_flag("--fail-on-broken", opts->failOnBroken,
                "Exit with status 3 when a crawled page links to a broken target");
  commands.emplace_back(cmd, [opts] { return runReport(*opts); });
}

}  // namespace crawlspect::cli
