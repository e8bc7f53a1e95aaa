#pragma once
// The crawl run: from a start URL and the run's settings, a thread of its own
// walks the internal URL list breadth-first, fetching each page, storing its
// facts and taking in its links, until the list is exhausted, the page limit
// is reached or a stop is requested. Reading, storing and link intake happen
// strictly in list order, so the results never depend on timing. What happens
// is told to a CrawlObserver, always on the main thread.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/crawl/link_intake.h"
#include "core/crawl/robots_gate.h"
#include "core/platform/regional.h"

namespace crawlspect {

class Desktop;
class HtmlDocument;
class InternalUrlList;
class PageFetcher;
class ProjectStore;

enum class RunState { Idle, Running, Stopping };
enum class RunEnd { Complete, Stopped };

inline constexpr std::int64_t kMaxPageLimit = 999999999;
inline constexpr int kMaxParallelRequests = 32;

struct CrawlSettings {
  // Blanks around it are dropped, the letters of its scheme lower-cased, and
  // "http://" put in front when it has no scheme.
  std::string startUrl;
  CrawlScope scope = CrawlScope::Domain;
  std::int64_t pageLimit = 50;  // internal URLs at most; kept within 1..kMaxPageLimit
  bool removeAnchors = true;
  std::string ignoreExtensions;                // blank-separated, e.g. "css js jpg"
  std::vector<std::string> ignoreUrlPrefixes;  // links starting with one are skipped
  std::string userAgent;
  std::chrono::milliseconds connectionTimeout{10000};
  std::chrono::milliseconds responseTimeout{10000};
  // "Max fetch time": the whole of one page's fetch, redirects included.
  std::chrono::milliseconds maxFetchTime{60000};
  LinkRules linkRules = LinkRules::Standard;
  // "Check external links": after the crawl, each distinct external http(s)
  // link is checked once (PageFetcher::checkLinks) into RESPONSES.
  bool checkExternalLinks = false;
  // "Parallel requests": pages of the list fetched at once, kept within
  // 1..kMaxParallelRequests. The rows do not depend on it.
  int parallelRequests = 1;
  // "Max requests per second" over every request of the run, the external
  // check included; 0: no limit.
  double maxRequestsPerSecond = 0;
  // "robots.txt": what the sites' robots.txt files do to the run.
  RobotsMode robots = RobotsMode::Report;
};

// The start URL as a run takes it (see CrawlSettings::startUrl); empty when
// nothing but blanks was given.
std::string normalizedStartUrl(const std::string& typed);

struct PageProgress {
  std::size_t index = 0;  // 0-based position in the internal URL list
  std::size_t total = 0;  // URLs in the list when the page started
  std::string url;
};

// What a run tells its front end. Every call comes on the main thread, in the
// order things happened; the run never waits for one except where noted.
class CrawlObserver {
 public:
  virtual ~CrawlObserver() = default;
  virtual void runStateChanged(RunState) {}
  // The run goes on with another start URL than the one given: the tidied
  // text, or where the start URL redirects to.
  virtual void startUrlAdopted(const std::string& /*url*/) {}
  // The internal URL list was emptied for the new run.
  virtual void urlListCleared() {}
  virtual void pageStarted(const PageProgress&) {}
  // A new row of the internal URL list.
  virtual void urlAdded(std::size_t /*index*/) {}
  virtual void loadTimeKnown(std::size_t /*index*/) {}
  // The crawl is done and the check of this many external links begins.
  virtual void externalCheckStarted(std::size_t /*links*/) {}
  // The page's facts and links are stored; total counts the list now.
  virtual void pageFinished(std::size_t /*index*/, std::size_t /*total*/) {}
  // A stop cut a transfer off: whatever was stored so far is all the run has.
  virtual void transferCutOff() {}
  // The start URL could not be fetched: reason is "class: message" (see
  // FetchOutcome::errorText). The run goes on with what it has.
  virtual void startUrlFailed(const std::string& /*reason*/) {}
  // Something went wrong with one page and the run goes on with the next. The
  // crawl thread waits until this returns (the window shows a message box).
  virtual void pageFailed(const std::string& /*message*/) {}
  // The last call of a run; state() is Idle from here on.
  virtual void runFinished(RunEnd) {}
};

class CrawlRun : private LinkSink {
 public:
  // The page step: reads the page's facts off the main thread and returns what
  // stores them, which runs on the main thread while the crawl thread waits.
  // The read may run on a fetch thread of the run, ahead of the page's
  // turn, so it must touch nothing but the text it is given. Under the
  // standard link rules the page is parsed once for both the page step and
  // the links, and document is that parse; under the classic rules it is null.
  using PageStep = std::function<std::function<void()>(const std::string& pageUrl, const std::string& pageText,
                                                       const HtmlDocument* document)>;

