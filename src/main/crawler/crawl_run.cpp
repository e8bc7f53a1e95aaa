#include "main/crawler/crawl_run.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <system_error>
#include <utility>

#include "main/crawler/internal_url_list.h"
#include "main/crawler/page_fetcher.h"
#include "main/store/project_store.h"
#include "platform/desktop.h"
#include "platform/text.h"

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
      : fetcher_(fetcher), stopRequested_(stopRequested), pageStep_(pageStep) {}
  ~FetchAhead() {
    drop();
    {
      std::lock_guard lock(mutex_);
      closing_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
  }
  FetchAhead(const FetchAhead&) = delete;
  FetchAhead& operator=(const FetchAhead&) = delete;

  void start(std::size_t position, std::string url) {
    drop();
    if (!thread_.joinable()) {
      try {
        thread_ = std::thread([this] { serve(); });
      } catch (const std::system_error&) {
        return;  // no second thread: the run fetches the page at its turn
      }
    }
    {
      std::lock_guard lock(mutex_);
      position_ = position;
      url_ = std::move(url);
      state_ = State::Fetching;
    }
    wake_.notify_all();
  }

  bool holds(std::size_t position) const {
    std::lock_guard lock(mutex_);
    return state_ != State::Empty && position_ == position;
  }

  Page take() {
    std::unique_lock lock(mutex_);
    waiting_ = true;
    wake_.wait(lock, [this] { return state_ != State::Fetching; });
    waiting_ = false;
    state_ = State::Empty;
    return std::exchange(page_, Page{});
  }

  // Waits for a fetch still running (a stop cuts it off) and forgets it.
  void drop() {
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return state_ != State::Fetching; });
    state_ = State::Empty;
    page_ = Page{};
  }

 private:
  enum class State { Empty, Fetching, Done };

  void serve() {
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return closing_ || state_ == State::Fetching; });
      if (closing_) return;
      const std::string url = url_;
      lock.unlock();
      Page page;
      const auto started = std::chrono::steady_clock::now();
      // A cut-off is passed on only when the page is used.
      const StopWatch watch{stopRequested_, [&page] { page.cutOff = true; }};
      try {
        page.text = fetcher_.FetchPage(url, &watch);
      } catch (const DecodeError&) {
      } catch (...) {
        page.failure = std::current_exception();
      }
      page.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
      lock.lock();
      if (pageStep_ && !page.failure && !waiting_) {
        lock.unlock();
        try {
          page.store = pageStep_(url, page.text);
        } catch (...) {
          page.readFailure = std::current_exception();
        }
        page.read = true;
        lock.lock();
      }
      page_ = std::move(page);
      state_ = State::Done;
      wake_.notify_all();
    }
  }

  PageFetcher& fetcher_;
  const std::atomic<bool>* stopRequested_;
  const CrawlRun::PageStep& pageStep_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  State state_ = State::Empty;
  bool closing_ = false;
  bool waiting_ = false;  // the run waits in take()
  std::size_t position_ = 0;
  std::string url_;
  Page page_;
  std::thread thread_;
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
    : desktop_(desktop),
      view_(view),
      store_(store),
      list_(list),
      fetcher_(fetcher),
      regional_(regional),
      appTitle_(std::move(appTitle)) {}

CrawlRun::~CrawlRun() { shutdown(); }

void CrawlRun::startUrlChanged(const std::string& text) {
  std::lock_guard lock(startUrlLock_);
  startUrl_ = text;
}

std::string CrawlRun::startUrlCopy() const {
  std::lock_guard lock(startUrlLock_);
  return startUrl_;
}

void CrawlRun::post(std::function<void(CrawlView&)> change) {
  desktop_.postToMain([this, change = std::move(change)] { change(view_); });
}

void CrawlRun::BitBtn1Click() {
  switch (state_.load()) {
    case RunState::Running:
      stopRequested_ = true;
      state_ = RunState::Stopping;
      view_.showRunState(RunState::Stopping);
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
    view_.setStartUrlText(*selectedLink);
    startUrlChanged(*selectedLink);
    BitBtn1Click();
  } else if (popupSource == "Button") {
    BitBtn1Click();
  }
}

void CrawlRun::joinFinishedThread() {
  if (thread_.joinable()) thread_.join();
}

void CrawlRun::startSequence() {
  const std::string typed = view_.startUrlText();
  const std::string trimmed = trimControl(typed);
  if (trimmed.empty()) {
    desktop_.showMessage("Warning", "Please enter Start URL!", MessageIcon::Warning);
    view_.focusStartUrl();
    return;
  }
  // The previous run's thread has handed over its end steps already.
  joinFinishedThread();

  view_.setBusyPointer(true);
  stopRequested_ = false;

  const RunOptionTexts options = view_.runOptions();
  int connectMs = 0;
  int responseMs = 0;
  for (const auto& [text, out] : {std::pair{&options.connectionTimeout, &connectMs},
                                  std::pair{&options.responseTimeout, &responseMs}}) {
    if (!parseInt32(*text, *out)) {
      view_.setBusyPointer(false);
      desktop_.showMessage(appTitle_, "'" + *text + "' is not a valid integer value", MessageIcon::Error);
      return;
    }
  }
  fetcher_.setUserAgent(options.userAgent);
  fetcher_.setTimeouts(connectMs, responseMs);

  state_ = RunState::Running;
  view_.showRunState(RunState::Running);
  view_.setOptionLinesEnabled(false);

  // Blanks around a pasted address would otherwise end up inside the crawled URLs.
  std::string start = trimmed;
  const std::string lower = lowerAscii(start.substr(0, 8));
  if (startsWith(lower, "http://"))
    start.replace(0, 7, "http://");
  else if (startsWith(lower, "https://"))
    start.replace(0, 8, "https://");
  if (start != typed) view_.setStartUrlText(start);
  startUrlChanged(start);

  list_.clear();
  view_.urlListCleared();
  desktop_.processEvents();

  added_ = 0;
  pageLimit_ = pageLimitFrom(options.pageLimit);

  store_.freshReset();
  view_.setRefreshTimerEnabled(true);

  if (start.compare(0, 4, "http") != 0) {
    start = "http://" + start;
    view_.setStartUrlText(start);
    startUrlChanged(start);
    desktop_.processEvents();
  }

  fetcher_.clearLastRedirect();
  try {
    fetcher_.FetchPage(start);
  } catch (const DecodeError&) {
  }
  const std::string redirect = fetcher_.lastRedirect();
  if (!redirect.empty() && redirect != start) {
    view_.setStartUrlText(redirect);
    startUrlChanged(redirect);
  }
  desktop_.processEvents();

  IntakeSettings settings;
  settings.ignoreExtensions = trimControl(options.ignoreExtensions);
  settings.ignoreUrls = ignoreUrlLines(options.ignoreUrls);
  settings.removeAnchors = options.removeAnchors;
  settings.scope = options.scope;
  threadAlive_ = true;
  thread_ = std::thread([this, settings = std::move(settings)]() mutable { CollectNow(std::move(settings)); });
}

