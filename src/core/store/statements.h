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
