#include "core/crawl/crawl_run.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <system_error>
#include <utility>

#include "core/crawl/internal_url_list.h"
#include "core/crawl/page_fetcher.h"
#include "core/store/project_store.h"
#include "core/platform/desktop.h"
#include "core/platform/text.h"

namespace crawlspect {

namespace {

constexpr std::int64_t kMaxPageLimit = 999999999;

std::int64_t pageLimitFrom(const std::string& text) {
  int value = 0;
  if (!parseInt32(text, value)) return 1;
  if (value < 1) return 1;
  return value > kMaxPageLimit ? kMaxPageLimit : value;
}

// The fetch of the next page of the list, begun as soon as the current page
// has arrived, so that the network's wait for it runs while the current page
// is read, stored and scanned. When the page arrives while the run is still
// busy with the one before, it is read here as well (the read half of the
// page step touches nothing but the text), on the second core while the
// current page's statements run; when the run is already waiting for it, it
// is handed over at once, so that the next fetch starts without delay. Pages
// are still fetched one at a time and in list order, and every statement runs
// at the page's own turn; a page fetched ahead is used only when the run
// reaches it still running, and is dropped unstored when the run stops first.
// The thread is kept for the whole run: a thread made anew for every page
// waits its first turn behind the busy ones, a sleeping one is woken at once.
class FetchAhead {
 public:
  struct Page {
    std::string text;
    double seconds = 0;
    bool cutOff = false;  // the stop request cut the transfer
    std::exception_ptr failure;
    // The page step's read, when done ahead: what stores the page, or what the read raised.
    bool read = false;
    std::function<void()> store;
    std::exception_ptr readFailure;
  };

  FetchAhead(PageFetcher& fetcher, const std::atomic<bool>* stopRequested, const CrawlRun::PageStep& pageStep)
      : m_fetcher(fetcher), m_stopRequested(stopRequested), m_pageStep(pageStep) {}
  ~FetchAhead() {
    drop();
    {
      std::lock_guard lock(m_mutex);
      m_closing = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) m_thread.join();
  }
  FetchAhead(const FetchAhead&) = delete;
  FetchAhead& operator=(const FetchAhead&) = delete;

  void start(std::size_t position, std::string url) {
    drop();
    if (!m_thread.joinable()) {
      try {
        m_thread = std::thread([this] { serve(); });
      } catch (const std::system_error&) {
        return;  // no second thread: the run fetches the page at its turn
      }
    }
    {
      std::lock_guard lock(m_mutex);
      m_position = position;
      m_url = std::move(url);
      m_state = State::Fetching;
    }
    m_wake.notify_all();
  }

  bool holds(std::size_t position) const {
    std::lock_guard lock(m_mutex);
    return m_state != State::Empty && m_position == position;
  }

  Page take() {
    std::unique_lock lock(m_mutex);
    m_waiting = true;
    m_wake.wait(lock, [this] { return m_state != State::Fetching; });
    m_waiting = false;
    m_state = State::Empty;
    return std::exchange(m_page, Page{});
  }

  // Waits for a fetch still running (a stop cuts it off) and forgets it.
  void drop() {
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [this] { return m_state != State::Fetching; });
    m_state = State::Empty;
    m_page = Page{};
  }

 private:
  enum class State { Empty, Fetching, Done };

  void serve() {
    std::unique_lock lock(m_mutex);
    for (;;) {
      m_wake.wait(lock, [this] { return m_closing || m_state == State::Fetching; });
      if (m_closing) return;
      const std::string url = m_url;
      lock.unlock();
      Page page;
      const auto started = std::chrono::steady_clock::now();
      // A cut-off is passed on only when the page is used.
      const StopWatch watch{m_stopRequested, [&page] { page.cutOff = true; }};
      try {
        page.text = m_fetcher.FetchPage(url, &watch);
      } catch (const DecodeError&) {
      } catch (...) {
        page.failure = std::current_exception();
      }
      page.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
      lock.lock();
      if (m_pageStep && !page.failure && !m_waiting) {
        lock.unlock();
        try {
          page.store = m_pageStep(url, page.text);
        } catch (...) {
          page.readFailure = std::current_exception();
        }
        page.read = true;
        lock.lock();
      }
      m_page = std::move(page);
      m_state = State::Done;
      m_wake.notify_all();
    }
  }

  PageFetcher& m_fetcher;
  const std::atomic<bool>* m_stopRequested;
  const CrawlRun::PageStep& m_pageStep;
  mutable std::mutex m_mutex;
  std::condition_variable m_wake;
  State m_state = State::Empty;
  bool m_closing = false;
  bool m_waiting = false;  // the run waits in take()
  std::size_t m_position = 0;
  std::string m_url;
  Page m_page;
  std::thread m_thread;
};

}  // namespace

const char* runCaption(RunState state) {
  switch (state) {
    case RunState::Running:
      return "STOP";
    case RunState::Stopping:
      return "Stopping...";
    case RunState::Idle:
      break;
  }
  return "Check";
}

