#include "core/results/result_lists.h"

#include <gtest/gtest.h>

#include "result_fixture.h"

using namespace crawlspect;
using testsupport::ResultFixture;
using Rows = std::vector<std::vector<std::string>>;

namespace {

Rows summaryRows(const std::string& urls, const std::string& links, const std::string& titles,
                 const std::string& descriptions, const std::string& h1, const std::string& h2) {
  // No fetch recorded in these projects: the response counts stay 0.
  return {
      {"Internal URLs", urls}, {"Found Links", links}, {"Found Titles", titles}, {"Found Descriptions", descriptions},
      {"Found H1 Tags", h1},   {"Found H2 Tags", h2},  {"Responses 2xx", "0"},   {"Responses 3xx", "0"},
      {"Responses 4xx", "0"},  {"Responses 5xx", "0"}, {"Failed Fetches", "0"},  {"Broken Links", "0"}};
}

TEST(ResultLists, EmptyProjectGivesEmptyListsZeroSummaryAndNoReport) {
  ResultFixture f;
  const RefreshResult r = refreshResults(f.db, f.urls, RegionalSettings{}, f.desktop);
  const Rows headers = {{"Link", "Count"},  {"H1 Tag", "Count"},      {"H2 Tag", "Count"},
                        {"Title", "Count"}, {"Description", "Count"}, {"Anchor Text", "Count"}};
  for (std::size_t i = 0; i < kResultListCount; ++i) {
    EXPECT_EQ(r.lists[i].headers(), headers[i]) << i;
    EXPECT_TRUE(r.lists[i].empty()) << i;
  }
  EXPECT_EQ(r.summary.rows(), summaryRows("0", "0", "0", "0", "0", "0"));
  EXPECT_TRUE(r.audit.empty());
  EXPECT_TRUE(f.desktop.messages().empty());
}

TEST(ResultLists, GroupsCountEveryRowAndKeepUnreadAndUntitledPagesApart) {
  ResultFixture f;
  f.queued("http://a.test/q1").queued("http://a.test/q2").queued("http://a.test/q3");
  f.read("http://a.test/", "Home", "").read("http://a.test/x", "", "").read("http://a.test/y", "", "D");
  // One target stored five times, from one page and from another.
  for (int i = 0; i < 3; ++i) f.link("http://a.test/", "http://a.test/x", "X");
  for (int i = 0; i < 2; ++i) f.link("http://a.test/y", "http://a.test/x", "");
  f.link("http://a.test/", "http://b.test/", "X");
  f.tag("http://a.test/", "H1", "Welcome").tag("http://a.test/x", "H1", "Welcome").tag("http://a.test/y", "H2", "Sub");
  f.tag("http://a.test/", "H3", "not listed");

  const RefreshResult r = refreshResults(f.db, f.urls, RegionalSettings{}, f.desktop);
  EXPECT_EQ(r.list(ResultListId::Links).rows(), (Rows{{"http://a.test/x", "5"}, {"http://b.test/", "1"}}));
  EXPECT_EQ(r.list(ResultListId::H1Tags).rows(), (Rows{{"Welcome", "2"}}));
  EXPECT_EQ(r.list(ResultListId::H2Tags).rows(), (Rows{{"Sub", "1"}}));
  EXPECT_EQ(r.list(ResultListId::Titles).rows(), (Rows{{kNotCheckedYet, "3"}, {"", "2"}, {"Home", "1"}}));
  EXPECT_EQ(r.list(ResultListId::Descriptions).rows(), (Rows{{kNotCheckedYet, "3"}, {"", "2"}, {"D", "1"}}));
  EXPECT_EQ(r.list(ResultListId::Anchors).rows(), (Rows{{"X", "4"}, {"", "2"}}));
  EXPECT_EQ(r.summary.rows(), summaryRows("6", "2", "3", "3", "1", "1"));
  EXPECT_TRUE(f.desktop.messages().empty());

  // Counted only, the two large lists stay empty; summary and audit are the same.
  const RefreshResult counted = refreshResults(f.db, f.urls, RegionalSettings{}, f.desktop, false);
  EXPECT_TRUE(counted.list(ResultListId::Links).empty());
  EXPECT_TRUE(counted.list(ResultListId::Anchors).empty());
  EXPECT_EQ(counted.list(ResultListId::Titles).rows(), r.list(ResultListId::Titles).rows());
  EXPECT_EQ(counted.summary.rows(), r.summary.rows());
  EXPECT_EQ(counted.audit.plainText("\n"), r.audit.plainText("\n"));
}

TEST(ResultLists, FailedStatementIsReportedAndOnlyItsListStaysEmpty) {
  ResultFixture f;
  f.read("http://a.test/", "Home", "D")
      .tag("http://a.test/", "H1", "Welcome")
      .link("http://a.test/", "http://a.test/", "A");
  f.db.execute("DROP TABLE TAGS;");
  const RefreshResult r = refreshResults(f.db, f.urls, RegionalSettings{}, f.desktop);
  EXPECT_EQ(f.messageTexts(), (std::vector<std::string>{"Exception raised with message: no such table: TAGS",
                                                        "Exception raised with message: no such table: TAGS"}));
  EXPECT_TRUE(r.list(ResultListId::H1Tags).empty());
  EXPECT_TRUE(r.list(ResultListId::H2Tags).empty());
  EXPECT_EQ(r.list(ResultListId::Links).size(), 1u);
  EXPECT_EQ(r.list(ResultListId::Titles).rows(), (Rows{{"Home", "1"}}));
  EXPECT_EQ(r.list(ResultListId::Anchors).size(), 1u);
  EXPECT_EQ(r.summary.rows(), summaryRows("1", "1", "1", "1", "0", "0"));
}

}  // namespace
