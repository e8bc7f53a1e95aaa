#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <sstream>

#include "cli/cli.h"
#include "cli/cli_project.h"
#include "cli/interrupt_to_stop.h"
#include "cli/terminal_text.h"
#include "core/crawl/crawl_run.h"
#include "core/crawl/link_intake.h"
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
  std::string linkRules = "standard";
  bool keepAnchors = false;
  std::string ignoreExtensions = kBuiltIn.ignoreExtensions;
  std::string ignoreUrlsFile;
  std::string agent = kBuiltIn.agent;
  int connectMs = std::stoi(kBuiltIn.connectionTimeout);
  int responseMs = std::stoi(kBuiltIn.responseTimeout);
  int maxFetchMs = PageFetcher::kDefaultMaxFetchMs;
  bool failOnBroken = false;
  bool checkExternal = false;
  int parallel = 1;
  double maxRate = 0;
  std::string robots = "report";
};

// What a run shows in a window, for a terminal: one line per page on stderr
// ("position / total  Loading: URL"), "Stopping..." when a stop begins, and
// the failures the run absorbed.
class ConsoleObserver : public CrawlObserver {
 public:
  explicit ConsoleObserver(Desktop& desktop) : m_desktop(desktop) {}

  void runStateChanged(RunState state) override {
    if (state == RunState::Stopping) std::cerr << "Stopping..." << std::endl;
  }
  void pageStarted(const PageProgress& page) override {
    m_total = "Total URLs: " + std::to_string(page.total);
    std::cerr << page.index + 1 << " / " << page.total << "  Loading: " << terminalSafe(page.url) << std::endl;
  }
  void pageFinished(std::size_t, std::size_t total) override { m_total = "Total URLs: " + std::to_string(total); }
  void pageFailed(const std::string& message) override {
    m_desktop.showMessage("Crawlspect", terminalSafe(message), MessageIcon::Error);
  }
  void startUrlFailed(const std::string& reason) override {
    m_startUrlFailed = true;
    std::cerr << "Start URL failed: " << terminalSafe(reason) << std::endl;
  }
  bool startFailed() const { return m_startUrlFailed; }
  void externalCheckStarted(std::size_t links) override {
    std::cerr << "Checking " << links << " external links" << std::endl;
  }
  // "Total URLs: N" as last shown; empty when no page was crawled.
  const std::string& totalLine() const { return m_total; }

 private:
  Desktop& m_desktop;
  std::string m_total;
  bool m_startUrlFailed = false;
};

int runCrawl(const CrawlOptions& opts) {
  CrawlSettings settings;
  settings.startUrl = opts.startUrl;
  settings.scope = opts.scope == "subdomain" ? CrawlScope::Subdomain : CrawlScope::Domain;
  settings.pageLimit = opts.limit;
  settings.removeAnchors = !opts.keepAnchors;
  settings.linkRules = opts.linkRules == "classic" ? LinkRules::Classic : LinkRules::Standard;
  settings.ignoreExtensions = opts.ignoreExtensions;
  settings.userAgent = opts.agent;
  settings.connectionTimeout = std::chrono::milliseconds(opts.connectMs);
  settings.responseTimeout = std::chrono::milliseconds(opts.responseMs);
  settings.maxFetchTime = std::chrono::milliseconds(opts.maxFetchMs);
  settings.checkExternalLinks = opts.checkExternal;
  settings.parallelRequests = opts.parallel;
  settings.maxRequestsPerSecond = opts.maxRate;
  settings.robots = robotsModeFromName(opts.robots).value_or(RobotsMode::Report);
  if (!opts.ignoreUrlsFile.empty()) {
    std::ifstream in(opts.ignoreUrlsFile, std::ios::binary);
    if (!in) {
      std::cerr << "Cannot read " << opts.ignoreUrlsFile << std::endl;
      return 2;
    }
    std::ostringstream text;
    text << in.rdbuf();
    settings.ignoreUrlPrefixes = ignoreUrlLines(text.str());
  }
  if (normalizedStartUrl(settings.startUrl).empty()) {
    std::cerr << "crawlspect-cli: START_URL is empty\nTry 'crawlspect-cli help crawl' for more information."
              << std::endl;
    return 2;
  }

  // Before any other thread starts, so that all of them inherit the blocked SIGINT.
  InterruptToStop interrupt;
  CliProject session;
  session.store.deferLinkIndexes(true);
  PageFetcher fetcher;
  ConsoleObserver observer(session.desktop);
  CrawlRun run(session.desktop, observer, session.store, session.list, fetcher, RegionalSettings::fromEnvironment());
  run.setPageStep([&session](const std::string& url, const std::string& text, const HtmlDocument* document) {
    return preparePageRecord(session.db, session.desktop, "Crawlspect", url, text, document);
  });

  // Ctrl+C stops the run the way "STOP" does, on the main thread.
  interrupt.watch([&session, &run] { session.desktop.postToMain([&run] { run.requestStop(); }); });
  run.start(settings);
  session.desktop.serveUntil([&run] { return !run.active(); });
  run.shutdown();

  std::cerr << observer.totalLine() << std::endl;
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
  const int shown = showResults(session, opts.exportDir, opts.failOnBroken);
  if (shown == 1) status = 1;
  // Every failure the run absorbed (a statement that could not be written, a
  // page that could not be read) was shown as it came; a project with holes
  // must not pass for a complete one.
  const std::size_t failures = session.desktop.messages().size();
  if (failures > 0) {
    std::cerr << failures << (failures == 1 ? " failure" : " failures")
              << " while crawling: the project holds only what could be stored." << std::endl;
    status = 1;
  }
  // A run that could not even begin must not pass for an empty site.
  if (status == 0 && observer.startFailed()) status = kExitStartUrlFailed;
  if (status == 0) status = shown;
  return status;
}

}  // namespace

