#include "core/crawl/curl_transfer.h"

#include <algorithm>

#include "core/platform/text.h"

namespace crawlspect::transfer {

namespace {

size_t onHeader(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const size_t n = size * count;
  t->lastActivity = Clock::now();
  t->bytesSeen += n;
  std::string_view line(data, n);
  if (startsWith(line, "HTTP/")) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    t->statusLine.assign(line);
  }
  return n;
}

size_t onBody(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const size_t n = size * count;
  t->lastActivity = Clock::now();
  t->bytesSeen += n;
  long status = 0;
  curl_easy_getinfo(t->handle, CURLINFO_RESPONSE_CODE, &status);
  // An error or redirect body never reaches the text, but it counts against
  // the cap all the same: an endless 404 would otherwise be read forever.
  const bool kept = t->keepBody && isSuccess(status);
  if (t->received + n > t->limit) {
    if (kept) t->body.append(data, t->limit - t->received);
    t->received = t->limit;
    t->overLimit = true;
    return 0;  // cuts the transfer; what arrived stays
  }
  t->received += n;
  if (kept) t->body.append(data, n);
  return n;
}

}  // namespace

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* t = static_cast<Transfer*>(user);
  if (t->watch && t->watch->stopRequested && t->watch->stopRequested->load()) {
    t->cutByStop = true;
    return 1;
  }
  const auto now = Clock::now();
  if (now >= t->deadline) {
    t->overTime = true;
    return 1;
  }
  curl_off_t connectTime = 0;
  curl_easy_getinfo(t->handle, CURLINFO_CONNECT_TIME_T, &connectTime);
  if (connectTime == 0) {
    // Still connecting: that wait is bounded by the connection time-out.
    t->lastActivity = now;
    t->windowStart = now;
    return 0;
  }
  if (now - t->lastActivity >= t->responseTimeout) {
    t->timedOut = true;
    return 1;
  }
  if (now - t->windowStart >= t->responseTimeout) {
    const double seconds = std::chrono::duration<double>(now - t->windowStart).count();
    if (static_cast<double>(t->bytesSeen - t->windowBytes) < kLowSpeedBytesPerSecond * seconds) {
      t->timedOut = true;
      return 1;
    }
    t->windowStart = now;
    t->windowBytes = t->bytesSeen;
  }
  return 0;
}

int nextCheckMs(const Transfer& t) {
  const auto due = std::min(t.lastActivity, t.windowStart) + t.responseTimeout;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(due - Clock::now()).count() + 1;
  return static_cast<int>(std::clamp<long long>(left, 1, 100));
}

bool isHttpAddress(std::string_view url) {
  const std::string low = lowerAscii(url.substr(0, 8));
  return startsWith(low, "http://") || startsWith(low, "https://");
}

CURL* openRequest(const std::string& url, const RequestSettings& settings, Transfer& t, curl_slist* headers,
                  char (&errbuf)[CURL_ERROR_SIZE], bool head) {
  CURL* h = curl_easy_init();
  if (!h) return nullptr;
  t.handle = h;
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  if (head)
    curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
  else
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, settings.verifiedCaFile ? "https" : "http,https");
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
  if (!settings.agent.empty()) curl_easy_setopt(h, CURLOPT_USERAGENT, settings.agent.c_str());
  curl_easy_setopt(h, CURLOPT_FRESH_CONNECT, 1L);
  curl_easy_setopt(h, CURLOPT_FORBID_REUSE, 1L);
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_NOPROXY, "*");
  if (settings.verifiedCaFile) {
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!settings.verifiedCaFile->empty()) curl_easy_setopt(h, CURLOPT_CAINFO, settings.verifiedCaFile->c_str());
  } else {
    // Crawled sites are read whatever their certificates.
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(h, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_0));
  }
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(settings.connectMs));
  // What is left of the fetch's time limit, for the phases that call no
  // progress function (name resolution); the progress function checks it too.
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(t.deadline - Clock::now()).count();
  curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(std::max<long long>(1, left)));
  // The slow-transfer and the response time-out are checked by onProgress to
  // the millisecond: libcurl's own low-speed limit counts whole seconds only.
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errbuf);
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, onHeader);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, &t);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, onBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &t);
  curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, onProgress);
  curl_easy_setopt(h, CURLOPT_XFERINFODATA, &t);
  return h;
}

