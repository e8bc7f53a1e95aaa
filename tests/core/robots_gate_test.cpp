// A crawl under each robots.txt mode, against a real server that logs every
// request: what is fetched, what the project records, what the audit says.
#include "core/crawl/robots_gate.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "core/results/audit.h"
#include "core/results/responses.h"
#include "crawl_harness.h"
#include "test_server.h"

using namespace crawlspect;
using testsupport::TestServer;

namespace {

using Rows = std::vector<std::string>;

class RobotsCrawl : public ::testing::Test, public testsupport::CrawlHarness {
 protected:
  RobotsCrawl() {
    settings.linkRules = LinkRules::Standard;
    site.page("/",
              "<title>home</title><a href=\"/open\">open</a> <a href=\"/private/a\">a</a>"
              " <a href=\"/private/a\">a again</a>")
        .page("/open", "<h1>open</h1><a href=\"/private/b?x=1\">b</a> <a href=\"/\">home</a>")
        .page("/private/a", "<title>a</title><a href=\"/secret\">secret</a>")
        .page("/private/b", "<title>b</title>")
        .page("/secret", "<title>secret</title>")
        .page("/robots.txt",
              "# the test site\nUser-agent: *\nDisallow: /private/\n\nUser-agent: otherbot\nDisallow: /\n",
              "text/plain");
    site.start();
  }

  // One column of a statement's rows, as text.
  Rows column(const std::string& sql) {
    const QueryResult result = db.query(sql);
    Rows rows;
    for (std::size_t r = 0; r < result.rows.size(); ++r) {
      std::string row;
      for (std::size_t c = 0; c < result.columns.size(); ++c) row += (c ? "|" : "") + result.text(r, c);
      rows.push_back(row);
    }
    return rows;
  }
  Rows crawlTables() {
    Rows rows;
    for (const char* table : {"PAGES", "LINKS", "TAGS"})
      for (auto& row : column(std::string("SELECT * FROM ") + table + " ORDER BY rowid")) rows.push_back(table + row);
    return rows;
  }
  Rows robotsAuditLines() {
    AuditReport report;
    appendRobotsAudit(report, db, desktop);
    Rows lines;
    for (std::size_t i = 0; i < report.lineCount(); ++i) lines.emplace_back(report.lineText(i));
    return lines;
  }

