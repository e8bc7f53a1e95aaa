#pragma once
// Every SQL statement of the program, in its exact text, in one place.
#include <string>
#include <string_view>

namespace crawlspect::sql {

// Crawl thread.
std::string insertNewPage(std::string_view pageUrl);
std::string insertLink(std::string_view sourcePage, std::string_view link, std::string_view follow,
                       std::string_view type, std::string_view anchor);

// Page record.
std::string selectPage(std::string_view pageUrl);
std::string updatePageFacts(std::string_view title, std::string_view description, std::string_view pageUrl);
std::string insertPageFacts(std::string_view pageUrl, std::string_view title, std::string_view description);
std::string insertTag(std::string_view pageUrl, std::string_view tag, std::string_view value);
// The page's first H1 line, for the audit's H1 length rule.
std::string updatePageH1(std::string_view h1, std::string_view pageUrl);

// Project opening.
// In the order the pages were added: without the ORDER BY, the index on URL
// would hand them back sorted.
inline constexpr const char* kSelectPageUrls = "SELECT URL FROM PAGES ORDER BY rowid;";

// Result lists.
inline constexpr const char* kGroupLinks =
    "SELECT LINK, COUNT(*) AS HOWMANY FROM LINKS group by LINK order by HOWMANY DESC;";
std::string groupTags(std::string_view tag);
inline constexpr const char* kGroupTitles =
    "SELECT TITLE, COUNT(*) AS HOWMANY FROM PAGES group by TITLE order by HOWMANY DESC;";
inline constexpr const char* kGroupDescriptions =
    "SELECT DESCRIPTION, COUNT(*) AS HOWMANY FROM PAGES group by DESCRIPTION order by HOWMANY DESC;";
inline constexpr const char* kGroupAnchors =
    "SELECT ANCHOR, COUNT(*) AS HOWMANY FROM LINKS group by ANCHOR order by HOWMANY DESC;";

// Audit.
inline constexpr const char* kSelectPagesByUrl = "SELECT * FROM PAGES order by URL;";

// Detail lookups.
std::string selectTagsOfPage(std::string_view tag, std::string_view pageUrl);
std::string selectTagsWithValue(std::string_view tag, std::string_view value);
std::string selectLinksTo(std::string_view link);
std::string groupLinksWithAnchor(std::string_view anchor);
std::string selectUrlsWithTitle(std::string_view title);
std::string selectUrlsWithDescription(std::string_view description);

}  // namespace crawlspect::sql
