#pragma once
// The pages of the internal URL list fetched ahead of their turn: up to
// "Parallel requests" fetches at once, each on a thread of the pool with
// PageFetcher::fetch, so that the network's waits overlap while the crawl
// thread reads, stores and takes in the pages strictly in list order. A page
// that arrives before its turn is also read here (the read half of the page
// step touches nothing but the text), on another core while earlier pages'
// statements run; when the crawl thread already waits for it, it is handed
// over unread. Every page waits in memory until the crawl thread takes it or
// the pool is dropped; the crawl thread never asks for more than the
// parallel requests ahead, so that is the bound.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/crawl/crawl_run.h"
#include "core/crawl/fetch_outcome.h"
#include "core/crawl/link_intake.h"

namespace crawlspect {

class PageFetcher;

// The read half of a page: what stores its facts and, under the standard
// link rules, its links, from one parse of the page.
struct PageRead {
  std::function<void()> store;
  PageLinks links;
};

PageRead readPage(const CrawlRun::PageStep& step, LinkRules rules, const std::string& url, const std::string& text);

class FetchPool {
 public:
  struct Page {
    std::string text;
    FetchOutcome outcome;
    double seconds = 0;   // the page's own fetch, without waits for the rate limit
    bool cutOff = false;  // the stop request cut the transfer
    std::exception_ptr failure;
    // The page's read, when done ahead, or what the read raised.
    bool read = false;
    PageRead content;
    std::exception_ptr readFailure;
  };

  // width: how many fetches may run at once, and so how many threads at most.
  FetchPool(PageFetcher& fetcher, const std::atomic<bool>* stopRequested, const CrawlRun::PageStep& pageStep,
            LinkRules rules, std::size_t width);
  ~FetchPool();
  FetchPool(const FetchPool&) = delete;
  FetchPool& operator=(const FetchPool&) = delete;

  std::size_t width() const { return m_width; }
  // Begins the fetch of the page at this position of the list, unless it is
  // held already. Nothing when no thread can be had: the caller fetches the
  // page itself at its turn.
  void start(std::size_t position, const std::string& url);
  bool holds(std::size_t position) const;
  // Waits for the page at this position (held) and hands it over.
  Page take(std::size_t position);
  // Forgets every page; fetches under way are waited for (a stop cuts them off).
  void drop();

 private:
  enum class State { Queued, Fetching, Done };
  struct Slot {
    std::string url;
    State state = State::Queued;
    Page page;
  };

  void serve();
  Page fetchAndRead(std::size_t position, const std::string& url);

  PageFetcher& m_fetcher;
  const std::atomic<bool>* m_stopRequested;
  const CrawlRun::PageStep& m_pageStep;
  const LinkRules m_rules;
  const std::size_t m_width;
  mutable std::mutex m_mutex;
  std::condition_variable m_wake;
  std::map<std::size_t, Slot> m_slots;  // by position in the list
  std::size_t m_busy = 0;               // slots being fetched or read
  bool m_closing = false;
  bool m_waiting = false;        // the crawl thread waits in take() ...
  std::size_t m_waitingFor = 0;  // ... for this position
  std::vector<std::thread> m_threads;
};

}  // namespace crawlspect
