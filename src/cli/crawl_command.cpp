#include <csignal>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>

#include "cli/cli.h"
#include "cli/cli_project.h"
#include "core/crawl/crawl_run.h"
#include "core/crawl/page_fetcher.h"
#include "core/pagefacts/page_record.h"
#include "core/settings/settings.h"

namespace crawlspect::cli {

namespace {

// The built-in values of the window's option lines.
const OptionValues kBuiltIn = builtInOptions("");

struct CrawlOptions {
  std::string startUrl;
  std::string project;
  std::string exportDir;
  int limit = kBuiltIn.pageLimit;
  std::string scope = "domain";
  bool keepAnchors = false;
  std::string ignoreExtensions = kBuiltIn.ignoreExtensions;
  std::string ignoreUrlsFile;
  std::string agent = kBuiltIn.agent;
  int connectMs = std::stoi(kBuiltIn.connectionTimeout);
  int responseMs = std::stoi(kBuiltIn.responseTimeout);
};

std::atomic<bool> interrupted{false};

extern "C" void onInterrupt(int) { interrupted = true; }

// The window's part of a run, for a terminal: the status texts go to stderr
// as they change.
class ConsoleView : public CrawlView {
 public:
  ConsoleView(std::string startUrl, RunOptionTexts options)
      : m_startUrl(std::move(startUrl)), m_options(std::move(options)) {}
  std::string startUrlText() override { return m_startUrl; }
  void setStartUrlText(const std::string& text) override { m_startUrl = text; }
  RunOptionTexts runOptions() override { return m_options; }
  void showRunState(RunState state) override {
    if (state == RunState::Stopping) std::cerr << runCaption(state) << std::endl;
  }
  void setStatusText(int panel, const std::string& text) override {
    if (m_shown[panel] == text) return;
    m_shown[panel] = text;
    // The position and the page being loaded come together; one line per page.
    if (panel == 2 && !text.empty()) std::cerr << m_shown[1] << "  " << text << std::endl;
  }
  const std::string& status(int panel) { return m_shown[panel]; }

 private:
  std::string m_startUrl;
  RunOptionTexts m_options;
  std::map<int, std::string> m_shown;
};

int runCrawl(const CrawlOptions& opts) {
  RunOptionTexts options;
  options.ignoreExtensions = opts.ignoreExtensions;
  options.connectionTimeout = std::to_string(opts.connectMs);
  options.responseTimeout = std::to_string(opts.responseMs);
  options.userAgent = opts.agent;
  options.pageLimit = std::to_string(opts.limit);
  options.scope = opts.scope == "subdomain" ? CrawlScope::Subdomain : CrawlScope::Domain;
  options.removeAnchors = !opts.keepAnchors;
  if (!opts.ignoreUrlsFile.empty()) {
    std::ifstream in(opts.ignoreUrlsFile, std::ios::binary);
    if (!in) {
      std::cerr << "Cannot read " << opts.ignoreUrlsFile << std::endl;
      return 2;
    }
    std::ostringstream text;
    text << in.rdbuf();
    options.ignoreUrls = text.str();
  }

  CliProject session;
  session.store.deferLinkIndexes(true);
  PageFetcher fetcher;
  ConsoleView view(opts.startUrl, options);
  CrawlRun run(session.desktop, view, session.store, session.list, fetcher, RegionalSettings::fromEnvironment(),
               "Crawlspect");

  run.setPageStep([&session](const std::string& url, const std::string& text) {
    return preparePageRecord(session.db, session.desktop, "Crawlspect", url, text);
  });

  interrupted = false;
  struct sigaction action {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  struct sigaction previous {};
  sigaction(SIGINT, &action, &previous);

  run.startUrlChanged(opts.startUrl);
  run.BitBtn1Click();
  while (run.active()) {
    session.desktop.runUntil([&] { return !run.active() || interrupted.load(); }, std::chrono::hours(24));
    if (interrupted.exchange(false) && run.state() == RunState::Running) run.BitBtn1Click();
  }
  run.shutdown();
  sigaction(SIGINT, &previous, nullptr);

  std::cerr << view.status(0) << std::endl;
  session.store.keepLinkIndexesFromNow();  // when the run has not built them already
  int status = 0;
  if (!opts.project.empty()) {
    try {
      session.store.saveCopy(opts.project);
    } catch (const StoreError& e) {
      std::cerr << "Cannot write " << opts.project << ": " << e.what() << std::endl;
      status = 1;
    }
  }
  if (showResults(session, opts.exportDir) != 0) status = 1;
  return status;
}

}  // namespace

void addCrawlCommand(CLI::App& app, Commands& commands) {
  auto opts = std::make_shared<CrawlOptions>();
  auto* cmd = app.add_subcommand("crawl", "Crawl a site into a project database");
  cmd->add_option("START_URL", opts->startUrl, "Where the crawl begins")->required();
  cmd->add_option("--project", opts->project, "Save the project to this file when the run has ended");
  cmd->add_option("--export-dir", opts->exportDir,
                  "Write the seven list exports as CSV files into this folder after the run");
  cmd->add_option("--limit", opts->limit, "Internal URL limit")
      ->check(CLI::Range(kPageLimitMin, kPageLimitMax))
      ->capture_default_str();
  cmd->add_option("--scope", opts->scope, "Internal means the same domain or the same host")
      ->check(CLI::IsMember({"domain", "subdomain"}))
      ->capture_default_str();
  cmd->add_flag("--keep-anchors", opts->keepAnchors, "Keep #fragments in links");
  cmd->add_option("--ignore-extensions", opts->ignoreExtensions, "Blank-separated extensions to skip")
      ->capture_default_str();
  cmd->add_option("--ignore-urls", opts->ignoreUrlsFile, "File with URL prefixes to skip, one per line")
      ->check(CLI::ExistingFile);
  cmd->add_option("--agent", opts->agent, "User-Agent header")->capture_default_str();
  cmd->add_option("--connection-timeout", opts->connectMs, "Connection time-out in milliseconds")
      ->capture_default_str();
  cmd->add_option("--response-timeout", opts->responseMs, "Response time-out in milliseconds")
      ->capture_default_str();
  commands.emplace_back(cmd, [opts] { return runCrawl(*opts); });
}

}  // namespace crawlspect::cli
