#include "core/store/statements.h"

#include "core/store/database.h"

namespace crawlspect::sql {

std::string insertNewPage(std::string_view pageUrl) {
  return "insert into PAGES (URL) values (" + sqlQuote(pageUrl) + ");";
}

std::string insertLink(std::string_view sourcePage, std::string_view link, std::string_view follow,
                       std::string_view type, std::string_view anchor) {
  return "insert into LINKS (URL,LINK,FOLLOW,TYPE,ANCHOR) values (" + sqlQuote(sourcePage) + "," + sqlQuote(link) +
         "," + sqlQuote(follow) + "," + sqlQuote(type) + "," + sqlQuote(anchor) + ");";
}

std::string selectPage(std::string_view pageUrl) { return "SELECT * FROM PAGES where URL=" + sqlQuote(pageUrl) + ";"; }

std::string updatePageFacts(std::string_view title, std::string_view description, std::string_view pageUrl) {
  return "update PAGES SET TITLE=" + sqlQuote(title) + ", DESCRIPTION=" + sqlQuote(description) +
         " where URL=" + sqlQuote(pageUrl) + ";";
}

std::string insertPageFacts(std::string_view pageUrl, std::string_view title, std::string_view description) {
  return "insert into PAGES (URL,TITLE,DESCRIPTION) values (" + sqlQuote(pageUrl) + "," + sqlQuote(title) + "," +
         sqlQuote(description) + ");";
}

std::string insertTag(std::string_view pageUrl, std::string_view tag, std::string_view value) {
  return "insert into TAGS (URL,TAG,VALUE) values (" + sqlQuote(pageUrl) + "," + sqlQuote(tag) + "," +
         sqlQuote(value) + ");";
}

std::string updatePageH1(std::string_view h1, std::string_view pageUrl) {
  return "update PAGES SET H1TAG=" + sqlQuote(h1) + " where URL=" + sqlQuote(pageUrl) + ";";
}

std::string groupTags(std::string_view tag) {
  return "SELECT VALUE, COUNT(*) AS HOWMANY FROM TAGS WHERE TAG=" + sqlQuote(tag) +
         " group by VALUE order by HOWMANY DESC;";
}

std::string selectTagsOfPage(std::string_view tag, std::string_view pageUrl) {
  return "SELECT * FROM TAGS where TAG=" + sqlQuote(tag) + " AND URL=" + sqlQuote(pageUrl) + ";";
}

std::string selectTagsWithValue(std::string_view tag, std::string_view value) {
  return "SELECT * FROM TAGS where TAG=" + sqlQuote(tag) + " AND VALUE=" + sqlQuote(value) + ";";
}

std::string selectLinksTo(std::string_view link) { return "SELECT * FROM LINKS where LINK=" + sqlQuote(link) + ";"; }

std::string groupLinksWithAnchor(std::string_view anchor) {
  return "SELECT LINK, COUNT(*) AS HOWMANY FROM LINKS where ANCHOR=" + sqlQuote(anchor) +
         " group by LINK order by HOWMANY DESC;";
}

std::string selectUrlsWithTitle(std::string_view title) {
  return "SELECT URL FROM pages where TITLE=" + sqlQuote(title) + ";";
}

std::string selectUrlsWithDescription(std::string_view description) {
  return "SELECT URL FROM pages where DESCRIPTION=" + sqlQuote(description) + ";";
}

}  // namespace crawlspect::sql
