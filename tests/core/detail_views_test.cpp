#include "core/results/detail_views.h"

#include <gtest/gtest.h>

#include "result_fixture.h"

using namespace crawlspect;
using testsupport::ResultFixture;
using Rows = std::vector<std::vector<std::string>>;

namespace {

TEST(PageDetails, LengthsInUtf16UnitsAndHeadingLinesWithTheirCount) {
  ResultFixture f;
  f.read("http://a.test/", "Caf\xC3\xA9 \xF0\x9F\x98\x80", "Joe's");  // 7 units
  f.tag("http://a.test/", "H1", "One").tag("http://a.test/", "H1", "Two\r\nlines").tag("http://a.test/", "H1", "");
  f.tag("http://a.test/", "H2", "Sub").tag("http://a.test/other", "H1", "elsewhere");
  f.read("http://a.test/bare", "", "");

  const PageDetails d = lookupPageDetails(f.db, "http://a.test/", f.desktop);
  EXPECT_EQ(d.title, "Caf\xC3\xA9 \xF0\x9F\x98\x80");
  EXPECT_EQ(d.titleLength, "Length: 7");
  EXPECT_EQ(d.description, "Joe's");
  EXPECT_EQ(d.descriptionLength, "Length: 5");
  EXPECT_EQ(d.h1Lines, (std::vector<std::string>{"One", "Two", "lines", ""}));
  EXPECT_EQ(d.h1Count, "4");
  EXPECT_EQ(d.h2Lines, (std::vector<std::string>{"Sub"}));
  EXPECT_EQ(d.h2Count, "1");

  for (const char* url : {"http://a.test/bare", "http://a.test/unknown"}) {
    const PageDetails none = lookupPageDetails(f.db, url, f.desktop);
    EXPECT_EQ(none.title, "");
    EXPECT_EQ(none.titleLength, "Length: 0");
    EXPECT_EQ(none.descriptionLength, "Length: 0");
    EXPECT_TRUE(none.h1Lines.empty());
    EXPECT_EQ(none.h1Count, "0");
    EXPECT_EQ(none.h2Count, "0");
  }
  EXPECT_TRUE(f.desktop.messages().empty());
}

TEST(PageDetails, FailedStatementEmptiesOnlyItsOwnPart) {
  ResultFixture f;
  f.read("http://a.test/", "Home", "D").tag("http://a.test/", "H1", "One");
  f.db.execute("DROP TABLE PAGES;");
  const PageDetails d = lookupPageDetails(f.db, "http://a.test/", f.desktop);
  EXPECT_EQ(d.titleLength, "Length: 0");
  EXPECT_EQ(d.h1Lines, (std::vector<std::string>{"One"}));
  EXPECT_EQ(f.messageTexts(), (std::vector<std::string>{"Exception raised with message: no such table: PAGES"}));
}

struct LookupCase {
  ResultListId list;
  std::string value;
  Rows expected;
};

TEST(ValueLookups, EachListFindsTheRowsCarryingTheValue) {
  ResultFixture f;
  f.read("http://a.test/1", "Joe's page", "Shared").read("http://a.test/2", "Joe's page", "");
  f.read("http://a.test/3", "", "Shared").queued("http://a.test/q");
  f.tag("http://a.test/1", "H1", "Head").tag("http://a.test/2", "H2", "Head").tag("http://a.test/3", "H1", "Head");
  f.link("http://a.test/1", "http://a.test/t", "go", "Internal", "Follow");
  f.link("http://a.test/1", "http://a.test/t", "go", "Internal", "Follow");
  f.link(" \t", "http://a.test/t", "blank source");
  f.link("http://a.test/2", "http://b.test/", "go", "External", "NoFollow");
  f.link("http://a.test/3", "http://b.test/", "go", "External", "NoFollow");
  f.link("http://a.test/3", "http://a.test/t", "go");

  const LookupCase cases[] = {
      {ResultListId::Links,
       "http://a.test/t",
       {{"http://a.test/1", "go", "Internal", "Follow"},
        {"http://a.test/1", "go", "Internal", "Follow"},
        {"http://a.test/3", "go", "Internal", "Follow"}}},
      {ResultListId::H1Tags, "Head", {{"http://a.test/1"}, {"http://a.test/3"}}},
      {ResultListId::H2Tags, "Head", {{"http://a.test/2"}}},
      {ResultListId::Titles, "Joe's page", {{"http://a.test/1"}, {"http://a.test/2"}}},
      {ResultListId::Titles, "", {{"http://a.test/3"}}},
      {ResultListId::Titles, kNotCheckedYet, {}},
      {ResultListId::Descriptions, "Shared", {{"http://a.test/1"}, {"http://a.test/3"}}},
      {ResultListId::Descriptions, kNotCheckedYet, {}},
      {ResultListId::Anchors, "go", {{"http://a.test/t", "3"}, {"http://b.test/", "2"}}},
  };
  for (const auto& c : cases) {
    const DetailView view = lookupDetail(f.db, c.list, c.value, f.desktop);
    EXPECT_EQ(view.caption, c.value);
    EXPECT_EQ(view.table.rows(), c.expected) << resultListCaption(c.list) << " " << c.value;
  }
  EXPECT_EQ(lookupDetail(f.db, ResultListId::Links, "http://b.test/", f.desktop).table.headers(),
            (std::vector<std::string>{"Source URL", "Anchor Text", "Type", "Follow"}));
  EXPECT_TRUE(f.desktop.messages().empty());
}

TEST(ValueLookups, FailedStatementIsReportedAndLeavesTheListEmpty) {
  ResultFixture f;
  f.link("http://a.test/1", "http://a.test/t", "go");
  f.db.execute("DROP TABLE LINKS;");
  const DetailView view = lookupDetail(f.db, ResultListId::Links, "http://a.test/t", f.desktop);
  EXPECT_EQ(view.caption, "http://a.test/t");
  EXPECT_TRUE(view.table.empty());
  EXPECT_EQ(f.messageTexts(), (std::vector<std::string>{"Exception raised with message: no such table: LINKS"}));
}

TEST(CopyCommands, CopyTheFirstColumnOfTheSelectedRowOnly) {
  const Table titles({"Title", "Count"}, {{kNotCheckedYet, "2"}, {"Home", "1"}});
  EXPECT_EQ(copyFirstColumn(titles, 0), std::optional<std::string>(kNotCheckedYet));
  EXPECT_EQ(copyFirstColumn(titles, 1), std::optional<std::string>("Home"));
  EXPECT_EQ(copyFirstColumn(titles, std::nullopt), std::nullopt);
  EXPECT_EQ(copyFirstColumn(titles, 2), std::nullopt);
}

}  // namespace
