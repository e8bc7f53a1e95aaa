#include "core/crawl/page_fetcher.h"

#include <curl/curl.h>
#include <iconv.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>

#include "core/platform/text.h"

namespace crawlspect {

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kAccept = "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";

struct Transfer {
  CURL* handle = nullptr;
  std::string body;
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
};

bool isSuccess(long status) { return status >= 200 && status <= 299; }

size_t onHeader(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const size_t n = size * count;
  t->lastActivity = Clock::now();
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
  long status = 0;
  curl_easy_getinfo(t->handle, CURLINFO_RESPONSE_CODE, &status);
  // An error or redirect body never reaches the text, but it counts against
  // the cap all the same: an endless 404 would otherwise be read forever.
  const bool kept = isSuccess(status);
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
    return 0;
  }
  if (now - t->lastActivity > t->responseTimeout) {
    t->timedOut = true;
    return 1;
  }
  return 0;
}

bool isHttpAddress(std::string_view url) {
  const std::string low = lowerAscii(url.substr(0, 8));
  return startsWith(low, "http://") || startsWith(low, "https://");
}

// Windows-1252 through iconv; the five bytes it leaves undefined map to the
// C1 control of the same number, as the Windows code page conversion does.
const std::array<std::string, 256>& cp1252Table() {
  static const std::array<std::string, 256> table = [] {
    std::array<std::string, 256> t;
    iconv_t cd = iconv_open("UTF-8", "CP1252");
    for (int b = 0; b < 256; ++b) {
      char in = static_cast<char>(b);
      char out[8];
      char* ip = &in;
      char* op = out;
      size_t il = 1, ol = sizeof out;
      if (cd != reinterpret_cast<iconv_t>(-1) && iconv(cd, &ip, &il, &op, &ol) != static_cast<size_t>(-1)) {
        t[static_cast<size_t>(b)].assign(out, static_cast<size_t>(op - out));
      } else {
        appendUtf8(t[static_cast<size_t>(b)], static_cast<char32_t>(b));
      }
    }
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
    return t;
  }();
  return table;
}

std::string decodeSingleByte(std::string_view bytes) {
  const auto& table = cp1252Table();
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (unsigned char c : bytes) out += table[c];
  return out;
}

std::string decodeUtf16(std::string_view bytes, const char* encoding) {
  iconv_t cd = iconv_open("UTF-8", encoding);
  if (cd == reinterpret_cast<iconv_t>(-1)) throw DecodeError("UTF-16 conversion is not available");
  std::string out(bytes.size() * 2 + 4, '\0');
  char* ip = const_cast<char*>(bytes.data());
  size_t il = bytes.size();
  char* op = out.data();
  size_t ol = out.size();
  const size_t rc = iconv(cd, &ip, &il, &op, &ol);
  iconv_close(cd);
  if (rc == static_cast<size_t>(-1))
    throw DecodeError("No mapping for the Unicode character exists in the target multi-byte code page.");
  out.resize(out.size() - ol);
  return out;
}

// Every line followed by CR LF (a line ends at CR LF, lone CR or lone LF);
// then the text ends at its first NUL.
std::string normaliseLines(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32 + 2);
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '\r' && c != '\n') continue;
    out.append(text.substr(start, i - start));
    out += "\r\n";
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) {
    out.append(text.substr(start));
    out += "\r\n";
  }
  const std::size_t nul = out.find('\0');
  if (nul != std::string::npos) out.resize(nul);
  return out;
}

}  // namespace

std::string decodePageBytes(std::string_view bytes) {
  if (bytes.empty()) return {};
  const bool utf8Bom = startsWith(bytes, "\xEF\xBB\xBF");
  std::string_view rest = utf8Bom ? bytes.substr(3) : bytes;
  if (isValidUtf8(rest)) return normaliseLines(rest);
  if (utf8Bom) return normaliseLines(sanitizeUtf8(rest));
  if (startsWith(bytes, "\xFF\xFE")) return normaliseLines(decodeUtf16(bytes.substr(2), "UTF-16LE"));
  if (startsWith(bytes, "\xFE\xFF")) return normaliseLines(decodeUtf16(bytes.substr(2), "UTF-16BE"));
  return normaliseLines(decodeSingleByte(bytes));
}

PageFetcher::PageFetcher() {
  static const CURLcode init = curl_global_init(CURL_GLOBAL_DEFAULT);
  (void)init;
}

void PageFetcher::setUserAgent(std::string agent) {
  std::lock_guard lock(m_settingsLock);
  m_agent = std::move(agent);
}

std::string PageFetcher::userAgent() const {
  std::lock_guard lock(m_settingsLock);
  return m_agent;
}

void PageFetcher::setMaxFetchTime(int ms) {
  std::lock_guard lock(m_settingsLock);
  m_maxFetchMs = ms > 0 ? ms : kDefaultMaxFetchMs;
}

void PageFetcher::setTimeouts(int connectMs, int responseMs) {
  std::lock_guard lock(m_settingsLock);
  // A time-out of zero or less would mean no bound at all; keep the built-in one.
  m_connectMs = connectMs > 0 ? connectMs : 10000;
  m_responseMs = responseMs > 0 ? responseMs : 10000;
}

std::string PageFetcher::lastFetchError() const {
  std::lock_guard lock(m_errorLock);
  return m_lastError;
}

