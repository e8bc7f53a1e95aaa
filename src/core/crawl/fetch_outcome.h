#pragma once
// What one fetch came to, beside the page text: the first and the last
// response, every redirect followed, the transfer's sizes and times as
// libcurl measured them, and why it failed when it did. One outcome becomes
// one RESPONSES row and one REDIRECTS row per hop.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace crawlspect {

// The kinds of failure a fetch can end with; Http is a last response outside
// 200-299, Robots a URL not fetched because robots.txt disallows it.
enum class FetchFailure {
  None,
  Dns,
  Connect,
  Tls,
  Timeout,
  Reset,
  TooManyRedirects,
  Scheme,
  TooLarge,
  Decode,
  Http,
  Robots
};

// "dns", "connect", ... "http"; empty for None.
std::string_view fetchFailureName(FetchFailure failure);

struct RedirectHop {
  std::string target;  // where the redirect response pointed, absolute
  long status = 0;     // the redirect response's status
};

struct FetchOutcome {
  std::string url;                // the address asked for
  long firstStatus = 0;           // 0 when no response came
  long finalStatus = 0;           // of the last response
  std::string finalUrl;           // the address of the last response (url when none came)
  std::vector<RedirectHop> hops;  // the redirects followed, in order
  std::string contentType;        // of the last response
  std::int64_t bodyBytes = 0;     // of the last response
  double ttfbMs = 0;              // to the first response's first byte
  double timeMs = 0;              // the whole fetch, redirects included
  double pacedMs = 0;             // waited for turns of the rate limit, before the requests
  FetchFailure failure = FetchFailure::None;
  std::string failureMessage;
  // A stop request cut the transfer off: what the server would have sent is unknown.
  bool cutByStop = false;
  bool external = false;
  bool robotsFile = false;  // the fetch of a site's robots.txt: a ROBOTS_TXT row, not a RESPONSES one

  bool redirected() const { return !hops.empty(); }
  bool failed() const { return failure != FetchFailure::None; }
  // "class: message", or empty when the fetch succeeded.
  std::string errorText() const;
};

}  // namespace crawlspect
