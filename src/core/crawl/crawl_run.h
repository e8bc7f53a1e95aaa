#pragma once
// The crawl run: the "Check" button's start sequence and stop request, the
// crawl thread (TCollector, run procedure CollectNow) walking the internal URL
// list breadth-first, and the end of the run. The window (or the command line)
// is reached only through CrawlView, always on the main thread.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "core/crawl/link_intake.h"
#include "core/platform/regional.h"

namespace crawlspect {

class Desktop;
class InternalUrlList;
class PageFetcher;
class ProjectStore;

enum class RunState { Idle, Running, Stopping };

// "Check", "STOP", "Stopping...".
const char* runCaption(RunState state);

// The option lines as the window holds them when a run starts.
struct RunOptionTexts {
  std::string ignoreExtensions;   // Edit2
  std::string connectionTimeout;  // Edit3, milliseconds
  std::string responseTimeout;    // Edit4, milliseconds
  std::string userAgent;          // ComboBox1
  std::string pageLimit;          // SpinEdit1
  std::string ignoreUrls;         // Memo1, all its lines
  CrawlScope scope = CrawlScope::Domain;
  bool removeAnchors = true;
};

// What the run asks of its window. Every call comes on the main thread.
class CrawlView {
 public:
  virtual ~CrawlView() = default;
  virtual std::string startUrlText() = 0;
  virtual void setStartUrlText(const std::string& text) = 0;
  virtual RunOptionTexts runOptions() = 0;
  virtual void focusStartUrl() {}
  // Caption of the button by the state; enabled unless Stopping.
  virtual void showRunState(RunState) {}
  // The scope line and the three option lines.
  virtual void setOptionLinesEnabled(bool) {}
  virtual void setBusyPointer(bool) {}
  virtual void setStatusText(int /*panel*/, const std::string&) {}
  // The internal URL list was emptied; so are the Found Links pane and its details.
  virtual void urlListCleared() {}
  virtual void urlRowAdded(std::size_t /*index*/) {}
  virtual void loadTimeWritten(std::size_t /*index*/) {}
  virtual void setRefreshTimerEnabled(bool) {}
  // One refresh of the result tabs, then the periodic refresh off.
  virtual void IslemTamam() {}
};

class CrawlRun : private LinkSink {
 public:
  // The page step: reads the page's facts off the main thread and returns what
  // stores them, which runs on the main thread while the crawl thread waits.
  // The read may run on the crawl side's second thread, ahead of the page's
  // turn, so it must touch nothing but the text it is given.
  using PageStep = std::function<std::function<void()>(const std::string& pageUrl, const std::string& pageText)>;

  // After this many pages a run with deferred link indexes decides whether
  // to keep them from then on (ProjectStore::keepLinkIndexesFromNow).
  static constexpr std::size_t kPagesBeforeIndexChoice = 50;

  CrawlRun(Desktop& desktop, CrawlView& view, ProjectStore& store, InternalUrlList& list, PageFetcher& fetcher,
           RegionalSettings regional, std::string appTitle);
  ~CrawlRun() override;
  CrawlRun(const CrawlRun&) = delete;
  CrawlRun& operator=(const CrawlRun&) = delete;

  void setPageStep(PageStep step) { m_pageStep = std::move(step); }

  // The main part of the "Check" button: start, stop, or nothing, by the state.
  void BitBtn1Click();
  // The lookup menu's "Check": "List" puts the selected Found Links row into the
  // start URL field first (nothing without a selection); "Button" clicks as is.
  void Check1Click(const std::string& popupSource, const std::string* selectedLink);

  // The start URL field changed; the crawl thread reads this copy.
  void startUrlChanged(const std::string& text);

  RunState state() const { return m_state.load(); }
  // True from the start of a run until its thread has returned.
  bool active() const { return m_threadAlive.load(); }
  std::uint64_t addedCount() const { return m_added.load(); }

  // The window is closing: stop a run still going, serve its calls to the main
  // thread until it has ended, and join it. Nothing of it outlives this call.
  void shutdown();

 private:
  void startSequence();
  void CollectNow(IntakeSettings settings);
  void endOfRun();
  void post(std::function<void(CrawlView&)> change);
  std::string startUrlCopy() const;
  void joinFinishedThread();

  void AddInternalUrl(const std::string& pageUrl) override;
  void StoreLink(const std::string& link, const std::string& sourcePage, const std::string& follow,
                 const std::string& anchor, const std::string& type) override;

  Desktop& m_desktop;
  CrawlView& m_view;
  ProjectStore& m_store;
  InternalUrlList& m_list;
  PageFetcher& m_fetcher;
  RegionalSettings m_regional;
  std::string m_appTitle;
  PageStep m_pageStep;

  std::atomic<RunState> m_state{RunState::Idle};
  std::atomic<bool> m_stopRequested{false};
  std::atomic<bool> m_threadAlive{false};
  std::atomic<std::uint64_t> m_added{0};
  std::int64_t m_pageLimit = 1;
  mutable std::mutex m_startUrlLock;
  std::string m_startUrl;
  std::thread m_thread;
};

}  // namespace crawlspect