void PageFetcher::setLastFetchError(std::string text) {
  std::lock_guard lock(m_errorLock);
  m_lastError = std::move(text);
}

std::string PageFetcher::lastRedirect() const {
  std::lock_guard lock(m_redirectLock);
  return m_lastRedirect;
}

void PageFetcher::clearLastRedirect() {
  std::lock_guard lock(m_redirectLock);
  m_lastRedirect.clear();
}

constexpr long kLowSpeedBytesPerSecond = 64;

namespace {

struct RequestSettings {
  std::string agent;
  int connectMs = 0;
  int responseMs = 0;
  int maxFetchMs = 0;
  const std::string* verifiedCaFile = nullptr;  // set: a service's fetch, verified
};

// One GET of url with a fresh client, redirects not followed: every response
// comes back to fetchPage's own loop. The headers list lives as long as the handle.
CURL* openRequest(const std::string& url, const RequestSettings& settings, Transfer& t, curl_slist* headers,
                  char (&errbuf)[CURL_ERROR_SIZE]) {
  CURL* h = curl_easy_init();
  if (!h) return nullptr;
  t.handle = h;
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
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
  // A body dripping a byte at a time never trips the wait for data; a
  // transfer slower than this over a whole response time-out is given up.
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, kLowSpeedBytesPerSecond);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, std::max(1L, static_cast<long>(settings.responseMs / 1000)));
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

// curl_easy_perform, but through a multi handle woken at least every 100 ms:
// the easy interface may sleep a whole second between two calls of the
// progress function, and a stop request should not wait that long.
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
    curl_multi_poll(multi, nullptr, 0, 100, nullptr);
  }
  curl_multi_remove_handle(multi, h);
  curl_multi_cleanup(multi);
  return rc;
}

// The last fetch error for a transfer that did not complete.
std::string transferFailure(const Transfer& t, CURLcode rc, const char* errbuf) {
  if (t.cutByStop) return "Connection Closed Gracefully.";
  if (t.overLimit) return "The page is larger than " + std::to_string(t.limit) + " bytes; the rest was not read.";
  // libcurl's own total time-out is the same deadline, counted on its clock.
  if (t.overTime || (rc == CURLE_OPERATION_TIMEDOUT && Clock::now() + std::chrono::milliseconds(100) >= t.deadline))
    return "The fetch took longer than " + std::to_string(t.maxFetchTime.count()) + " ms; the rest was not read.";
  if (t.timedOut || rc == CURLE_OPERATION_TIMEDOUT) return "Read timed out.";
  return errbuf[0] ? errbuf : curl_easy_strerror(rc);
}

}  // namespace

std::string PageFetcher::fetchPage(const std::string& url, const StopWatch* watch) {
  return fetch(url, watch, nullptr);
}

std::string PageFetcher::fetchVerified(const std::string& url, const std::string& caFile, const StopWatch* watch) {
  return fetch(url, watch, &caFile);
}

std::string PageFetcher::fetch(const std::string& url, const StopWatch* watch, const std::string* verifiedCaFile) {
  RequestSettings settings;
  {
    std::lock_guard lock(m_settingsLock);
    settings = {m_agent, m_connectMs, m_responseMs, m_maxFetchMs, verifiedCaFile};
  }
  const auto deadline = Clock::now() + std::chrono::milliseconds(settings.maxFetchMs);

  std::string current = url;
  int redirectResponses = 0;
  std::string body;
  for (;;) {
    Transfer t;
    t.limit = m_bodyLimit;
    t.watch = watch;
    t.responseTimeout = std::chrono::milliseconds(settings.responseMs);
    t.deadline = deadline;
    t.maxFetchTime = std::chrono::milliseconds(settings.maxFetchMs);
    char errbuf[CURL_ERROR_SIZE] = {0};
    curl_slist* headers = curl_slist_append(nullptr, (std::string("Accept: ") + kAccept).c_str());
    CURL* h = openRequest(current, settings, t, headers, errbuf);
    if (!h) {
      curl_slist_free_all(headers);
      setLastFetchError("Could not create the HTTP client.");
      return {};
    }
    const CURLcode rc = performWatched(h, t);
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    const char* location = nullptr;
    curl_easy_getinfo(h, CURLINFO_REDIRECT_URL, &location);
    std::string destination = location ? location : "";
    curl_slist_free_all(headers);
    curl_easy_cleanup(h);

    if (rc != CURLE_OK) {
      if (t.cutByStop && watch && watch->onCutOff) watch->onCutOff();
      setLastFetchError(transferFailure(t, rc, errbuf));
      body = std::move(t.body);
      break;
    }

    if (status >= 300 && status <= 399 && !destination.empty()) {
      ++redirectResponses;
      {
        std::lock_guard lock(m_redirectLock);
        m_lastRedirect = destination;
      }
      if (redirectResponses >= kMaxRedirectResponses) return {};
      if (!isHttpAddress(destination)) {
        setLastFetchError("Redirect to an address that is not http or https refused: " + destination);
        return {};
      }
      current = destination;
      continue;
    }
    if (!isSuccess(status)) {
      setLastFetchError(t.statusLine.empty() ? "HTTP status " + std::to_string(status) : t.statusLine);
      return {};
    }
    body = std::move(t.body);
    break;
  }
  return decodePageBytes(body);
}

}  // namespace crawlspect
