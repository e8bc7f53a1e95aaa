#include "core/crawl/crawl_run.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "core/crawl/fetch_pool.h"
#include "core/crawl/internal_url_list.h"
#include "core/crawl/page_fetcher.h"
#include "core/pagefacts/html_document.h"
#include "core/pagefacts/page_reader.h"
#include "core/platform/desktop.h"
#include "core/platform/text.h"
#include "core/store/project_store.h"
#include "core/store/statements.h"

namespace crawlspect {

std::string normalizedStartUrl(const std::string& typed) {
  // Blanks around a pasted address would otherwise end up inside the crawled URLs.
  std::string start = trimControl(typed);
  if (start.empty()) return start;
  const std::string lower = lowerAscii(start.substr(0, 8));
  if (startsWith(lower, "http://"))
    start.replace(0, 7, "http://");
  else if (startsWith(lower, "https://"))
    start.replace(0, 8, "https://");
  if (start.compare(0, 4, "http") != 0) start = "http://" + start;
  return start;
}

CrawlRun::CrawlRun(Desktop& desktop, CrawlObserver& observer, ProjectStore& store, InternalUrlList& list,
                   PageFetcher& fetcher, RegionalSettings regional)
    : m_desktop(desktop),
      m_observer(observer),
      m_store(store),
      m_list(list),
      m_fetcher(fetcher),
      m_regional(regional) {}

CrawlRun::~CrawlRun() { shutdown(); }

std::string CrawlRun::startUrl() const {
  std::lock_guard lock(m_startUrlLock);
  return m_startUrl;
}

void CrawlRun::notify(std::function<void(CrawlObserver&)> event) {
  if (m_desktop.isMainThread())
    event(m_observer);
  else
    m_desktop.postToMain([this, event = std::move(event)] { event(m_observer); });
}

void CrawlRun::requestStop() {
  if (m_state.load() != RunState::Running) return;
  m_stopRequested = true;
  m_fetcher.interruptWaits();
  m_state = RunState::Stopping;
  m_observer.runStateChanged(RunState::Stopping);
}

void CrawlRun::joinFinishedThread() {
  if (m_thread.joinable()) m_thread.join();
}

void CrawlRun::start(const CrawlSettings& settings) {
  if (m_state.load() != RunState::Idle) throw std::logic_error("a crawl run is already going");
  const std::string start = normalizedStartUrl(settings.startUrl);
  if (start.empty()) throw std::invalid_argument("the start URL is empty");
  // The previous run's thread has handed over its end steps already.
  joinFinishedThread();

  m_stopRequested = false;
  m_fetcher.setUserAgent(settings.userAgent);
  m_fetcher.setTimeouts(static_cast<int>(settings.connectionTimeout.count()),
                        static_cast<int>(settings.responseTimeout.count()));
  m_fetcher.setMaxFetchTime(static_cast<int>(settings.maxFetchTime.count()));
  m_fetcher.setMaxRate(settings.maxRequestsPerSecond);
  m_state = RunState::Running;
  m_observer.runStateChanged(RunState::Running);

  {
    std::lock_guard lock(m_startUrlLock);
    m_startUrl = start;
  }
  if (start != settings.startUrl) m_observer.startUrlAdopted(start);

  m_list.clear();
  m_observer.urlListCleared();
  m_added = 0;
  m_pageLimit = std::clamp<std::int64_t>(settings.pageLimit, 1, kMaxPageLimit);
  m_checkExternal = settings.checkExternalLinks;
  m_parallel = static_cast<std::size_t>(std::clamp(settings.parallelRequests, 1, kMaxParallelRequests));
  m_robotsMode = settings.robots;
  m_store.freshReset();

  IntakeSettings intake;
  intake.ignoreExtensions = trimControl(settings.ignoreExtensions);
  intake.ignoreUrls = settings.ignoreUrlPrefixes;
  intake.removeAnchors = settings.removeAnchors;
  intake.scope = settings.scope;
  intake.rules = settings.linkRules;
  m_linkRules = settings.linkRules;
  m_threadAlive = true;
  m_thread = std::thread([this, intake = std::move(intake), start]() mutable { crawlLoop(std::move(intake), start); });
}

void CrawlRun::adoptRedirect(const std::string& probeUrl) {
  // The probe: where the start URL redirects to is where the crawl begins,
  // so that its pages count as internal to the site the user meant.
  m_fetcher.clearLastRedirect();
  const StopWatch watch{&m_stopRequested, nullptr};
  const FetchOutcome probe = m_fetcher.fetch(probeUrl, &watch).outcome;
  if (!probe.cutByStop && probe.failed()) {
    notify([reason = probe.errorText()](CrawlObserver& o) { o.startUrlFailed(reason); });
  }
  // The crawl fetches the start URL again unless it redirects elsewhere:
  // only then is the probe a fetch of its own to record.
  if (!probe.cutByStop && probe.redirected()) {
    m_store.recordResponse(probe);
    m_probeRecorded = probe.url;
  }
  const std::string redirect = m_fetcher.lastRedirect();
  if (redirect.empty() || redirect == probeUrl) return;
  {
    std::lock_guard lock(m_startUrlLock);
    m_startUrl = redirect;
  }
  notify([redirect](CrawlObserver& o) { o.startUrlAdopted(redirect); });
}

void CrawlRun::crawlLoop(IntakeSettings intakeSettings, std::string probeUrl) {
  m_probeRecorded.clear();
  const StopWatch robotsWatch{&m_stopRequested, nullptr};
  RobotsGate robots(m_robotsMode, m_fetcher, m_store, &robotsWatch);
  m_robots = &robots;
  // The start host's robots.txt comes first; an obeying run leaves a
  // disallowed start URL unfetched (its intake below records why).
  if (robots.allows(probeUrl) || m_robotsMode != RobotsMode::Obey) adoptRedirect(probeUrl);
  LinkIntake intake(
      std::move(intakeSettings), [this] { return startUrl(); }, *this);
  const StopWatch watch{&m_stopRequested, [this] { notify([](CrawlObserver& o) { o.transferCutOff(); }); }};

  {
    ProjectStore::Batch batch(m_store);
    intake.takeInLink(startUrl(), "", "", "");
  }

  FetchPool pool(m_fetcher, &m_stopRequested, m_pageStep, m_linkRules, m_parallel);
  // Only URLs already in the list: the pages the run would fetch next in
  // any case, at most the parallel requests at once.
  const auto fetchAhead = [&](std::size_t from, std::size_t to) {
    for (std::size_t next = from; next < std::min(to, m_list.size()); ++next) pool.start(next, m_list.url(next));
  };
  using Clock = std::chrono::steady_clock;
  const auto runStarted = Clock::now();
  Clock::duration waited{};  // for pages to arrive
  for (std::size_t position = 0; position < m_list.size(); ++position) {
    if (m_state.load() != RunState::Running) break;
    // A run that has spent most of its first pages waiting for the network
    // keeps deferred link indexes from here on, in the waits' shadow.
    if (position == kPagesBeforeIndexChoice && m_store.linkIndexesPending() && 2 * waited >= Clock::now() - runStarted)
      m_store.keepLinkIndexesFromNow();
    const FetchOutcome* outcome = nullptr;
    FetchPool::Page page;
    try {
      const auto started = Clock::now();
      const std::string pageUrl = m_list.url(position);
      notify(
          [progress = PageProgress{position, m_list.size(), pageUrl}](CrawlObserver& o) { o.pageStarted(progress); });
      std::string pageText;
      double seconds = 0;
      // This page is the first of the fetches at once (and was begun one
      // page earlier when the run is one at a time).
      if (position > 0 || m_parallel > 1) fetchAhead(position, position + m_parallel);
      if (pool.holds(position)) {
        const auto waitFrom = Clock::now();
        page = pool.take(position);
        waited += Clock::now() - waitFrom;
        if (page.cutOff) watch.onCutOff();
        if (page.failure) std::rethrow_exception(page.failure);
        pageText = std::move(page.text);
        seconds = page.seconds;
      } else {
        // An undecodable body reads as an empty page (its outcome says so):
        // the page keeps its row, without facts or links, and the run goes on.
        PageFetcher::FetchedPage fetched = m_fetcher.fetch(pageUrl, &watch);
        pageText = std::move(fetched.text);
        page.outcome = std::move(fetched.outcome);
        waited += Clock::now() - started;
        seconds = std::chrono::duration<double>(Clock::now() - started).count() - page.outcome.pacedMs / 1000.0;
      }
      // Written with the page's links, in one commit; a fetch the stop cut
      // off says nothing about the server and is not kept.
      const bool recordOutcome = !page.outcome.cutByStop && page.outcome.url != m_probeRecorded;
      outcome = recordOutcome ? &page.outcome : nullptr;
      // While this page is read and stored, the next one is on its way.
      fetchAhead(position + 1, position + 1 + m_parallel);
      m_list.setLoadTime(position, formatLoadTime(seconds, m_regional));
      notify([position](CrawlObserver& o) { o.loadTimeKnown(position); });
      // A page cut short by the stop is not taken in: the rows of a stopped
      // run are those of the whole run up to the last page stored.
      if (page.outcome.cutByStop) break;

      // Under the standard rules a URL that redirects has no page of its
      // own: it keeps empty facts, and where it leads is its one link, so an
      // internal target is crawled at its own turn under its own address.
      const bool redirectsElsewhere = m_linkRules == LinkRules::Standard && page.outcome.redirected();
      if (page.readFailure && !redirectsElsewhere) std::rethrow_exception(page.readFailure);
      PageRead read;
      if (redirectsElsewhere) {
        read = readPage(m_pageStep, m_linkRules, pageUrl, std::string());
        read.links.links.push_back(PageLink{page.outcome.finalUrl, "", ""});
      } else {
        read = page.read ? std::move(page.content) : readPage(m_pageStep, m_linkRules, pageUrl, pageText);
      }
      if (read.store) m_desktop.runOnMain(read.store);
      ProjectStore::Batch batch(m_store);
      if (outcome) m_store.recordResponse(*outcome);
      outcome = nullptr;
      if (m_linkRules == LinkRules::Classic)
        intake.scanLinks(pageUrl, pageText);
      else
        intake.takeInPageLinks(pageUrl, read.links);
    } catch (const std::exception& e) {
      // The page's step failed before its outcome was written.
      if (outcome) m_store.recordResponse(*outcome);
      // Whatever went wrong with one page, the run goes on with the next.
      m_desktop.runOnMain([this, message = std::string(e.what())] { m_observer.pageFailed(message); });
    }
    notify([position, total = m_list.size()](CrawlObserver& o) { o.pageFinished(position, total); });
  }
  // Nothing of the run may go on past its end.
  pool.drop();
  if (m_checkExternal && m_state.load() == RunState::Running) checkExternalLinks();
  m_robots = nullptr;
  endOfRun();
}

void CrawlRun::checkExternalLinks() {
  std::vector<std::string> links;
  try {
    m_store.database().forEachRow(sql::kSelectExternalLinks, [&links](const RowView& row) {
      const std::string_view link = row.text(0);
      const std::string scheme = lowerAscii(link.substr(0, 8));
      if (startsWith(scheme, "http://") || startsWith(scheme, "https://")) links.emplace_back(link);
    });
  } catch (const DbError& e) {
    m_desktop.runOnMain([this, message = statementErrorReport(e.what())] { m_observer.pageFailed(message); });
    return;
  }
  notify([count = links.size()](CrawlObserver& o) { o.externalCheckStarted(count); });
  m_fetcher.checkLinks(links, &m_stopRequested,
                       [this](const FetchOutcome& outcome) { m_store.recordResponse(outcome); });
}

void CrawlRun::endOfRun() {
  const RunEnd end = m_stopRequested.load() ? RunEnd::Stopped : RunEnd::Complete;
  // The run's request rate is the run's: a page analysed afterwards with the
  // same fetcher does not wait for it.
  m_fetcher.setMaxRate(0);
  // One unit on the main thread: no click can come between the state turning
  // back to Idle and the front end taking note of the end.
  m_desktop.runOnMain([this, end] {
    m_state = RunState::Idle;
    m_observer.runFinished(end);
  });
  m_threadAlive = false;
  // Wakes a main thread that waits for this run in shutdown().
  m_desktop.postToMain([] {});
}

void CrawlRun::shutdown() {
  if (m_thread.joinable()) {
    if (m_state.load() == RunState::Running) {
      m_stopRequested = true;
      m_fetcher.interruptWaits();
      m_state = RunState::Stopping;
    }
    // The run's last steps need the main thread; serve them until it is done.
    m_desktop.serveUntil([this] { return !m_threadAlive.load(); });
    m_thread.join();
  }
  // Events queued by the thread refer to this object.
  m_desktop.processEvents();
}

void CrawlRun::addInternalUrl(const std::string& pageUrl) {
  // Only a URL that could still join the list is judged by robots.txt, so
  // that no host's file is fetched for nothing.
  if (static_cast<std::int64_t>(m_added.load()) >= m_pageLimit || m_list.contains(pageUrl)) return;
  const bool blocked = m_robots && !m_robots->allows(pageUrl);
  if (blocked && m_robots->mode() == RobotsMode::Obey) {
    m_robots->recordBlocked(pageUrl);
    return;
  }
  const bool added =
      m_list.appendIfNew(pageUrl, [&] { return static_cast<std::int64_t>(m_added.load()) < m_pageLimit; });
  if (!added) return;
  ++m_added;
  // Only this thread appends while a run is active.
  const std::size_t index = m_list.size() - 1;
  notify([index](CrawlObserver& o) { o.urlAdded(index); });
  m_store.recordNewPage(pageUrl);
  if (blocked) m_robots->recordBlocked(pageUrl);
}

void CrawlRun::storeLink(const std::string& link, const std::string& sourcePage, const std::string& follow,
                         const std::string& anchor, const std::string& type) {
  m_store.storeLink(link, sourcePage, follow, anchor, type);
}

}  // namespace crawlspect