CURLcode performWatched(CURL* h, Transfer& t) {
  CURLM* multi = curl_multi_init();
  if (!multi) return curl_easy_perform(h);
  if (curl_multi_add_handle(multi, h) != CURLM_OK) {
    curl_multi_cleanup(multi);
    return curl_easy_perform(h);
  }
  CURLcode rc = CURLE_OK;
  for (;;) {
    int running = 0;
    if (curl_multi_perform(multi, &running) != CURLM_OK) {
      rc = CURLE_FAILED_INIT;
      break;
    }
    if (running == 0) {
      int left = 0;
      rc = CURLE_FAILED_INIT;
      while (CURLMsg* msg = curl_multi_info_read(multi, &left))
        if (msg->msg == CURLMSG_DONE && msg->easy_handle == h) rc = msg->data.result;
      break;
    }
    if (onProgress(&t, 0, 0, 0, 0) != 0) {
      rc = CURLE_ABORTED_BY_CALLBACK;
      break;
    }
    curl_multi_poll(multi, nullptr, 0, nextCheckMs(t), nullptr);
  }
  curl_multi_remove_handle(multi, h);
  curl_multi_cleanup(multi);
  return rc;
}

FetchFailure failureOfCode(CURLcode rc) {
  switch (rc) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return FetchFailure::Dns;
    case CURLE_COULDNT_CONNECT:
      return FetchFailure::Connect;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_USE_SSL_FAILED:
      return FetchFailure::Tls;
    case CURLE_OPERATION_TIMEDOUT:
      return FetchFailure::Timeout;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
      return FetchFailure::Scheme;
    default:
      // The connection broke or the server's answer could not be read.
      return FetchFailure::Reset;
  }
}

Failure transferFailure(const Transfer& t, CURLcode rc, const char* errbuf) {
  if (t.cutByStop) return {FetchFailure::None, "Connection Closed Gracefully."};
  if (t.overLimit)
    return {FetchFailure::TooLarge,
            "The page is larger than " + std::to_string(t.limit) + " bytes; the rest was not read."};
  // libcurl's own total time-out is the same deadline, counted on its clock.
  if (t.overTime || (rc == CURLE_OPERATION_TIMEDOUT && Clock::now() + std::chrono::milliseconds(100) >= t.deadline))
    return {FetchFailure::Timeout,
            "The fetch took longer than " + std::to_string(t.maxFetchTime.count()) + " ms; the rest was not read."};
  if (t.timedOut || rc == CURLE_OPERATION_TIMEDOUT) return {FetchFailure::Timeout, "Read timed out."};
  return {failureOfCode(rc), errbuf[0] ? errbuf : curl_easy_strerror(rc)};
}

Failure refusedRedirect(int responses, const std::string& destination) {
  if (responses >= PageFetcher::kMaxRedirectResponses)
    return {FetchFailure::TooManyRedirects, "More than " + std::to_string(PageFetcher::kMaxRedirectResponses - 1) +
                                                " redirects; the next one was to " + destination};
  if (!isHttpAddress(destination))
    return {FetchFailure::Scheme, "Redirect to an address that is not http or https refused: " + destination};
  return {FetchFailure::None, {}};
}

double infoMs(CURL* h, CURLINFO info) {
  curl_off_t micros = 0;
  curl_easy_getinfo(h, info, &micros);
  return static_cast<double>(micros) / 1000.0;
}

}  // namespace crawlspect::transfer
