#include "core/crawl/fetch_pool.h"

#include <algorithm>
#include <chrono>
#include <system_error>
#include <utility>

#include "core/crawl/page_fetcher.h"
#include "core/pagefacts/html_document.h"
#include "core/pagefacts/page_reader.h"

namespace crawlspect {

PageRead readPage(const CrawlRun::PageStep& step, LinkRules rules, const std::string& url, const std::string& text) {
  PageRead read;
  if (rules == LinkRules::Classic) {
    if (step) read.store = step(url, text, nullptr);
    return read;
  }
  ReadDocument doc = readDocumentAndLinks(text, NamedReferences::Html5);
  if (step) read.store = step(url, text, doc.document.get());
  read.links = std::move(doc.links);
  return read;
}

FetchPool::FetchPool(PageFetcher& fetcher, const std::atomic<bool>* stopRequested, const CrawlRun::PageStep& pageStep,
                     LinkRules rules, std::size_t width)
    : m_fetcher(fetcher),
      m_stopRequested(stopRequested),
      m_pageStep(pageStep),
      m_rules(rules),
      m_width(std::max<std::size_t>(1, width)) {}

FetchPool::~FetchPool() {
  drop();
  {
    std::lock_guard lock(m_mutex);
    m_closing = true;
  }
  m_wake.notify_all();
  for (std::thread& thread : m_threads) thread.join();
}

void FetchPool::start(std::size_t position, const std::string& url) {
  {
    std::lock_guard lock(m_mutex);
    if (m_slots.count(position) != 0) return;
    // The threads are kept for the whole run: a thread made anew for every
    // page waits its first turn behind the busy ones, a sleeping one is woken
    // at once. There are as many as pages not yet fetched, up to the width.
    const auto unfetched = static_cast<std::size_t>(std::count_if(
        m_slots.begin(), m_slots.end(), [](const auto& slot) { return slot.second.state != State::Done; }));
    if (m_threads.size() < std::min(m_width, unfetched + 1)) {
      try {
        m_threads.emplace_back([this] { serve(); });
      } catch (const std::system_error&) {
        if (m_threads.empty()) return;  // no thread at all: the page is fetched at its turn
      }
    }
    m_slots[position].url = url;
  }
  m_wake.notify_all();
}

bool FetchPool::holds(std::size_t position) const {
  std::lock_guard lock(m_mutex);
  return m_slots.count(position) != 0;
}

FetchPool::Page FetchPool::take(std::size_t position) {
  std::unique_lock lock(m_mutex);
  m_waiting = true;
  m_waitingFor = position;
  m_wake.wait(lock, [&] { return m_slots.at(position).state == State::Done; });
  m_waiting = false;
  const auto found = m_slots.find(position);
  Page page = std::move(found->second.page);
  m_slots.erase(found);
  return page;
}

void FetchPool::drop() {
  std::unique_lock lock(m_mutex);
  std::erase_if(m_slots, [](const auto& slot) { return slot.second.state == State::Queued; });
  m_wake.wait(lock, [this] { return m_busy == 0; });
  m_slots.clear();
}

void FetchPool::serve() {
  std::unique_lock lock(m_mutex);
  for (;;) {
    // The earliest page of the list not yet begun.
    auto next = m_slots.end();
    m_wake.wait(lock, [&] {
      next = std::find_if(m_slots.begin(), m_slots.end(),
                          [](const auto& slot) { return slot.second.state == State::Queued; });
      return m_closing || next != m_slots.end();
    });
    if (m_closing) return;
    const std::size_t position = next->first;
    const std::string url = next->second.url;
    next->second.state = State::Fetching;
    ++m_busy;
    lock.unlock();
    Page page = fetchAndRead(position, url);
    lock.lock();
    // drop() waits for busy slots, so the slot is still there.
    Slot& slot = m_slots.at(position);
    slot.page = std::move(page);
    slot.state = State::Done;
    --m_busy;
    m_wake.notify_all();
  }
}

FetchPool::Page FetchPool::fetchAndRead(std::size_t position, const std::string& url) {
  Page page;
  const auto started = std::chrono::steady_clock::now();
  // A cut-off is passed on only when the page is used.
  const StopWatch watch{m_stopRequested, [&page] { page.cutOff = true; }};
  try {
    PageFetcher::FetchedPage fetched = m_fetcher.fetch(url, &watch);
    page.text = std::move(fetched.text);
    page.outcome = std::move(fetched.outcome);
  } catch (...) {
    page.failure = std::current_exception();
  }
  page.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count() - page.outcome.pacedMs / 1000.0;
  {
    std::lock_guard lock(m_mutex);
    // The crawl thread waiting for this very page reads it at once itself.
    if (m_waiting && m_waitingFor == position) return page;
  }
  const bool stopped = m_stopRequested && m_stopRequested->load();
  if ((m_pageStep || m_rules == LinkRules::Standard) && !page.failure && !page.outcome.cutByStop && !stopped) {
    try {
      page.content = readPage(m_pageStep, m_rules, url, page.text);
    } catch (...) {
      page.readFailure = std::current_exception();
    }
    page.read = true;
  }
  return page;
}

}  // namespace crawlspect
