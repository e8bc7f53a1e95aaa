// One small site crawled under each set of link rules: the classic rules keep
// their text-search results, the standard rules give what a browser sees.
#include <gtest/gtest.h>

#include "core/crawl/crawl_run.h"
#include "crawl_harness.h"
#include "test_server.h"

using namespace crawlspect;
using testsupport::TestServer;

namespace {

class LinkRulesCrawl : public ::testing::Test, public testsupport::CrawlHarness {
 protected:
  LinkRulesCrawl() {
    site.page("/docs/index.html",
              "<title>Docs &#8212; Site</title>\n"
              "<a href=\"#top\">top</a> <a href=\" a.html\">A</a> <a href=\"TEL:123\">call</a>\n"
              "<a href=\"JavaScript:void(0)\">js</a> <a href=\"data.json\">data</a>\n"
              "<a href=\"a.html\" rel=nofollow>A &amp;amp; B</a>")
        .page("/docs/a.html", "<title>A</title>")
        .page("/docs/data.json", "{}", "application/json");
    site.start();
  }
  std::string docs(const std::string& rest = "") const { return site.url("/docs/" + rest); }
  std::vector<std::vector<std::string>> links() {
    std::vector<std::vector<std::string>> found;
    for (const auto& row : db.query("SELECT URL, LINK, FOLLOW, TYPE, ANCHOR FROM LINKS ORDER BY rowid").rows) {
      std::vector<std::string> texts;
      for (const auto& value : row) texts.push_back(value.value_or("NULL"));
      found.push_back(std::move(texts));
    }
    return found;
  }
  TestServer site;
};

TEST_F(LinkRulesCrawl, ClassicKeepsTheTextSearchResults) {
  settings.linkRules = LinkRules::Classic;
  ASSERT_TRUE(crawl(docs("index.html")));
  // "#top" becomes the folder, the leading blank a page of its own, the
  // capitalised schemes pages of the site; "data.json" holds ".js".
  EXPECT_EQ(listUrls(), (std::vector<std::string>{docs("index.html"), docs(), docs(" a.html"), docs("TEL:123"),
                                                  docs("JavaScript:void(0)"), docs("a.html")}));
  EXPECT_EQ(scalar("SELECT TITLE FROM PAGES WHERE URL='" + docs("index.html") + "'"), "Docs &#8212; Site");
}

TEST_F(LinkRulesCrawl, StandardGivesWhatABrowserSees) {
  settings.linkRules = LinkRules::Standard;
  ASSERT_TRUE(crawl(docs("index.html")));
  EXPECT_EQ(listUrls(), (std::vector<std::string>{docs("index.html"), docs("a.html"), docs("data.json")}));
  EXPECT_EQ(scalar("SELECT TITLE FROM PAGES WHERE URL='" + docs("index.html") + "'"), "Docs \xE2\x80\x94 Site");
  const std::string page = docs("index.html");
  EXPECT_EQ(links(), (std::vector<std::vector<std::string>>{
                         {"", page, "", "Internal", ""},
                         {page, page, "dofollow", "Internal", "top"},
                         {page, docs("a.html"), "dofollow", "Internal", "A"},
                         {page, "tel:123", "dofollow", "External", "call"},
                         {page, docs("data.json"), "dofollow", "Internal", "data"},
                         {page, docs("a.html"), "NOFOLLOW", "Internal", "A &amp; B"},
                     }));
}

// A URL that redirects: the classic rules store the target's facts under it;
// the standard rules give it none and take the target in as its one link, to
// be crawled at its own turn.
class RedirectedPageCrawl : public ::testing::Test, public testsupport::CrawlHarness {
 protected:
  RedirectedPageCrawl() {
    site.page("/", "<title>Home</title><a href=\"/old\">old</a>")
        .redirect("/old", "/new")
        .page("/new", "<title>New</title><a href=\"/more\">more</a>")
        .page("/more", "<title>More</title>");
    site.start();
  }
  std::string titleOf(const std::string& path) {
    return scalar("SELECT TITLE FROM PAGES WHERE URL='" + site.url(path) + "'");
  }
  TestServer site;
};

TEST_F(RedirectedPageCrawl, ClassicStoresTheTargetsFactsUnderTheRedirectingUrl) {
  settings.linkRules = LinkRules::Classic;
  ASSERT_TRUE(crawl(site.url("/")));
  EXPECT_EQ(listUrls(), (std::vector<std::string>{site.url("/"), site.url("/old"), site.url("/more")}));
  EXPECT_EQ(titleOf("/old"), "New");
}

TEST_F(RedirectedPageCrawl, StandardCrawlsTheTargetAsAPageOfItsOwn) {
  settings.linkRules = LinkRules::Standard;
  ASSERT_TRUE(crawl(site.url("/")));
  EXPECT_EQ(listUrls(),
            (std::vector<std::string>{site.url("/"), site.url("/old"), site.url("/new"), site.url("/more")}));
  EXPECT_EQ(titleOf("/old"), "");
  EXPECT_EQ(titleOf("/new"), "New");
  EXPECT_EQ(scalar("SELECT group_concat(LINK || ' ' || FOLLOW || ' ' || ANCHOR, '|') FROM LINKS WHERE URL='" +
                   site.url("/old") + "'"),
            site.url("/new") + " dofollow ");
  EXPECT_EQ(scalar("SELECT COUNT(*) FROM LINKS WHERE URL='" + site.url("/new") + "'"), "1");
}

}  // namespace
