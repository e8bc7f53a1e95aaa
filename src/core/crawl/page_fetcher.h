#pragma once
// fetch: one HTTP(S) GET with a fresh client, redirects followed by our own
// loop (at most eight; the ninth ends the fetch with empty text), the body
// decoded by bytes and byte-order mark only, every line ended with CR LF,
// and the outcome of the whole fetch as libcurl saw it.
#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/crawl/fetch_outcome.h"
#include "core/crawl/request_pacer.h"

namespace crawlspect {

// Raised when a body is neither UTF-8 nor readable by the second decoding.
class DecodeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What a crawl thread's fetch watches: the run's stop request, and what to
// ask of the main thread when a stop cut the transfer off.
struct StopWatch {
  const std::atomic<bool>* stopRequested = nullptr;
  std::function<void()> onCutOff;
};

class PageFetcher {
 public:
  static constexpr std::size_t kDefaultBodyLimit = 50u * 1024u * 1024u;
  static constexpr int kMaxRedirectResponses = 9;
  static constexpr int kDefaultMaxFetchMs = 60000;

  PageFetcher();

  struct FetchedPage {
    std::string text;  // empty unless the last response was a success
    FetchOutcome outcome;
    std::string decodeFailure;  // why the body could not be decoded, or empty
  };
  // Never raises: every failure, an undecodable body too, is in the outcome
  // (and, as before, in the last fetch error).
  FetchedPage fetch(const std::string& url, const StopWatch* watch = nullptr);
  // The text alone. Transfer failures are absorbed (last fetch error); raises DecodeError only.
  std::string fetchPage(const std::string& url, const StopWatch* watch = nullptr);
  // The same for a service the program talks to rather than a crawled site:
  // HTTPS only, redirects included, the server's certificate and host name
  // checked against caFile (PEM) or, when empty, the system's certificates.
  std::string fetchVerified(const std::string& url, const std::string& caFile, const StopWatch* watch = nullptr);

  // The external link check: each URL once, HEAD first and GET when HEAD is
  // refused (405, 501) or fails, redirects followed by the same rule as a
  // page's, up to kLinkChecksAtOnce transfers at a time and never more than
  // kLinkChecksPerHost to one host, with this fetcher's user agent, time-outs
  // and body cap. onChecked gets every finished check's outcome (external
  // set), in the order of urls, on the calling thread. A stop request ends
  // the check: what has not finished is dropped.
  static constexpr int kLinkChecksAtOnce = 4;
  static constexpr int kLinkChecksPerHost = 2;
  void checkLinks(const std::vector<std::string>& urls, const std::atomic<bool>* stopRequested,
                  const std::function<void(const FetchOutcome&)>& onChecked);

  // Settings of the latest crawl run.
  void setUserAgent(std::string agent);
  void setTimeouts(int connectMs, int responseMs);
  void setBodyLimit(std::size_t bytes) { m_bodyLimit = bytes; }
  // The whole of one fetchPage, redirects included; zero or less keeps the
  // built-in 60 s. A server that keeps a transfer alive with a trickle of
  // bytes trips neither time-out, so this is what ends it.
  void setMaxFetchTime(int ms);
  std::string userAgent() const;
  // "Max requests per second" of the run (zero: no limit): every request of
  // fetch and checkLinks waits for its turn; fetchVerified is not counted.
  void setMaxRate(double perSecond) { m_pacer.setRate(perSecond); }
  // A slower rate for the rest of the run (a robots.txt's Crawl-delay).
  void capMaxRate(double perSecond) { m_pacer.capRate(perSecond); }
  // Wakes fetches waiting for a turn, to see the stop request just set.
  void interruptWaits() { m_pacer.interrupt(); }

  std::string lastFetchError() const;
  void setLastFetchError(std::string text);
  std::string lastRedirect() const;
  void clearLastRedirect();

 private:
  mutable std::mutex m_settingsLock;
  std::string m_agent;
  int m_connectMs = 10000;
  int m_responseMs = 10000;
  int m_maxFetchMs = kDefaultMaxFetchMs;
  std::size_t m_bodyLimit = kDefaultBodyLimit;
  RequestPacer m_pacer;

  FetchedPage fetchWith(const std::string& url, const StopWatch* watch, const std::string* verifiedCaFile);

  mutable std::mutex m_errorLock;
  std::string m_lastError;
  mutable std::mutex m_redirectLock;
  std::string m_lastRedirect;
};

// The byte decoding of a body: UTF-8 (a UTF-8 byte-order mark skipped); else a
// byte-order mark selects UTF-8 or UTF-16 LE/BE; else Windows-1252. Then every
// line is followed by CR LF and the text ends at its first NUL.
std::string decodePageBytes(std::string_view bytes);

}  // namespace crawlspect
