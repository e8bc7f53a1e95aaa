#pragma once
// A whole crawl without a window: a real project file in a temporary folder,
// the real crawl thread, and an observer that records what a window would show.
#include <chrono>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/crawl/crawl_run.h"
#include "core/crawl/internal_url_list.h"
#include "core/crawl/page_fetcher.h"
#include "core/pagefacts/page_record.h"
#include "core/platform/loop_desktop.h"
#include "core/store/database.h"
#include "core/store/project_store.h"
#include "temp_dir.h"

namespace testsupport {

// Records what a window would show of a run.
class RecordingObserver : public crawlspect::CrawlObserver {
 public:
  std::string startUrl;  // the start URL as the window's field would show it
  std::vector<std::string> events;
  std::map<int, std::string> status;  // 0: total, 1: position, 2: page being loaded
  std::vector<std::string> failures;
  std::vector<std::string> startFailures;
  int refreshes = 0;
  int shownRows = 0;
  std::optional<crawlspect::RunEnd> end;

  void runStateChanged(crawlspect::RunState s) override {
    events.push_back(s == crawlspect::RunState::Running    ? "running"
                     : s == crawlspect::RunState::Stopping ? "stopping"
                                                           : "idle");
  }
  void startUrlAdopted(const std::string& url) override {
    startUrl = url;
    events.push_back("field " + url);
  }
  void urlListCleared() override {
    shownRows = 0;
    events.push_back("cleared");
  }
  void pageStarted(const crawlspect::PageProgress& page) override {
    status[0] = "Total URLs: " + std::to_string(page.total);
    status[1] = std::to_string(page.index + 1) + " / " + std::to_string(page.total);
    status[2] = "Loading: " + page.url;
  }
  void urlAdded(std::size_t) override { ++shownRows; }
  void pageFinished(std::size_t, std::size_t total) override { status[0] = "Total URLs: " + std::to_string(total); }
  void transferCutOff() override { ++refreshes; }
  void pageFailed(const std::string& message) override { failures.push_back(message); }
  void startUrlFailed(const std::string& reason) override { startFailures.push_back(reason); }
  void externalCheckStarted(std::size_t links) override { events.push_back("external " + std::to_string(links)); }
  void runFinished(crawlspect::RunEnd how) override {
    ++refreshes;
    status[2].clear();
    end = how;
    events.push_back(how == crawlspect::RunEnd::Stopped ? "stopped" : "complete");
  }
};

struct CrawlHarness {
  CrawlHarness()
      : store(db, desktop, dir.path().string(), dir.file("missing-template.db")),
        run(desktop, observer, store, list, fetcher, crawlspect::RegionalSettings::withDecimal(',')) {
    std::mt19937 random(7);
    store.chooseWorkingFile(random);
    run.setPageStep([this](const std::string& url, const std::string& text, const crawlspect::HtmlDocument* document) {
      return crawlspect::preparePageRecord(db, desktop, "Crawlspect", url, text, document);
    });
    settings.connectionTimeout = std::chrono::milliseconds(3000);
    settings.responseTimeout = std::chrono::milliseconds(3000);
    settings.ignoreExtensions = "css js";
    // The crawl tests pin the classic link rules; the standard ones have their own.
    settings.linkRules = crawlspect::LinkRules::Classic;
  }
  ~CrawlHarness() { run.shutdown(); }

  // Starts a run from this start URL without waiting for it.
  void begin(const std::string& start) {
    settings.startUrl = start;
    observer.startUrl = start;
    run.start(settings);
  }
  // Starts a run and serves the main thread until it has ended.
  bool crawl(const std::string& start, std::chrono::seconds limit = std::chrono::seconds(30)) {
    begin(start);
    const bool ended = desktop.runUntil([&] { return !run.active(); }, limit);
    desktop.pump();
    return ended;
  }
  std::vector<std::string> listUrls() const {
    std::vector<std::string> urls;
    for (const auto& row : list.snapshot()) urls.push_back(row.url);
    return urls;
  }
  std::string scalar(const std::string& sql) { return db.query(sql).text(0, 0); }

  TempDir dir;
  crawlspect::LoopDesktop desktop;
  crawlspect::Database db;
  crawlspect::ProjectStore store;
  crawlspect::InternalUrlList list;
  crawlspect::PageFetcher fetcher;
  RecordingObserver observer;
  crawlspect::CrawlSettings settings;
  crawlspect::CrawlRun run;
};

}  // namespace testsupport
