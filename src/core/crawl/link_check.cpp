// PageFetcher::checkLinks: many short transfers at once on one libcurl multi
// handle, each link's check a small state machine (HEAD or GET, hop by hop).
#include <curl/curl.h>

#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <unordered_map>

#include "core/crawl/curl_transfer.h"
#include "core/crawl/page_fetcher.h"
#include "core/platform/text.h"

namespace crawlspect {

using namespace transfer;

namespace {

std::string hostOf(const std::string& url) {
  std::string host;
  CURLU* parts = curl_url();
  char* text = nullptr;
  if (parts && curl_url_set(parts, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
      curl_url_get(parts, CURLUPART_HOST, &text, 0) == CURLUE_OK) {
    host = lowerAscii(text);
    curl_free(text);
  }
  curl_url_cleanup(parts);
  return host;
}

struct LinkCheck {
  FetchOutcome outcome;
  std::string current;  // the address of the next (or running) request
  bool head = true;
  int redirectResponses = 0;
  bool finished = false;
  bool begun = false;
  Clock::time_point deadline;  // of the whole check, from its first request
  // The running request.
  std::unique_ptr<Transfer> transfer;
  char errbuf[CURL_ERROR_SIZE] = {0};
  curl_slist* headers = nullptr;
  std::string host;
};

struct HostQueue {
  std::deque<std::size_t> waiting;
  int running = 0;
};

class LinkChecker {
 public:
  LinkChecker(const RequestSettings& settings, std::size_t bodyLimit, const std::atomic<bool>* stop,
              RequestPacer& pacer)
      : m_settings(settings), m_bodyLimit(bodyLimit), m_stop(stop), m_pacer(pacer), m_multi(curl_multi_init()) {}
  ~LinkChecker() {
    for (auto& [handle, index] : m_running) {
      curl_multi_remove_handle(m_multi, handle);
      curl_easy_cleanup(handle);
      curl_slist_free_all(m_checks[index]->headers);
    }
    curl_multi_cleanup(m_multi);
  }
  LinkChecker(const LinkChecker&) = delete;
  LinkChecker& operator=(const LinkChecker&) = delete;

  void run(const std::vector<std::string>& urls, const std::function<void(const FetchOutcome&)>& onChecked) {
    if (!m_multi) return;
    for (const std::string& url : urls) {
      auto check = std::make_unique<LinkCheck>();
      check->outcome.url = url;
      check->outcome.finalUrl = url;
      check->outcome.external = true;
      check->current = url;
      m_checks.push_back(std::move(check));
      enqueue(m_checks.size() - 1);
    }
    std::size_t delivered = 0;
    auto deliver = [&] {
      while (delivered < m_checks.size() && m_checks[delivered]->finished) onChecked(m_checks[delivered++]->outcome);
    };
    for (;;) {
      if (m_stop && m_stop->load()) {
        // What has finished is kept; the rest is dropped.
        for (; delivered < m_checks.size(); ++delivered)
          if (m_checks[delivered]->finished) onChecked(m_checks[delivered]->outcome);
        return;
      }
      // Milliseconds until the rate limit's next turn, when a request waits for it.
      const int untilTurn = schedule();
      if (m_running.empty() && untilTurn < 0) break;
      int active = 0;
      curl_multi_perform(m_multi, &active);
      int left = 0;
      while (CURLMsg* msg = curl_multi_info_read(m_multi, &left))
        if (msg->msg == CURLMSG_DONE) finishRequest(msg->easy_handle, msg->data.result);
      // The checks libcurl does not make while it waits: stop, time-outs.
      std::vector<CURL*> overdue;
      int wait = untilTurn >= 0 ? std::min(100, untilTurn) : 100;
      for (auto& [handle, index] : m_running) {
        Transfer& t = *m_checks[index]->transfer;
        if (onProgress(&t, 0, 0, 0, 0) != 0)
          overdue.push_back(handle);
        else
          wait = std::min(wait, nextCheckMs(t));
      }
      for (CURL* handle : overdue) finishRequest(handle, CURLE_ABORTED_BY_CALLBACK);
      deliver();
      if (!m_running.empty() || untilTurn >= 0) curl_multi_poll(m_multi, nullptr, 0, wait, nullptr);
    }
    deliver();
  }

 private:
  void enqueue(std::size_t index) {
    LinkCheck& check = *m_checks[index];
    check.host = hostOf(check.current);
    m_hosts[check.host].waiting.push_back(index);
  }

  // Starts waiting requests while there is room, host by host, each at its
  // turn of the rate limit. Gives the milliseconds until the next turn when a
  // request was held back for it, else -1.
  int schedule() {
    for (auto& [host, queue] : m_hosts) {
      while (m_running.size() < static_cast<std::size_t>(PageFetcher::kLinkChecksAtOnce) &&
             queue.running < PageFetcher::kLinkChecksPerHost && !queue.waiting.empty()) {
        if (Clock::time_point due; !m_pacer.tryTurn(due)) {
          const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(due - Clock::now()).count();
          return static_cast<int>(std::clamp<long long>(left + 1, 1, 100));
        }
        const std::size_t index = queue.waiting.front();
        queue.waiting.pop_front();
        startRequest(index, queue);
      }
      if (m_running.size() >= static_cast<std::size_t>(PageFetcher::kLinkChecksAtOnce)) return -1;
    }
    return -1;
  }

  void startRequest(std::size_t index, HostQueue& queue) {
    LinkCheck& check = *m_checks[index];
    if (!check.begun) check.deadline = Clock::now() + std::chrono::milliseconds(m_settings.maxFetchMs);
    check.begun = true;
    check.transfer = std::make_unique<Transfer>();
    Transfer& t = *check.transfer;
    t.keepBody = false;
    t.limit = m_bodyLimit;
    t.responseTimeout = std::chrono::milliseconds(m_settings.responseMs);
    t.deadline = check.deadline;
    t.maxFetchTime = std::chrono::milliseconds(m_settings.maxFetchMs);
    t.watch = &m_watch;
    check.errbuf[0] = 0;
    check.headers = curl_slist_append(nullptr, (std::string("Accept: ") + kAccept).c_str());
    CURL* handle = openRequest(check.current, m_settings, t, check.headers, check.errbuf, check.head);
    if (!handle || curl_multi_add_handle(m_multi, handle) != CURLM_OK) {
      if (handle) curl_easy_cleanup(handle);
      curl_slist_free_all(check.headers);
      check.outcome.failure = FetchFailure::Connect;
      check.outcome.failureMessage = "Could not create the HTTP client.";
      check.finished = true;
      return;
    }
    ++queue.running;
    m_running.emplace(handle, index);
  }

  void finishRequest(CURL* handle, CURLcode rc) {
    const auto found = m_running.find(handle);
    if (found == m_running.end()) return;
    const std::size_t index = found->second;
    m_running.erase(found);
    LinkCheck& check = *m_checks[index];
    --m_hosts[check.host].running;
    curl_multi_remove_handle(m_multi, handle);

    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    const char* location = nullptr;
    curl_easy_getinfo(handle, CURLINFO_REDIRECT_URL, &location);
    const std::string destination = location ? location : "";
    const char* contentTypeInfo = nullptr;
    curl_easy_getinfo(handle, CURLINFO_CONTENT_TYPE, &contentTypeInfo);
    // Copied now: the handle owns the text.
    const std::string contentType = contentTypeInfo ? contentTypeInfo : "";
    curl_off_t bytes = 0;
    curl_easy_getinfo(handle, check.head ? CURLINFO_CONTENT_LENGTH_DOWNLOAD_T : CURLINFO_SIZE_DOWNLOAD_T, &bytes);
    const double ttfb = status != 0 ? infoMs(handle, CURLINFO_STARTTRANSFER_TIME_T) : 0;
    FetchOutcome& outcome = check.outcome;
    outcome.timeMs += infoMs(handle, CURLINFO_TOTAL_TIME_T);
    curl_easy_cleanup(handle);
    curl_slist_free_all(check.headers);
    check.headers = nullptr;
    const Transfer t = std::move(*check.transfer);
    check.transfer.reset();

    if (t.cutByStop) return;  // dropped with the rest
    // A server that refuses HEAD, or a HEAD that fails, is asked again with a GET.
    if (check.head && (rc != CURLE_OK || status == 405 || status == 501)) {
      check.head = false;
      enqueue(index);
      return;
    }
    if (check.redirectResponses == 0) {
      outcome.firstStatus = status;
      outcome.ttfbMs = ttfb;
    }
    outcome.finalStatus = status;
    outcome.finalUrl = check.current;
    outcome.contentType = contentType;
    outcome.bodyBytes = std::max<curl_off_t>(0, bytes);
    check.finished = true;
    if (rc != CURLE_OK) {
      Failure failure = transferFailure(t, rc, check.errbuf);
      outcome.failure = failure.kind;
      outcome.failureMessage = std::move(failure.message);
      return;
    }
    if (status >= 300 && status <= 399 && !destination.empty()) {
      if (Failure refused = refusedRedirect(++check.redirectResponses, destination);
          refused.kind != FetchFailure::None) {
        outcome.failure = refused.kind;
        outcome.failureMessage = std::move(refused.message);
        return;
      }
      outcome.hops.push_back({destination, status});
      check.current = destination;
      check.finished = false;
      enqueue(index);
      return;
    }
    if (!isSuccess(status)) {
      outcome.failure = FetchFailure::Http;
      outcome.failureMessage = t.statusLine.empty() ? "HTTP status " + std::to_string(status) : t.statusLine;
    }
  }

  RequestSettings m_settings;
  std::size_t m_bodyLimit;
  const std::atomic<bool>* m_stop;
  RequestPacer& m_pacer;
  StopWatch m_watch{m_stop, nullptr};
  CURLM* m_multi;
  std::vector<std::unique_ptr<LinkCheck>> m_checks;
  std::map<std::string, HostQueue> m_hosts;
  std::unordered_map<CURL*, std::size_t> m_running;
};

}  // namespace

void PageFetcher::checkLinks(const std::vector<std::string>& urls, const std::atomic<bool>* stopRequested,
                             const std::function<void(const FetchOutcome&)>& onChecked) {
  RequestSettings settings;
  {
    std::lock_guard lock(m_settingsLock);
    settings = {m_agent, m_connectMs, m_responseMs, m_maxFetchMs};
  }
  LinkChecker checker(settings, m_bodyLimit, stopRequested, m_pacer);
  checker.run(urls, onChecked);
}

}  // namespace crawlspect
