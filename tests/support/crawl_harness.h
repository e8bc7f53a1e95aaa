#pragma once
// A whole crawl without a window: a real project file in a temporary folder,
// the real crawl thread, and a view that records what the window would show.
#include <chrono>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/crawl/crawl_run.h"
#include "core/crawl/internal_url_list.h"
#include "core/crawl/page_fetcher.h"
#include "core/pagefacts/page_record.h"
#include "core/store/database.h"
#include "core/store/project_store.h"
#include "core/platform/loop_desktop.h"
#include "temp_dir.h"

namespace testsupport {

class RecordingView : public crawlspect::CrawlView {
 public:
  std::string field;
  crawlspect::RunOptionTexts options;
  std::vector<std::string> events;
  std::map<int, std::string> status;
  int refreshes = 0;
  int shownRows = 0;

  RecordingView() {
    options.connectionTimeout = "3000";
    options.responseTimeout = "3000";
    options.pageLimit = "50";
    options.ignoreExtensions = "css js";
  }
  std::string startUrlText() override { return field; }
  void setStartUrlText(const std::string& text) override {
    field = text;
    events.push_back("field " + text);
  }
  crawlspect::RunOptionTexts runOptions() override { return options; }
  void focusStartUrl() override { events.push_back("focus"); }
  void showRunState(crawlspect::RunState s) override {
    events.push_back(std::string("caption ") + crawlspect::runCaption(s));
  }
  void setOptionLinesEnabled(bool on) override { events.push_back(on ? "options on" : "options off"); }
  void setBusyPointer(bool on) override { events.push_back(on ? "busy" : "normal"); }
  void setStatusText(int panel, const std::string& text) override { status[panel] = text; }
  void urlListCleared() override {
    shownRows = 0;
    events.push_back("cleared");
  }
  void urlRowAdded(std::size_t) override { ++shownRows; }
  void setRefreshTimerEnabled(bool on) override { events.push_back(on ? "timer on" : "timer off"); }
  void IslemTamam() override { ++refreshes; }
};

struct CrawlHarness {
  CrawlHarness()
      : store(db, desktop, dir.path().string(), dir.file("missing-template.db")),
        run(desktop, view, store, list, fetcher, crawlspect::RegionalSettings::withDecimal(','), "Crawlspect") {
    std::mt19937 random(7);
    store.chooseWorkingFile(random);
    run.setPageStep([this](const std::string& url, const std::string& text) {
      return crawlspect::preparePageRecord(db, desktop, "Crawlspect", url, text);
    });
  }
  ~CrawlHarness() { run.shutdown(); }

  // Presses "Check" with this start URL and serves the main thread until the run has ended.
  bool crawl(const std::string& start, std::chrono::seconds limit = std::chrono::seconds(30)) {
    view.field = start;
    run.startUrlChanged(start);
    run.BitBtn1Click();
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
  RecordingView view;
  crawlspect::CrawlRun run;
};

}  // namespace testsupport