  // After this many pages a run with deferred link indexes decides whether
  // to keep them from then on (ProjectStore::keepLinkIndexesFromNow).
  static constexpr std::size_t kPagesBeforeIndexChoice = 50;

  CrawlRun(Desktop& desktop, CrawlObserver& observer, ProjectStore& store, InternalUrlList& list, PageFetcher& fetcher,
           RegionalSettings regional);
  ~CrawlRun() override;
  CrawlRun(const CrawlRun&) = delete;
  CrawlRun& operator=(const CrawlRun&) = delete;

  void setPageStep(PageStep step) { m_pageStep = std::move(step); }

  // Main thread, while Idle: empties the list, gives the project a fresh
  // start and starts the crawl thread. Its first step is a fetch of the start
  // URL, to go on from where it redirects. Throws std::invalid_argument for a
  // start URL of nothing but blanks, std::logic_error while a run is active.
  void start(const CrawlSettings& settings);
  // Main thread: every transfer in flight is cut off, pages fetched ahead of
  // their turn are dropped, and the run ends after the page being stored, so
  // its rows are those of a whole run up to that page. Nothing while no run
  // is going.
  void requestStop();

  RunState state() const { return m_state.load(); }
  // True from the start of a run until its thread has returned.
  bool active() const { return m_threadAlive.load(); }
  std::uint64_t addedCount() const { return m_added.load(); }
  // The start URL of the current (or last) run, after tidying and redirect.
  std::string startUrl() const;

  // Main thread: a run still going is stopped; its calls to the main thread
  // are served until it has ended, and it is joined. Nothing of it outlives
  // this call.
  void shutdown();

 private:
  void crawlLoop(IntakeSettings intakeSettings, std::string probeUrl);
  void adoptRedirect(const std::string& probeUrl);
  void checkExternalLinks();
  void endOfRun();
  void notify(std::function<void(CrawlObserver&)> event);
  void joinFinishedThread();

  void addInternalUrl(const std::string& pageUrl) override;
  void storeLink(const std::string& link, const std::string& sourcePage, const std::string& follow,
                 const std::string& anchor, const std::string& type) override;

  Desktop& m_desktop;
  CrawlObserver& m_observer;
  ProjectStore& m_store;
  InternalUrlList& m_list;
  PageFetcher& m_fetcher;
  RegionalSettings m_regional;
  PageStep m_pageStep;

  std::atomic<RunState> m_state{RunState::Idle};
  std::atomic<bool> m_stopRequested{false};
  std::atomic<bool> m_threadAlive{false};
  std::atomic<std::uint64_t> m_added{0};
  std::int64_t m_pageLimit = 1;
  LinkRules m_linkRules = LinkRules::Standard;
  bool m_checkExternal = false;
  std::size_t m_parallel = 1;
  RobotsMode m_robotsMode = RobotsMode::Report;
  // The crawl thread's, while its loop runs.
  RobotsGate* m_robots = nullptr;
  // Set at the start and, after the probe, by the crawl thread before the
  // first link is taken in; the intake reads it for every link's scope.
  mutable std::mutex m_startUrlLock;
  std::string m_startUrl;
  // The start URL when its probe was recorded: the crawl thread's own.
  std::string m_probeRecorded;
  std::thread m_thread;
};

}  // namespace crawlspect
