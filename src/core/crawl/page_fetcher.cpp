#include "core/crawl/page_fetcher.h"

#include <curl/curl.h>
#include <iconv.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>

#include "core/crawl/curl_transfer.h"
#include "core/platform/text.h"

namespace crawlspect {

using namespace transfer;

namespace {

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

std::string_view fetchFailureName(FetchFailure failure) {
  switch (failure) {
    case FetchFailure::None:
      return "";
    case FetchFailure::Dns:
      return "dns";
    case FetchFailure::Connect:
      return "connect";
    case FetchFailure::Tls:
      return "tls";
    case FetchFailure::Timeout:
      return "timeout";
    case FetchFailure::Reset:
      return "reset";
    case FetchFailure::TooManyRedirects:
      return "too_many_redirects";
    case FetchFailure::Scheme:
      return "scheme";
    case FetchFailure::TooLarge:
      return "too_large";
    case FetchFailure::Decode:
      return "decode";
    case FetchFailure::Http:
      return "http";
    case FetchFailure::Robots:
      return "robots";
  }
  return "";
}

std::string FetchOutcome::errorText() const {
  if (failure == FetchFailure::None) return {};
  return std::string(fetchFailureName(failure)) + ": " + failureMessage;
}

namespace {

std::string textOrDecodeError(PageFetcher::FetchedPage&& page) {
  if (!page.decodeFailure.empty()) throw DecodeError(page.decodeFailure);
  return std::move(page.text);
}

}  // namespace

std::string PageFetcher::fetchPage(const std::string& url, const StopWatch* watch) {
  return textOrDecodeError(fetch(url, watch));
}

std::string PageFetcher::fetchVerified(const std::string& url, const std::string& caFile, const StopWatch* watch) {
  return textOrDecodeError(fetchWith(url, watch, &caFile));
}

PageFetcher::FetchedPage PageFetcher::fetch(const std::string& url, const StopWatch* watch) {
  return fetchWith(url, watch, nullptr);
}

PageFetcher::FetchedPage PageFetcher::fetchWith(const std::string& url, const StopWatch* watch,
                                                const std::string* verifiedCaFile) {
  RequestSettings settings;
  {
    std::lock_guard lock(m_settingsLock);
    settings = {m_agent, m_connectMs, m_responseMs, m_maxFetchMs, verifiedCaFile};
  }
  // Moved on by every wait for the rate limit: the limit is for the transfers.
  auto deadline = Clock::now() + std::chrono::milliseconds(settings.maxFetchMs);

  FetchedPage page;
  FetchOutcome& outcome = page.outcome;
  outcome.url = url;
  auto fail = [&outcome](FetchFailure kind, std::string message) {
    outcome.failure = kind;
    outcome.failureMessage = std::move(message);
  };
  std::string current = url;
  int redirectResponses = 0;
  std::string body;
  for (;;) {
    outcome.finalUrl = current;
    if (!verifiedCaFile) {
      const auto waitFrom = Clock::now();
      const bool turn = m_pacer.waitTurn(watch ? watch->stopRequested : nullptr);
      const auto waited = Clock::now() - waitFrom;
      deadline += waited;
      outcome.pacedMs += std::chrono::duration<double, std::milli>(waited).count();
      if (!turn) {
        // Stopped before the request was made: nothing is known of it.
        if (watch && watch->onCutOff) watch->onCutOff();
        outcome.cutByStop = true;
        return page;
      }
    }
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
      fail(FetchFailure::Connect, "Could not create the HTTP client.");
      return page;
    }
    const CURLcode rc = performWatched(h, t);
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    const char* location = nullptr;
    curl_easy_getinfo(h, CURLINFO_REDIRECT_URL, &location);
    std::string destination = location ? location : "";
    const char* contentType = nullptr;
    curl_easy_getinfo(h, CURLINFO_CONTENT_TYPE, &contentType);
    curl_off_t bytes = 0;
    curl_easy_getinfo(h, CURLINFO_SIZE_DOWNLOAD_T, &bytes);
    if (redirectResponses == 0) {
      outcome.firstStatus = status;
      outcome.ttfbMs = status != 0 ? infoMs(h, CURLINFO_STARTTRANSFER_TIME_T) : 0;
    }
    outcome.timeMs += infoMs(h, CURLINFO_TOTAL_TIME_T);
    outcome.finalStatus = status;
    outcome.contentType = contentType ? contentType : "";
    outcome.bodyBytes = static_cast<std::int64_t>(bytes);
    curl_slist_free_all(headers);
    curl_easy_cleanup(h);

    if (rc != CURLE_OK) {
      if (t.cutByStop && watch && watch->onCutOff) watch->onCutOff();
      Failure failure = transferFailure(t, rc, errbuf);
      setLastFetchError(failure.message);
      outcome.cutByStop = t.cutByStop;
      fail(failure.kind, std::move(failure.message));
      body = std::move(t.body);
      break;
    }

    if (status >= 300 && status <= 399 && !destination.empty()) {
      ++redirectResponses;
      {
        std::lock_guard lock(m_redirectLock);
        m_lastRedirect = destination;
      }
      if (Failure refused = refusedRedirect(redirectResponses, destination); refused.kind != FetchFailure::None) {
        // The ninth redirect in a row ends the fetch as before, without a last fetch error.
        if (refused.kind == FetchFailure::Scheme) setLastFetchError(refused.message);
        fail(refused.kind, std::move(refused.message));
        return page;
      }
      outcome.hops.push_back({destination, status});
      current = destination;
      continue;
    }
    if (!isSuccess(status)) {
      std::string statusText = t.statusLine.empty() ? "HTTP status " + std::to_string(status) : t.statusLine;
      setLastFetchError(statusText);
      fail(FetchFailure::Http, std::move(statusText));
      return page;
    }
    body = std::move(t.body);
    break;
  }
  try {
    page.text = decodePageBytes(body);
  } catch (const DecodeError& e) {
    page.decodeFailure = e.what();
    // Only the first failure of a fetch is its outcome: a body cut short by a
    // reset stays a reset, whatever its bytes decode to.
    if (!outcome.failed()) fail(FetchFailure::Decode, e.what());
  }
  return page;
}

}  // namespace crawlspect
