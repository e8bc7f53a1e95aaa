#include <curl/curl.h>

#include <chrono>
#include <memory>

#include "core/feedback/feedback.h"
#include "core/platform/text.h"

namespace crawlspect {

namespace {

using Clock = std::chrono::steady_clock;

struct Reply {
  std::string body;
  std::string statusLine;
  Clock::time_point lastActivity = Clock::now();
};

size_t onHeader(char* data, size_t size, size_t count, void* user) {
  auto* r = static_cast<Reply*>(user);
  const size_t n = size * count;
  r->lastActivity = Clock::now();
  std::string_view line(data, n);
  if (startsWith(line, "HTTP/")) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    r->statusLine.assign(line);
  }
  return n;
}

size_t onBody(char* data, size_t size, size_t count, void* user) {
  auto* r = static_cast<Reply*>(user);
  const size_t n = size * count;
  r->lastActivity = Clock::now();
  r->body.append(data, n);
  return n;
}

struct HandleDeleter {
  void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
struct MultiDeleter {
  void operator()(CURLM* m) const { curl_multi_cleanup(m); }
};
struct ListDeleter {
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

std::string escape(CURL* h, const std::string& text) {
  char* e = curl_easy_escape(h, text.data(), static_cast<int>(text.size()));
  if (!e) throw PostError("Out of memory");
  std::string out(e);
  curl_free(e);
  return out;
}

}  // namespace

std::string encodeFormBody(const std::vector<FormField>& fields) {
  static const CURLcode init = curl_global_init(CURL_GLOBAL_DEFAULT);
  (void)init;
  std::unique_ptr<CURL, HandleDeleter> h(curl_easy_init());
  if (!h) throw PostError("Could not create the HTTP client.");
  std::string body;
  for (const FormField& f : fields) {
    if (!body.empty()) body += '&';
    body += escape(h.get(), f.name) + "=" + escape(h.get(), f.value);
  }
  return body;
}

std::string postForm(const std::string& url, const std::vector<FormField>& fields, const PostOptions& options) {
  static const CURLcode init = curl_global_init(CURL_GLOBAL_DEFAULT);
  (void)init;
  const bool secure = startsWith(url, "https://");
  const std::string body = encodeFormBody(fields);

  std::unique_ptr<CURL, HandleDeleter> h(curl_easy_init());
  if (!h) throw PostError("Could not create the HTTP client.");
  curl_slist* raw = curl_slist_append(nullptr, "Content-Type: application/x-www-form-urlencoded; charset=UTF-8");
  if (secure) raw = curl_slist_append(raw, "Connection: close");
  raw = curl_slist_append(raw, "Expect:");  // no 100-continue round trip for a small form
  std::unique_ptr<curl_slist, ListDeleter> headers(raw);

  Reply reply;
  char errbuf[CURL_ERROR_SIZE] = {0};
  CURL* c = h.get();
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_POST, 1L);
  curl_easy_setopt(c, CURLOPT_POSTFIELDS, body.c_str());
  curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_NOPROXY, "*");
  curl_easy_setopt(c, CURLOPT_FRESH_CONNECT, 1L);
  curl_easy_setopt(c, CURLOPT_FORBID_REUSE, 1L);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options.connectMs));
  // The user's words go to the maker only over a verified connection; a
  // failed verification counts as an HTTPS failure like any other.
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!options.caFile.empty()) curl_easy_setopt(c, CURLOPT_CAINFO, options.caFile.c_str());
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errbuf);
  curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, onHeader);
  curl_easy_setopt(c, CURLOPT_HEADERDATA, &reply);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, onBody);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &reply);

  // Driven by our own loop so that every wait for the reply is bounded to the
  // millisecond; the easy interface only looks at the clock once a second.
  std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
  if (!multi || curl_multi_add_handle(multi.get(), c) != CURLM_OK) throw PostError("Could not create the HTTP client.");
  const auto responseTimeout = std::chrono::milliseconds(options.responseMs);
  curl_off_t uploaded = 0;
  int running = 1;
  bool timedOut = false;
  while (running) {
    if (curl_multi_perform(multi.get(), &running) != CURLM_OK) break;
    if (!running) break;
    curl_off_t connectTime = 0, up = 0;
    curl_easy_getinfo(c, CURLINFO_CONNECT_TIME_T, &connectTime);
    curl_easy_getinfo(c, CURLINFO_SIZE_UPLOAD_T, &up);
    const auto now = Clock::now();
    if (connectTime == 0 || up != uploaded) {
      reply.lastActivity = now;
      uploaded = up;
    } else if (now - reply.lastActivity > responseTimeout) {
      timedOut = true;
      break;
    }
    curl_multi_poll(multi.get(), nullptr, 0, 20, nullptr);
  }
  CURLcode rc = CURLE_FAILED_INIT;
  int pending = 0;
  while (CURLMsg* msg = curl_multi_info_read(multi.get(), &pending))
    if (msg->msg == CURLMSG_DONE && msg->easy_handle == c) rc = msg->data.result;
  curl_multi_remove_handle(multi.get(), c);
  if (timedOut) throw PostError("Read timed out.");
  if (rc != CURLE_OK) throw PostError(errbuf[0] ? errbuf : curl_easy_strerror(rc));
  long status = 0;
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
  if (!secure && status >= 400)
    throw PostError(reply.statusLine.empty() ? "HTTP status " + std::to_string(status) : reply.statusLine);
  return reply.body;
}

}  // namespace crawlspect