CrawlRun::CrawlRun(Desktop& desktop, CrawlView& view, ProjectStore& store, InternalUrlList& list,
                   PageFetcher& fetcher, RegionalSettings regional, std::string appTitle)
    : m_desktop(desktop),
      m_view(view),
      m_store(store),
      m_list(list),
      m_fetcher(fetcher),
      m_regional(regional),
      m_appTitle(std::move(appTitle)) {}

CrawlRun::~CrawlRun() { shutdown(); }

void CrawlRun::startUrlChanged(const std::string& text) {
  std::lock_guard lock(m_startUrlLock);
  m_startUrl = text;
}

std::string CrawlRun::startUrlCopy() const {
  std::lock_guard lock(m_startUrlLock);
  return m_startUrl;
}

void CrawlRun::post(std::function<void(CrawlView&)> change) {
  m_desktop.postToMain([this, change = std::move(change)] { change(m_view); });
}

void CrawlRun::BitBtn1Click() {
  switch (m_state.load()) {
    case RunState::Running:
      m_stopRequested = true;
      m_state = RunState::Stopping;
      m_view.showRunState(RunState::Stopping);
      return;
    case RunState::Stopping:
      return;
    case RunState::Idle:
      startSequence();
      return;
  }
}

void CrawlRun::Check1Click(const std::string& popupSource, const std::string* selectedLink) {
  if (popupSource == "List") {
    if (!selectedLink) return;
    m_view.setStartUrlText(*selectedLink);
    startUrlChanged(*selectedLink);
    BitBtn1Click();
  } else if (popupSource == "Button") {
    BitBtn1Click();
  }
}

void CrawlRun::joinFinishedThread() {
  if (m_thread.joinable()) m_thread.join();
}

void CrawlRun::startSequence() {
  const std::string typed = m_view.startUrlText();
  const std::string trimmed = trimControl(typed);
  if (trimmed.empty()) {
    m_desktop.showMessage("Warning", "Please enter Start URL!", MessageIcon::Warning);
    m_view.focusStartUrl();
    return;
  }
  // The previous run's thread has handed over its end steps already.
  joinFinishedThread();

  m_view.setBusyPointer(true);
  m_stopRequested = false;

  const RunOptionTexts options = m_view.runOptions();
  int connectMs = 0;
  int responseMs = 0;
  for (const auto& [text, out] : {std::pair{&options.connectionTimeout, &connectMs},
                                  std::pair{&options.responseTimeout, &responseMs}}) {
    if (!parseInt32(*text, *out)) {
      m_view.setBusyPointer(false);
      m_desktop.showMessage(m_appTitle, "'" + *text + "' is not a valid integer value", MessageIcon::Error);
      return;
    }
  }
  m_fetcher.setUserAgent(options.userAgent);
  m_fetcher.setTimeouts(connectMs, responseMs);

  m_state = RunState::Running;
  m_view.showRunState(RunState::Running);
  m_view.setOptionLinesEnabled(false);

  // Blanks around a pasted address would otherwise end up inside the crawled URLs.
  std::string start = trimmed;
  const std::string lower = lowerAscii(start.substr(0, 8));
  if (startsWith(lower, "http://"))
    start.replace(0, 7, "http://");
  else if (startsWith(lower, "https://"))
    start.replace(0, 8, "https://");
  if (start != typed) m_view.setStartUrlText(start);
  startUrlChanged(start);

  m_list.clear();
  m_view.urlListCleared();
  m_desktop.processEvents();

  m_added = 0;
  m_pageLimit = pageLimitFrom(options.pageLimit);

  m_store.freshReset();
  m_view.setRefreshTimerEnabled(true);

  if (start.compare(0, 4, "http") != 0) {
    start = "http://" + start;
    m_view.setStartUrlText(start);
    startUrlChanged(start);
    m_desktop.processEvents();
  }

  m_fetcher.clearLastRedirect();
  try {
    m_fetcher.FetchPage(start);
  } catch (const DecodeError&) {
  }
  const std::string redirect = m_fetcher.lastRedirect();
  if (!redirect.empty() && redirect != start) {
    m_view.setStartUrlText(redirect);
    startUrlChanged(redirect);
  }
  m_desktop.processEvents();

  IntakeSettings settings;
  settings.ignoreExtensions = trimControl(options.ignoreExtensions);
  settings.ignoreUrls = ignoreUrlLines(options.ignoreUrls);
  settings.removeAnchors = options.removeAnchors;
  settings.scope = options.scope;
  m_threadAlive = true;
  m_thread = std::thread([this, settings = std::move(settings)]() mutable { CollectNow(std::move(settings)); });
}

