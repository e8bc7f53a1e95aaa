#pragma once
// Every SQL statement of the program, in its exact text, in one place. Each
// "?" takes one value, bound in the order the markers appear (Database), so a
// text of any content is stored and matched as it is.
#include <string_view>

namespace crawlspect::sql {

// Crawl thread.
// page URL
inline constexpr std::string_view kInsertNewPage = "insert into PAGES (URL) values (?);";
// source page, link, follow value, type, anchor text
inline constexpr std::string_view kInsertLink = "insert into LINKS (URL,LINK,FOLLOW,TYPE,ANCHOR) values (?,?,?,?,?);";

// One fetch's outcome (crawl thread, and the external link check): URL,
// first status, last status, last URL, redirects followed, content type, body
// bytes, time to first byte (ms), whole time (ms), "class: message" or empty,
// 1 for an external link's check.
inline constexpr std::string_view kInsertResponse =
    "insert into RESPONSES (URL,STATUS,FINAL_STATUS,FINAL_URL,HOPS,CONTENT_TYPE,BYTES,TTFB_MS,TIME_MS,ERROR,EXTERNAL) "
    "values (?,?,?,?,?,?,?,?,?,?,?);";
// URL, hop (from 1), where it pointed, the redirect response's status
inline constexpr std::string_view kInsertRedirect = "insert into REDIRECTS (URL,HOP,TARGET,STATUS) values (?,?,?,?);";
// A robots.txt fetch: the values of kInsertResponse but the last
inline constexpr std::string_view kInsertRobotsTxt =
    "insert into ROBOTS_TXT (URL,STATUS,FINAL_STATUS,FINAL_URL,HOPS,CONTENT_TYPE,BYTES,TTFB_MS,TIME_MS,ERROR) "
    "values (?,?,?,?,?,?,?,?,?,?);";
// An internal URL its site's robots.txt disallows: URL
inline constexpr std::string_view kInsertRobotsBlocked = "insert into ROBOTS_BLOCKED (URL) values (?);";
inline constexpr std::string_view kSelectRobotsBlocked = "SELECT URL FROM ROBOTS_BLOCKED ORDER BY rowid;";

// Page record.
// page URL
inline constexpr std::string_view kSelectPage = "SELECT * FROM PAGES where URL=?;";
// title, description, page URL
inline constexpr std::string_view kUpdatePageFacts = "update PAGES SET TITLE=?, DESCRIPTION=? where URL=?;";
// page URL, title, description
inline constexpr std::string_view kInsertPageFacts = "insert into PAGES (URL,TITLE,DESCRIPTION) values (?,?,?);";
// page URL, tag ("H1" or "H2"), heading line
inline constexpr std::string_view kInsertTag = "insert into TAGS (URL,TAG,VALUE) values (?,?,?);";
// The page's first H1 line, for the audit's H1 length rule: H1 line, page URL.
inline constexpr std::string_view kUpdatePageH1 = "update PAGES SET H1TAG=? where URL=?;";

// Project opening.
// In the order the pages were added: without the ORDER BY, the index on URL
// would hand them back sorted.
inline constexpr std::string_view kSelectPageUrls = "SELECT URL FROM PAGES ORDER BY rowid;";
// The load times of the crawled pages, latest fetch last.
inline constexpr std::string_view kSelectLoadTimes =
    "SELECT URL, TIME_MS FROM RESPONSES WHERE EXTERNAL=0 AND TIME_MS IS NOT NULL ORDER BY rowid;";

// Result lists.
inline constexpr std::string_view kGroupLinks =
    "SELECT LINK, COUNT(*) AS HOWMANY FROM LINKS group by LINK order by HOWMANY DESC;";
// tag ("H1" or "H2")
inline constexpr std::string_view kGroupTags =
    "SELECT VALUE, COUNT(*) AS HOWMANY FROM TAGS WHERE TAG=? group by VALUE order by HOWMANY DESC;";
inline constexpr std::string_view kGroupTitles =
    "SELECT TITLE, COUNT(*) AS HOWMANY FROM PAGES group by TITLE order by HOWMANY DESC;";
inline constexpr std::string_view kGroupDescriptions =
    "SELECT DESCRIPTION, COUNT(*) AS HOWMANY FROM PAGES group by DESCRIPTION order by HOWMANY DESC;";
inline constexpr std::string_view kGroupAnchors =
    "SELECT ANCHOR, COUNT(*) AS HOWMANY FROM LINKS group by ANCHOR order by HOWMANY DESC;";

// Audit.
inline constexpr std::string_view kSelectPagesByUrl = "SELECT * FROM PAGES order by URL;";

// The external link check: each external link once, in the order first found.
inline constexpr std::string_view kSelectExternalLinks =
    "SELECT LINK FROM LINKS WHERE TYPE='External' GROUP BY LINK ORDER BY MIN(rowid);";

// Responses. A target is broken when its first status is 400 or more or
// none came, or its fetch failed in any way but an http one that still
// ended on a 2xx/3xx response. A URL left unfetched because robots.txt
// disallows it is not broken, and stays out of the counts and the response
// audit (the robots audit lists it).
#define CRAWLSPECT_BROKEN                                                 \
  "(R.ERROR NOT LIKE 'robots:%' AND (R.STATUS >= 400 OR R.STATUS = 0 OR " \
  "(R.ERROR <> '' AND NOT (R.ERROR LIKE 'http:%' AND R.FINAL_STATUS BETWEEN 200 AND 399))))"
#define CRAWLSPECT_NOT_ROBOTS "R.ERROR NOT LIKE 'robots:%'"
// First status by class, then the fetches that failed without an http status to blame.
inline constexpr std::string_view kCountResponses =
    "SELECT SUM(STATUS BETWEEN 200 AND 299), SUM(STATUS BETWEEN 300 AND 399), SUM(STATUS BETWEEN 400 AND 499), "
    "SUM(STATUS BETWEEN 500 AND 599), SUM(ERROR <> '' AND ERROR NOT LIKE 'http:%') FROM RESPONSES R "
    "WHERE " CRAWLSPECT_NOT_ROBOTS ";";
// Distinct broken targets linked from crawled pages (the start URL's own row has no source).
inline constexpr std::string_view kCountBrokenLinks =
    "SELECT COUNT(DISTINCT L.LINK) FROM RESPONSES R CROSS JOIN LINKS L ON L.LINK = R.URL "
    "WHERE L.URL <> '' AND " CRAWLSPECT_BROKEN ";";
// Every fetch in the order it happened, with the pages linking to it when it is broken.
inline constexpr std::string_view kSelectResponsesForAudit =
    "SELECT R.URL, R.STATUS, R.FINAL_STATUS, R.FINAL_URL, R.HOPS, R.ERROR, CASE WHEN " CRAWLSPECT_BROKEN
    " THEN (SELECT COUNT(DISTINCT L.URL) FROM LINKS L WHERE L.LINK = R.URL AND L.URL <> '') ELSE 0 END "
    "FROM RESPONSES R WHERE " CRAWLSPECT_NOT_ROBOTS " ORDER BY R.rowid;";
inline constexpr std::string_view kSelectResponses =
    "SELECT URL, STATUS, FINAL_STATUS, FINAL_URL, HOPS, CONTENT_TYPE, BYTES, TTFB_MS, TIME_MS, ERROR, EXTERNAL "
    "FROM RESPONSES ORDER BY rowid;";
inline constexpr std::string_view kSelectRedirects = "SELECT URL, HOP, TARGET, STATUS FROM REDIRECTS ORDER BY rowid;";
// url
inline constexpr std::string_view kSelectRedirectsOf =
    "SELECT HOP, TARGET, STATUS FROM REDIRECTS WHERE URL=? ORDER BY HOP;";
// One row per link to a broken target, in the order the links were found.
inline constexpr std::string_view kSelectBrokenLinks =
    "SELECT L.URL, L.LINK, L.ANCHOR, R.FINAL_STATUS, R.ERROR FROM RESPONSES R CROSS JOIN LINKS L ON L.LINK = R.URL "
    "WHERE L.URL <> '' AND " CRAWLSPECT_BROKEN " ORDER BY L.rowid;";
#undef CRAWLSPECT_BROKEN
#undef CRAWLSPECT_NOT_ROBOTS

// Detail lookups.
// tag, page URL
inline constexpr std::string_view kSelectTagsOfPage = "SELECT * FROM TAGS where TAG=? AND URL=?;";
// tag, heading line
inline constexpr std::string_view kSelectTagsWithValue = "SELECT * FROM TAGS where TAG=? AND VALUE=?;";
// link
inline constexpr std::string_view kSelectLinksTo = "SELECT * FROM LINKS where LINK=?;";
// anchor text
inline constexpr std::string_view kGroupLinksWithAnchor =
    "SELECT LINK, COUNT(*) AS HOWMANY FROM LINKS where ANCHOR=? group by LINK order by HOWMANY DESC;";
// title
inline constexpr std::string_view kSelectUrlsWithTitle = "SELECT URL FROM pages where TITLE=?;";
// description
inline constexpr std::string_view kSelectUrlsWithDescription = "SELECT URL FROM pages where DESCRIPTION=?;";

}  // namespace crawlspect::sql