  TestServer site;
};

TEST_F(RobotsCrawl, obeyNeverRequestsABlockedUrlAndRecordsWhy) {
  settings.robots = RobotsMode::Obey;
  ASSERT_TRUE(crawl(site.url("/")));
  EXPECT_EQ(site.hits("/robots.txt"), 1);
  EXPECT_EQ(site.hits("/private/a"), 0);
  EXPECT_EQ(site.hits("/private/b"), 0);
  EXPECT_EQ(site.hits("/secret"), 0);
  EXPECT_EQ(listUrls(), (Rows{site.url("/"), site.url("/open")}));
  EXPECT_EQ(column("SELECT URL FROM PAGES ORDER BY rowid"), (Rows{site.url("/"), site.url("/open")}));

  // The robots.txt fetch in its own table; one response row per page and one per blocked URL, once each.
  EXPECT_EQ(column("SELECT URL, STATUS, FINAL_URL, ERROR FROM ROBOTS_TXT"),
            Rows{site.url("/robots.txt") + "|200|" + site.url("/robots.txt") + "|"});
  EXPECT_EQ(column("SELECT URL, STATUS, FINAL_STATUS, HOPS, ERROR, EXTERNAL FROM RESPONSES ORDER BY rowid"),
            (Rows{site.url("/") + "|200|200|0||0", site.url("/private/a") + "|0|0|0|robots: blocked|0",
                  site.url("/open") + "|200|200|0||0", site.url("/private/b?x=1") + "|0|0|0|robots: blocked|0"}));
  // Their links stay as found, each time found.
  EXPECT_EQ(column("SELECT URL, LINK, TYPE FROM LINKS WHERE LINK LIKE '%/private/%' ORDER BY rowid"),
            (Rows{site.url("/") + "|" + site.url("/private/a") + "|Internal",
                  site.url("/") + "|" + site.url("/private/a") + "|Internal",
                  site.url("/open") + "|" + site.url("/private/b?x=1") + "|Internal"}));
  EXPECT_EQ(robotsAuditLines(), (Rows{"Blocked by robots.txt URL:" + site.url("/private/a"),
                                      "Blocked by robots.txt URL:" + site.url("/private/b?x=1")}));
  // Neither a missing robots.txt nor a URL left alone on purpose is a broken link or a failed fetch.
  const ResponseCounts counts = countResponses(db, desktop);
  EXPECT_EQ(counts.brokenLinks, 0u);
  EXPECT_EQ(counts.failed, 0u);
  EXPECT_EQ(counts.success, 2u);
}

TEST_F(RobotsCrawl, reportCrawlsAsIgnoreDoesAndMarksTheBlockedUrls) {
  settings.robots = RobotsMode::Ignore;
  ASSERT_TRUE(crawl(site.url("/")));
  EXPECT_EQ(site.hits("/robots.txt"), 0);
  const Rows ignored = crawlTables();
  EXPECT_EQ(column("SELECT COUNT(*) FROM ROBOTS_BLOCKED UNION ALL SELECT COUNT(*) FROM ROBOTS_TXT"), (Rows{"0", "0"}));

  settings.robots = RobotsMode::Report;
  ASSERT_TRUE(crawl(site.url("/")));
  EXPECT_EQ(site.hits("/robots.txt"), 1);
  EXPECT_EQ(site.hits("/private/a"), 2);
  EXPECT_EQ(crawlTables(), ignored);
  EXPECT_EQ(robotsAuditLines(), (Rows{"Blocked by robots.txt URL:" + site.url("/private/a"),
                                      "Blocked by robots.txt URL:" + site.url("/private/b?x=1")}));
  EXPECT_EQ(column("SELECT COUNT(*) FROM RESPONSES WHERE ERROR <> ''"), Rows{"0"});
}

// An obeyed Crawl-delay spaces the run's requests, by the server's own clock.
TEST(RobotsCrawlDelay, ObeyedItSpacesTheRequests) {
  std::mutex lock;
  std::vector<std::chrono::steady_clock::time_point> pageArrivals;
  TestServer site;
  site.raw().set_pre_routing_handler([&](const httplib::Request& request, httplib::Response&) {
    if (request.path != "/robots.txt") {
      std::lock_guard guard(lock);
      pageArrivals.push_back(std::chrono::steady_clock::now());
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });
  site.page("/", "<a href=\"/a\">a</a> <a href=\"/b\">b</a> <a href=\"/c\">c</a>")
      .page("/a", "a")
      .page("/b", "b")
      .page("/c", "c")
      .page("/robots.txt", "User-agent: *\nCrawl-delay: 0.3\n", "text/plain");
  site.start();
  testsupport::CrawlHarness harness;
  harness.settings.robots = RobotsMode::Obey;
  ASSERT_TRUE(harness.crawl(site.url("/")));
  std::lock_guard guard(lock);
  // The start URL's probe and the four pages: four gaps of at least 0.3 s.
  ASSERT_EQ(pageArrivals.size(), 5u);
  EXPECT_GE(pageArrivals.back() - pageArrivals.front(), std::chrono::milliseconds(1150));
}

// What the answer to the robots.txt request does to an obeying run.
struct FetchCase {
  const char* name;
  int status;           // of /robots.txt, or 301 to /rules.txt
  bool pagesFetched;    // the start page
  bool privateFetched;  // the page robots.txt would disallow
};

class RobotsFetchResult : public RobotsCrawl, public ::testing::WithParamInterface<FetchCase> {};

TEST_P(RobotsFetchResult, decidesWhatIsAllowed) {
  const FetchCase& c = GetParam();
  TestServer other;
  other.page("/", "<a href=\"/private/a\">a</a>").page("/private/a", "a");
  other.page("/rules.txt", "User-agent: *\nDisallow: /private/\n", "text/plain");
  if (c.status == 301)
    other.redirect("/robots.txt", "/rules.txt");
  else
    other.status("/robots.txt", c.status);
  other.start();
  settings.robots = RobotsMode::Obey;
  ASSERT_TRUE(crawl(other.url("/")));
  EXPECT_EQ(other.hits("/robots.txt"), 1);
  EXPECT_EQ(column("SELECT STATUS, FINAL_STATUS, HOPS FROM ROBOTS_TXT"),
            Rows{std::to_string(c.status) + "|" + std::to_string(c.status == 301 ? 200 : c.status) + "|" +
                 (c.status == 301 ? "1" : "0")});
  EXPECT_EQ(other.hits("/") > 0, c.pagesFetched);
  EXPECT_EQ(other.hits("/private/a"), c.privateFetched ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Rfc9309, RobotsFetchResult,
                         ::testing::Values(FetchCase{"missingAllowsAll", 404, true, true},
                                           FetchCase{"forbiddenAllowsAll", 403, true, true},
                                           FetchCase{"serverErrorAllowsNothing", 503, false, false},
                                           FetchCase{"redirectFollowed", 301, true, false}),
                         [](const ::testing::TestParamInfo<FetchCase>& info) { return std::string(info.param.name); });

}  // namespace