void CrawlRun::CollectNow(IntakeSettings settings) {
  LinkIntake intake(std::move(settings), [this] { return startUrlCopy(); }, *this);
  const StopWatch watch{&m_stopRequested, [this] { post([](CrawlView& v) { v.IslemTamam(); }); }};

  {
    ProjectStore::Batch batch(m_store);
    intake.TakeInLink(startUrlCopy(), "", "", "");
  }

  const auto totalText = [this] { return "Total URLs: " + std::to_string(m_list.size()); };
  FetchAhead ahead(m_fetcher, &m_stopRequested, m_pageStep);
  using Clock = std::chrono::steady_clock;
  const auto runStarted = Clock::now();
  Clock::duration waited{};  // for pages to arrive
  for (std::size_t position = 0; position < m_list.size(); ++position) {
    post([text = totalText()](CrawlView& v) { v.setStatusText(0, text); });
    if (m_state.load() != RunState::Running) break;
    // A run that has spent most of its first pages waiting for the network
    // keeps deferred link indexes from here on, in the waits' shadow.
    if (position == kPagesBeforeIndexChoice && m_store.linkIndexesPending() &&
        2 * waited >= Clock::now() - runStarted)
      m_store.keepLinkIndexesFromNow();
    try {
      const auto started = Clock::now();
      const std::string pageUrl = m_list.url(position);
      post([text = std::to_string(position + 1) + " / " + std::to_string(m_list.size()),
            loading = "Loading: " + pageUrl](CrawlView& v) {
        v.setStatusText(1, text);
        v.setStatusText(2, loading);
      });
      std::string pageText;
      double seconds = 0;
      const bool fetchedAhead = ahead.holds(position);
      FetchAhead::Page page;
      if (fetchedAhead) {
        const auto waitFrom = Clock::now();
        page = ahead.take();
        waited += Clock::now() - waitFrom;
        if (page.cutOff) watch.onCutOff();
        if (page.failure) std::rethrow_exception(page.failure);
        pageText = std::move(page.text);
        seconds = page.seconds;
      } else {
        try {
          pageText = m_fetcher.FetchPage(pageUrl, &watch);
        } catch (const DecodeError&) {
        }
        waited += Clock::now() - started;
        seconds = std::chrono::duration<double>(Clock::now() - started).count();
      }
      // Only URLs already in the list: the next page is the same one the
      // run would fetch after this page's scan.
      if (position + 1 < m_list.size()) ahead.start(position + 1, m_list.url(position + 1));
      m_list.setLoadTime(position, formatLoadTime(seconds, m_regional));
      post([position](CrawlView& v) { v.loadTimeWritten(position); });

      if (m_pageStep) {
        if (page.readFailure) std::rethrow_exception(page.readFailure);
        const std::function<void()> store = page.read ? std::move(page.store) : m_pageStep(pageUrl, pageText);
        if (store) m_desktop.runOnMain(store);
      }
      ProjectStore::Batch batch(m_store);
      intake.ScanLinks(pageUrl, pageText);
    } catch (const std::exception& e) {
      // Whatever went wrong with one page, the run goes on with the next.
      m_desktop.report(m_appTitle, e.what(), MessageIcon::Error);
    }
    post([text = totalText()](CrawlView& v) { v.setStatusText(0, text); });
  }
  // Nothing of the run may go on past its end.
  ahead.drop();
  endOfRun();
}

void CrawlRun::endOfRun() {
  m_desktop.runOnMain([this] { m_view.IslemTamam(); });
  // One unit on the main thread: no click can come between the caption turning
  // back to "Check" and the option lines being enabled.
  m_desktop.runOnMain([this] {
    m_desktop.beep();
    m_state = RunState::Idle;
    m_view.showRunState(RunState::Idle);
    m_view.setStatusText(2, "");
    m_view.setOptionLinesEnabled(true);
    m_view.setBusyPointer(false);
  });
  m_threadAlive = false;
}

void CrawlRun::shutdown() {
  if (m_thread.joinable()) {
    if (m_state.load() == RunState::Running) {
      m_stopRequested = true;
      m_state = RunState::Stopping;
    }
    while (m_threadAlive.load()) {
      m_desktop.processEvents();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    m_thread.join();
  }
  // Status changes queued by the thread refer to this object.
  m_desktop.processEvents();
}

void CrawlRun::AddInternalUrl(const std::string& pageUrl) {
  const bool added = m_list.appendIfNew(
      pageUrl, [&] { return static_cast<std::int64_t>(m_added.load()) < m_pageLimit; });
  if (!added) return;
  ++m_added;
  // Only this thread appends while a run is active.
  const std::size_t index = m_list.size() - 1;
  post([index](CrawlView& v) { v.urlRowAdded(index); });
  m_store.recordNewPage(pageUrl);
}

void CrawlRun::StoreLink(const std::string& link, const std::string& sourcePage, const std::string& follow,
                         const std::string& anchor, const std::string& type) {
  m_store.storeLink(link, sourcePage, follow, anchor, type);
}

}  // namespace crawlspect
