#pragma once
// One libcurl transfer as the fetcher and the external link check run it: a
// fresh client per request, redirects never followed by libcurl (the callers
// follow them with their own rule), the stop request, the response time-out
// and the slow-transfer check watched to the millisecond, and the failure
// classed from libcurl's own result.
#include <curl/curl.h>

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "core/crawl/fetch_outcome.h"
#include "core/crawl/page_fetcher.h"

namespace crawlspect::transfer {

using Clock = std::chrono::steady_clock;

inline constexpr const char* kAccept = "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";

// A body dripping a byte at a time never trips the wait for data; a
// transfer slower than this over a whole response time-out is given up.
inline constexpr double kLowSpeedBytesPerSecond = 64;

inline bool isSuccess(long status) { return status >= 200 && status <= 299; }

struct Transfer {
  CURL* handle = nullptr;
  std::string body;
  bool keepBody = true;  // false: the body is counted, not kept
  std::string statusLine;
  std::size_t limit = 0;
  std::size_t received = 0;  // body bytes of this response, whatever its status
  bool overLimit = false;
  bool cutByStop = false;
  bool timedOut = false;
  bool overTime = false;  // the whole fetch's time limit ran out
  Clock::time_point deadline = Clock::time_point::max();
  std::chrono::milliseconds maxFetchTime{0};
  const StopWatch* watch = nullptr;
  Clock::time_point lastActivity = Clock::now();
  std::chrono::milliseconds responseTimeout{10000};
  // The slow-transfer check: bytes seen (headers and body) and where its
  // current window of one response time-out began.
  std::size_t bytesSeen = 0;
  std::size_t windowBytes = 0;
  Clock::time_point windowStart = Clock::now();
};

struct RequestSettings {
  std::string agent;
  int connectMs = 0;
  int responseMs = 0;
  int maxFetchMs = 0;
  const std::string* verifiedCaFile = nullptr;  // set: a service's fetch, verified
};

// The progress check of a transfer: non-zero ends it (a stop request, the
// fetch's time limit, the response time-out, a transfer too slow).
int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
// How long a watched transfer may sleep before its next check is due: at
// most 100 ms (a stop request), and never past the response time-out.
int nextCheckMs(const Transfer& t);
bool isHttpAddress(std::string_view url);

// A GET (or, with head, a HEAD) of url with a fresh client, redirects not
// followed: every response comes back to the caller's own loop. The headers
// list and errbuf live as long as the handle.
CURL* openRequest(const std::string& url, const RequestSettings& settings, Transfer& t, curl_slist* headers,
                  char (&errbuf)[CURL_ERROR_SIZE], bool head = false);
// curl_easy_perform, but through a multi handle woken at least every 100 ms:
// the easy interface may sleep a whole second between two calls of the
// progress function, and a stop request should not wait that long.
CURLcode performWatched(CURL* h, Transfer& t);

FetchFailure failureOfCode(CURLcode rc);

struct Failure {
  FetchFailure kind;
  std::string message;  // also the last fetch error
};
// Why a transfer did not complete.
Failure transferFailure(const Transfer& t, CURLcode rc, const char* errbuf);

// Why a redirect response to destination, the responses-th redirect in a row,
// is not followed; None when it is.
Failure refusedRedirect(int responses, const std::string& destination);

// A time of libcurl's (CURLINFO_*_TIME_T) in milliseconds.
double infoMs(CURL* h, CURLINFO info);

}  // namespace crawlspect::transfer