void CrawlRun::CollectNow(IntakeSettings settings) {
  LinkIntake intake(std::move(settings), [this] { return startUrlCopy(); }, *this);
  const StopWatch watch{&stopRequested_, [this] { post([](CrawlView& v) { v.IslemTamam(); }); }};

  {
    ProjectStore::Batch batch(store_);
    intake.TakeInLink(startUrlCopy(), "", "", "");
  }

  const auto totalText = [this] { return "Total URLs: " + std::to_string(list_.size()); };
  FetchAhead ahead(fetcher_, &stopRequested_, pageStep_);
  using Clock = std::chrono::steady_clock;
  const auto runStarted = Clock::now();
  Clock::duration waited{};  // for pages to arrive
  for (std::size_t position = 0; position < list_.size(); ++position) {
    post([text = totalText()](CrawlView& v) { v.setStatusText(0, text); });
    if (state_.load() != RunState::Running) break;
    // A run that has spent most of its first pages waiting for the network
    // keeps deferred link indexes from here on, in the waits' shadow.
    if (position == kPagesBeforeIndexChoice && store_.linkIndexesPending() &&
        2 * waited >= Clock::now() - runStarted)
      store_.keepLinkIndexesFromNow();
    try {
      const auto started = Clock::now();
      const std::string pageUrl = list_.url(position);
      post([text = std::to_string(position + 1) + " / " + std::to_string(list_.size()),
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
          pageText = fetcher_.FetchPage(pageUrl, &watch);
        } catch (const DecodeError&) {
        }
        waited += Clock::now() - started;
        seconds = std::chrono::duration<double>(Clock::now() - started).count();
      }
      // Only URLs already in the list: the next page is the same one the
      // run would fetch after this page's scan.
      if (position + 1 < list_.size()) ahead.start(position + 1, list_.url(position + 1));
      list_.setLoadTime(position, formatLoadTime(seconds, regional_));
      post([position](CrawlView& v) { v.loadTimeWritten(position); });

      if (pageStep_) {
        if (page.readFailure) std::rethrow_exception(page.readFailure);
        const std::function<void()> store = page.read ? std::move(page.store) : pageStep_(pageUrl, pageText);
        if (store) desktop_.runOnMain(store);
      }
      ProjectStore::Batch batch(store_);
      intake.ScanLinks(pageUrl, pageText);
    } catch (const std::exception& e) {
      // Whatever went wrong with one page, the run goes on with the next.
      desktop_.report(appTitle_, e.what(), MessageIcon::Error);
    }
    post([text = totalText()](CrawlView& v) { v.setStatusText(0, text); });
  }
  // Nothing of the run may go on past its end.
  ahead.drop();
  endOfRun();
}

void CrawlRun::endOfRun() {
  desktop_.runOnMain([this] { view_.IslemTamam(); });
  // One unit on the main thread: no click can come between the caption turning
  // back to "Check" and the option lines being enabled.
  desktop_.runOnMain([this] {
    desktop_.beep();
    state_ = RunState::Idle;
    view_.showRunState(RunState::Idle);
    view_.setStatusText(2, "");
    view_.setOptionLinesEnabled(true);
    view_.setBusyPointer(false);
  });
  threadAlive_ = false;
}

void CrawlRun::shutdown() {
  if (thread_.joinable()) {
    if (state_.load() == RunState::Running) {
      stopRequested_ = true;
      state_ = RunState::Stopping;
    }
    while (threadAlive_.load()) {
      desktop_.processEvents();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    thread_.join();
  }
  // Status changes queued by the thread refer to this object.
  desktop_.processEvents();
}

void CrawlRun::AddInternalUrl(const std::string& pageUrl) {
  const bool added = list_.appendIfNew(
      pageUrl, [&] { return static_cast<std::int64_t>(added_.load()) < pageLimit_; });
  if (!added) return;
  ++added_;
  // Only this thread appends while a run is active.
  const std::size_t index = list_.size() - 1;
  post([index](CrawlView& v) { v.urlRowAdded(index); });
  store_.RecordNewPage(pageUrl);
}

void CrawlRun::StoreLink(const std::string& link, const std::string& sourcePage, const std::string& follow,
                         const std::string& anchor, const std::string& type) {
  store_.StoreLink(link, sourcePage, follow, anchor, type);
}

}  // namespace crawlspect
