#include "core/pagefacts/page_record.h"

#include <gtest/gtest.h>

#include "core/pagefacts/page_reader.h"
#include "core/platform/loop_desktop.h"
#include "core/store/statements.h"
#include "temp_dir.h"

using namespace crawlspect;

namespace {

using Rows = std::vector<std::vector<DbValue>>;

class PageRecord : public ::testing::Test {
 protected:
  void SetUp() override {
    db.connect(dir.file("project.db"));
    db.ensureSchema();
  }
  void save(const std::string& url, const std::string& page) { savePageRecord(db, desktop, "Crawlspect", url, page); }
  Rows rows(const std::string& sql) { return db.query(sql).rows; }
  Rows pages() { return rows("SELECT URL, TITLE, DESCRIPTION, H1TAG FROM PAGES;"); }
  Rows tags() { return rows("SELECT URL, TAG, VALUE FROM TAGS;"); }

  testsupport::TempDir dir;
  Database db;
  LoopDesktop desktop;
};

const std::string kPage =
    "<html><head><TITLE> Shop &amp; Co </TITLE>\r\n"
    "<meta name=\"description\" content=\"We sell\">\r\n</head><body>\r\n"
    "<h1>Welcome</h1><h1> </h1><h1><pre>Top\r\n  News</pre></h1>\r\n"
    "<h2>Offers</h2><h3>Small print</h3>\r\n</body></html>\r\n";

TEST_F(PageRecord, UpdatesTheIntakeRowAndAppendsNonBlankHeadingLines) {
  db.execute(sql::kInsertNewPage, {"http://a.test/"});
  save("http://a.test/", kPage);

  // The title is the raw scan; the heading lines keep their own spaces.
  EXPECT_EQ(pages(), (Rows{{"http://a.test/", " Shop &amp; Co ", "We sell", "Welcome"}}));
  EXPECT_EQ(tags(), (Rows{{"http://a.test/", "H1", "Welcome"},
                          {"http://a.test/", "H1", "Top"},
                          {"http://a.test/", "H1", "  News"},
                          {"http://a.test/", "H2", "Offers"}}));
  EXPECT_TRUE(desktop.messages().empty());
}

TEST_F(PageRecord, InsertsARowForAPageWithoutOne) {
  db.execute(sql::kInsertNewPage, {"http://a.test/other"});
  save("http://a.test/", "<title>T</title><meta name=description content=D><h3>only h3</h3>");
  EXPECT_EQ(rows("SELECT URL, TITLE, DESCRIPTION, H1TAG FROM PAGES where URL='http://a.test/';"),
            (Rows{{"http://a.test/", "T", "D", std::nullopt}}));
  EXPECT_TRUE(tags().empty());  // h3 texts are never stored
}

TEST_F(PageRecord, FailedFetchStoresEmptyTextsAndNoTags) {
  db.execute(sql::kInsertNewPage, {"http://a.test/"});
  save("http://a.test/", "");
  EXPECT_EQ(pages(), (Rows{{"http://a.test/", "", "", std::nullopt}}));
  EXPECT_TRUE(tags().empty());
}

TEST_F(PageRecord, ApostrophesSurviveEverywhere) {
  const std::string url = "http://a.test/it's";
  db.execute(sql::kInsertNewPage, {url});
  save(url, "<title>it's</title><meta name=description content=\"'\"><h1>O'Neil</h1><h2>''</h2>");
  EXPECT_EQ(pages(), (Rows{{url, "it's", "'", "O'Neil"}}));
  EXPECT_EQ(tags(), (Rows{{url, "H1", "O'Neil"}, {url, "H2", "''"}}));
}

TEST_F(PageRecord, FailingStatementsAreReportedAndTheStepGoesOn) {
  db.execute("DROP TABLE PAGES;");
  save("http://a.test/", "<h1>A</h1><h2>B</h2>");
  // A failed lookup counts as absent: the insert is tried (and fails too); TAGS still get their rows.
  const auto messages = desktop.messages();
  ASSERT_EQ(messages.size(), 3u);
  for (const auto& m : messages) {
    EXPECT_EQ(m.title, "Crawlspect");
    EXPECT_EQ(m.text, "Exception raised with message: no such table: PAGES");
  }
  EXPECT_EQ(tags().size(), 2u);

  db.executeScript(std::string(kProjectSchema) + "DROP TABLE TAGS;");
  save("http://a.test/", "<h1>A</h1><h2>B</h2>");
  EXPECT_EQ(desktop.messages().size(), 5u);  // one per heading line
  EXPECT_EQ(desktop.messages().back().text, "Exception raised with message: no such table: TAGS");
  EXPECT_EQ(pages(), (Rows{{"http://a.test/", "", "", "A"}}));
}

// Under the standard rules every stored text is what a search result shows:
// each reference of HTML5 decoded once, white space collapsed and trimmed.
TEST(ShownPageTexts, DecodedAndCollapsedInTitleDescriptionHeadingAndLinkText) {
  const std::pair<std::string, std::string> cases[] = {
      {"Python &#8212; docs", "Python \xE2\x80\x94 docs"},
      {"A &amp;amp; B", "A &amp; B"},
      {"&NotEqualTilde; &bigstar;", "\xE2\x89\x82\xCC\xB8 \xE2\x98\x85"},
      {"&copy 2024 &apos;q&apos;", "\xC2\xA9 2024 'q'"},
      {"  spaced \n\t out  ", "spaced out"},
      {"a&nbsp;b",
       "a\xC2\xA0"
       "b"},
      {"&unknown; &amp &#x1F600;", "&unknown; & \xF0\x9F\x98\x80"},
  };
  for (const auto& [written, shown] : cases) {
    const std::string page = "<title>" + written + "</title><meta name=description content=\"" + written + "\"><h1>" +
                             written + "</h1><p><a href=/>" + written + "</a>";
    const HtmlDocument doc(page, NamedReferences::Html5);
    const PageRecordFacts facts = readShownPageRecordFacts(doc);
    EXPECT_EQ(facts.title, shown) << written;
    EXPECT_EQ(facts.description, shown) << written;
    EXPECT_EQ(facts.h1Lines, std::vector<std::string>{shown}) << written;
    const PageLinks links = readPageLinks(doc, page.size());
    ASSERT_EQ(links.links.size(), 1u);
    EXPECT_EQ(links.links[0].text, shown) << written;
  }
}

}  // namespace
