#include <stdlib.h>

#include <filesystem>
#include <iostream>
#include <memory>

#include "cli/cli.h"
#include "main/crawler/internal_url_list.h"
#include "main/results/csv_export.h"
#include "main/store/project_store.h"
#include "platform/loop_desktop.h"

namespace crawlspect::cli {

namespace fs = std::filesystem;

namespace {

struct ReportOptions {
  std::string project;
  std::string exportDir;
};

// The working copy of the project lives in a folder of its own, gone afterwards.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (fs::temp_directory_path() / "crawlspect-report-XXXXXX").string();
    if (::mkdtemp(pattern.data())) path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

int runReport(const ReportOptions& opts) {
  std::error_code ec;
  if (!fs::is_regular_file(opts.project, ec)) {
    std::cerr << "Cannot open project \"" << opts.project << "\": no such file" << std::endl;
    return 1;
  }
  ScratchFolder scratch;
  if (scratch.path().empty()) {
    std::cerr << "Cannot create a temporary folder for the working copy" << std::endl;
    return 1;
  }
  LoopDesktop desktop(&std::cerr);
  Database db;
  ProjectStore store(db, desktop, scratch.path(), std::string());
  store.setWorkingFile((fs::path(scratch.path()) / "project.db").string());
  InternalUrlList urls;
  if (!store.openProject(opts.project, urls)) {
    store.close();
    return 1;
  }
  const RegionalSettings regional = RegionalSettings::fromEnvironment();
  const RefreshResult result = refreshResults(db, urls, regional, desktop);
  printSummaryAndAudit(std::cout, result);
  int code = 0;
  if (!opts.exportDir.empty()) {
    const std::string error = exportAllLists(opts.exportDir, result, regional.listSeparator);
    if (!error.empty()) {
      std::cerr << error << std::endl;
      code = 1;
    }
  }
  store.close();
  return code;
}

}  // namespace

void printSummaryAndAudit(std::ostream& out, const RefreshResult& result) {
  for (std::size_t i = 0; i < result.summary.size(); ++i)
    out << result.summary.cell(i, 0) << '\t' << result.summary.cell(i, 1) << '\n';
  out << '\n' << result.audit.plainText("\n") << std::flush;
}

void addReportCommand(CLI::App& app, Commands& commands) {
  auto opts = std::make_shared<ReportOptions>();
  auto* cmd = app.add_subcommand("report", "Show a saved project's summary and audit report, and export its lists");
  cmd->add_option("PROJECT", opts->project, "Project database file")->required();
  cmd->add_option("--export-dir", opts->exportDir, "Write the seven list exports as CSV files into this folder");
  commands.emplace_back(cmd, [opts] { return runReport(*opts); });
}

}  // namespace crawlspect::cli