void addCrawlCommand(CLI::App& app, Commands& commands) {
  auto opts = std::make_shared<CrawlOptions>();
  auto* cmd = app.add_subcommand("crawl", "Crawl a site into a project database");
  cmd->add_option("START_URL", opts->startUrl, "Where the crawl begins")->required();
  cmd->add_option("--project", opts->project, "Save the project to this file when the run has ended");
  cmd->add_option("--export-dir", opts->exportDir,
                  "Write the seven list exports and the three response exports as CSV files into this folder "
                  "after the run");
  cmd->add_flag("--check-external", opts->checkExternal,
                "After the crawl, check each distinct external http(s) link once");
  cmd->add_flag("--fail-on-broken", opts->failOnBroken,
                "Exit with status 3 when a crawled page links to a broken target");
  cmd->add_option("--limit", opts->limit, "Internal URL limit")
      ->check(CLI::Range(kPageLimitMin, kPageLimitMax))
      ->capture_default_str();
  cmd->add_option("--scope", opts->scope, "Internal means the same domain or the same host")
      ->check(CLI::IsMember({"domain", "subdomain"}))
      ->capture_default_str();
  cmd->add_option("--link-rules", opts->linkRules,
                  "standard: links and texts as a browser reads them; classic: the original rules")
      ->check(CLI::IsMember({"standard", "classic"}))
      ->capture_default_str();
  cmd->add_option("--robots", opts->robots,
                  "report: crawl disallowed URLs and mark them; obey: leave them unfetched; ignore: never read "
                  "robots.txt")
      ->check(CLI::IsMember({"report", "obey", "ignore"}))
      ->capture_default_str();
  cmd->add_flag("--keep-anchors", opts->keepAnchors, "Keep #fragments in links");
  cmd->add_option("--ignore-extensions", opts->ignoreExtensions, "Blank-separated extensions to skip")
      ->capture_default_str();
  cmd->add_option("--ignore-urls", opts->ignoreUrlsFile, "File with URL prefixes to skip, one per line")
      ->check(CLI::ExistingFile);
  cmd->add_option("--agent", opts->agent, "User-Agent header")->capture_default_str();
  cmd->add_option("--connection-timeout", opts->connectMs, "Connection time-out in milliseconds")
      ->capture_default_str();
  cmd->add_option("--response-timeout", opts->responseMs, "Response time-out in milliseconds")->capture_default_str();
  cmd->add_option("--max-fetch-time", opts->maxFetchMs, "Longest time one page's fetch may take, in milliseconds")
      ->capture_default_str();
  cmd->add_option("--parallel", opts->parallel, "Pages fetched at once; the results are the same for every number")
      ->check(CLI::Range(1, kMaxParallelRequests))
      ->capture_default_str();
  cmd->add_option("--max-rate", opts->maxRate,
                  "Max requests per second over the whole run, the external check included; 0: no limit")
      ->check(CLI::Range(0.0, 1000000.0))
      ->capture_default_str();
  commands.emplace_back(cmd, [opts] { return runCrawl(*opts); });
}

}  // namespace crawlspect::cli
