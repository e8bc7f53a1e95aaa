#pragma once
// What the RESPONSES and REDIRECTS tables say, as the front ends show it: the
// six summary counts, the audit's response section, the three response
// exports, and the list of fetched URLs with a URL's redirect chain.
#include <cstddef>
#include <string>

#include "core/results/audit.h"
#include "core/results/table.h"

namespace crawlspect {

class Database;
class ProblemReporter;

struct ResponseCounts {
  std::size_t success = 0;      // first status 2xx
  std::size_t redirection = 0;  // 3xx
  std::size_t clientError = 0;  // 4xx
  std::size_t serverError = 0;  // 5xx
  std::size_t failed = 0;       // failed without an http status to blame
  std::size_t brokenLinks = 0;  // distinct broken targets linked from crawled pages
};

// A failed statement is reported and its counts stay 0.
ResponseCounts countResponses(Database& db, ProblemReporter& problems);
// "Responses 2xx" ... "Broken Links" as Key/Value rows after the summary's own.
void appendResponseSummary(Table& summary, const ResponseCounts& counts);

// One line per finding, in the order the fetches happened: "Redirect (301)
// URL:<url> -> <final url>" or "Redirect chain (<hops> hops) URL:..." for a
// URL that redirects, then "Failed (<class>) URL:<url>", "Server error (<status>)
// URL:<url>" or "Broken link (<status>) URL:<url> (linked from <n> pages)"
// for one that does not end well.
void appendResponseAudit(AuditReport& report, Database& db, ProblemReporter& problems);
// "Blocked by robots.txt URL:<url>" for each internal URL its robots.txt
// disallows, in the order the crawl met them.
void appendRobotsAudit(AuditReport& report, Database& db, ProblemReporter& problems);

// Every RESPONSES row ("URL", "Status", "Final Status", "Final URL", "Hops",
// "Content Type", "Bytes", "TTFB (ms)", "Time (ms)", "Error", "External").
Table loadResponses(Database& db, ProblemReporter& problems);
// The class filter of the fetched-URL list.
enum class ResponseClass { All, Success, Redirection, ClientError, ServerError, Failed, External };
// "All", "2xx", "3xx", "4xx", "5xx", "Failed", "External", by ResponseClass.
inline constexpr const char* kResponseClassCaptions[] = {"All", "2xx", "3xx", "4xx", "5xx", "Failed", "External"};
// The rows of a loadResponses table in the class, as the fetched-URL list
// shows them: "URL", "Status", "Final URL", "Content Type", "Bytes", "Time (ms)".
// Status classes go by the first status; Failed is a failure other than an
// http one; External the external link check's rows.
Table responseCodeRows(const Table& responses, ResponseClass shown);

// A URL's redirects: "Hop", "Target", "Status".
Table loadRedirectChain(Database& db, const std::string& url, ProblemReporter& problems);

// responses.csv, redirects.csv and broken_links.csv into dir (which exists).
// Every file is tried; the messages of the failed ones, one per line, or empty.
std::string exportResponseFiles(const std::string& dir, Database& db, char separator, ProblemReporter& problems);

}  // namespace crawlspect
