#include "core/crawl/crawl_run.h"

#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <memory>
#include <random>
#include <thread>

#include "core/crawl/internal_url_list.h"
#include "core/crawl/page_fetcher.h"
#include "core/platform/loop_desktop.h"
#include "core/store/database.h"
#include "core/store/project_store.h"
#include "crawl_harness.h"
#include "process.h"
#include "temp_dir.h"
#include "test_server.h"

using namespace crawlspect;
using testsupport::TempDir;
using testsupport::TestServer;

namespace {

class CrawlRunTest : public ::testing::Test, public testsupport::CrawlHarness {
 protected:
  CrawlRunTest() {
    site.page("/", R"(<title>Home</title>
<a href="/a.html">A</a> <a href="b.html" rel="nofollow">B</a>
<a href="http://elsewhere.example/">Out</a> <a href="/style.css">css</a>
<a href="/a.html">A again</a>)")
        .page("/a.html", R"(<a href="/">Home</a> <a href="/c.html">C</a>)")
        .page("/b.html", R"(<a href="/c.html">C</a> <a href="/missing.html">gone</a>)")
        .page("/c.html", "no links")
        .status("/missing.html", 404)
        .redirect("/moved", "/")
        .slow("/slow.html", "<a href=\"/a.html\">A</a>", 40, 50);
    site.start();
  }
  QueryResult rows(const std::string& sql, std::initializer_list<BoundValue> values = {}) {
    return db.query(sql, values);
  }
  TestServer site;
};

TEST_F(CrawlRunTest, WalksTheSiteBreadthFirstAndStoresEveryKeptLink) {
  std::vector<std::string> pagesSeen;
  run.setPageStep([&](const std::string& url, const std::string&, const HtmlDocument*) -> std::function<void()> {
    return [&, url] {
      EXPECT_TRUE(desktop.isMainThread());
      pagesSeen.push_back(url);
    };
  });
  crawl(site.url("/"));

  const std::vector<std::string> expected = {site.url("/"), site.url("/a.html"), site.url("/b.html"),
                                             site.url("/c.html"), site.url("/missing.html")};
  EXPECT_EQ(listUrls(), expected);
  EXPECT_EQ(pagesSeen, expected);
  for (const auto& row : list.snapshot()) {
    EXPECT_FALSE(row.loadTime.empty()) << row.url;
    EXPECT_NE(row.loadTime.find(','), std::string::npos) << "regional decimal separator: " << row.loadTime;
  }
  EXPECT_EQ(list.snapshot()[1].urlLength, std::to_string(site.url("/a.html").size() - 7));

  auto pages = rows("SELECT URL FROM PAGES ORDER BY rowid");
  ASSERT_EQ(pages.rows.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(pages.text(i, 0), expected[i]);

  auto links = rows("SELECT URL, LINK, FOLLOW, TYPE, ANCHOR FROM LINKS");
  std::vector<std::string> got;
  for (std::size_t i = 0; i < links.rows.size(); ++i)
    got.push_back(links.text(i, 0) + "|" + links.text(i, 1) + "|" + links.text(i, 2) + "|" + links.text(i, 3) + "|" +
                  links.text(i, 4));
  const std::string home = site.url("/");
  EXPECT_EQ(got, (std::vector<std::string>{
                     "|" + home + "||Internal|",
                     home + "|" + site.url("/a.html") + "|dofollow|Internal|A",
                     home + "|" + site.url("/b.html") + "|NOFOLLOW|Internal|B",
                     home + "|http://elsewhere.example/|dofollow|External|Out",
                     home + "|" + site.url("/a.html") + "|dofollow|Internal|A again",
                     site.url("/a.html") + "|" + home + "|dofollow|Internal|Home",
                     site.url("/a.html") + "|" + site.url("/c.html") + "|dofollow|Internal|C",
                     site.url("/b.html") + "|" + site.url("/c.html") + "|dofollow|Internal|C",
                     site.url("/b.html") + "|" + site.url("/missing.html") + "|dofollow|Internal|gone",
                 }));

  EXPECT_EQ(observer.status[0], "Total URLs: 5");
  EXPECT_EQ(observer.status[1], "5 / 5");
  EXPECT_EQ(observer.status[2], "");
  EXPECT_EQ(observer.refreshes, 1);
  EXPECT_EQ(observer.shownRows, 5);
  EXPECT_EQ(observer.end, RunEnd::Complete);
  EXPECT_EQ(run.state(), RunState::Idle);
  EXPECT_TRUE(desktop.messages().empty());
  EXPECT_TRUE(observer.failures.empty());
}

TEST_F(CrawlRunTest, PageFactsAreStoredWhileCrawling) {
  site.page("/facts", R"(<html><head><title> It's  here </title>
<meta name="Description" content="About it's page"></head>
<body><h1>First</h1><h1></h1><h2>Sub one</h2><h2>Sub two</h2><a href="/facts-b">b</a></body></html>)")
      .page("/facts-b", "<h1>Only heading</h1>");
  ASSERT_TRUE(crawl(site.url("/facts")));
  auto pages = rows("SELECT URL, TITLE, DESCRIPTION FROM PAGES ORDER BY rowid");
  ASSERT_EQ(pages.rows.size(), 2u);
  EXPECT_EQ(pages.text(0, 1), " It's  here ");
  EXPECT_EQ(pages.text(0, 2), "About it's page");
  EXPECT_EQ(pages.text(1, 1), "");
  EXPECT_FALSE(pages.isNull(1, "TITLE"));
  auto tags = rows("SELECT URL, TAG, VALUE FROM TAGS ORDER BY rowid");
  std::vector<std::string> got;
  for (std::size_t i = 0; i < tags.rows.size(); ++i) got.push_back(tags.text(i, 1) + ":" + tags.text(i, 2));
  EXPECT_EQ(got, (std::vector<std::string>{"H1:First", "H2:Sub one", "H2:Sub two", "H1:Only heading"}));
  EXPECT_TRUE(desktop.messages().empty());
}

TEST_F(CrawlRunTest, StartSequenceStepsInOrder) {
  settings.pageLimit = 1;
  crawl(site.url("/"));
  EXPECT_EQ(observer.events, (std::vector<std::string>{"running", "cleared", "complete"}));
}

TEST_F(CrawlRunTest, PageLimitOneFetchesOnlyTheStartButStoresAllItsLinks) {
  settings.pageLimit = 1;
  crawl(site.url("/"));
  EXPECT_EQ(listUrls(), std::vector<std::string>{site.url("/")});
  EXPECT_EQ(site.hits("/a.html"), 0);
  EXPECT_EQ(rows("SELECT COUNT(*) FROM LINKS WHERE TYPE='Internal'").text(0, 0), "4");
  EXPECT_EQ(rows("SELECT COUNT(*) FROM PAGES").text(0, 0), "1");
  EXPECT_EQ(run.addedCount(), 1u);
}

TEST_F(CrawlRunTest, RejectedStartUrlEndsTheRunAtOnce) {
  observer.status[0] = "Total URLs: 9";
  observer.status[1] = "3 / 9";
  crawl(site.url("/app.js"));
  EXPECT_TRUE(list.snapshot().empty());
  EXPECT_EQ(rows("SELECT COUNT(*) FROM LINKS").text(0, 0), "0");
  EXPECT_EQ(observer.status[0], "Total URLs: 9");
  EXPECT_EQ(observer.status[1], "3 / 9");
  EXPECT_EQ(observer.refreshes, 1);
  EXPECT_EQ(run.state(), RunState::Idle);
}

TEST_F(CrawlRunTest, RedirectingStartUrlIsAdoptedBeforeTheCrawl) {
  settings.pageLimit = 1;
  crawl(site.url("/moved"));
  EXPECT_EQ(observer.startUrl, site.url("/"));
  EXPECT_EQ(listUrls(), std::vector<std::string>{site.url("/")});
}

TEST_F(CrawlRunTest, StartUrlTextIsTidiedBeforeTheCrawl) {
  settings.pageLimit = 1;
  const std::string bare = site.url("/").substr(7);
  crawl(bare);
  EXPECT_EQ(observer.startUrl, site.url("/"));
  crawl("  HTTP://" + bare + "A.html ");
  EXPECT_EQ(observer.startUrl, "http://" + bare + "A.html");  // only the scheme's letters change
}

TEST_F(CrawlRunTest, WrongStartsAreRefused) {
  settings.startUrl = " \t ";
  EXPECT_THROW(run.start(settings), std::invalid_argument);
  EXPECT_EQ(run.state(), RunState::Idle);
  EXPECT_FALSE(run.active());
  EXPECT_EQ(site.hits("/"), 0);

  begin(site.url("/slow.html"));
  EXPECT_THROW(run.start(settings), std::logic_error);  // one run at a time
  run.requestStop();
  ASSERT_TRUE(desktop.runUntil([&] { return !run.active(); }));
  EXPECT_TRUE(observer.events.empty() || observer.events.back() == "stopped");
}

TEST(StartUrl, IsTidiedAsTheRunTakesIt) {
  const std::pair<std::string, std::string> cases[] = {
      {"  http://a.test/x ", "http://a.test/x"},
      {"HTTP://A.test/", "http://A.test/"},
      {"HttpS://a.test/", "https://a.test/"},
      {"a.test/p", "http://a.test/p"},
      {"\t\r\n", ""},
      {"", ""},
  };
  for (const auto& [typed, taken] : cases) EXPECT_EQ(normalizedStartUrl(typed), taken) << typed;
}

TEST_F(CrawlRunTest, StopDuringASlowTransferEndsTheRunAfterThatPage) {
  begin(site.url("/slow.html"));
  ASSERT_TRUE(desktop.runUntil([&] { return observer.status[2] == "Loading: " + site.url("/slow.html"); }));
  run.requestStop();
  EXPECT_EQ(run.state(), RunState::Stopping);
  run.requestStop();  // a second request while stopping changes nothing
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(desktop.runUntil([&] { return !run.active(); }, std::chrono::seconds(10)));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
  desktop.pump();
  EXPECT_EQ(run.state(), RunState::Idle);
  EXPECT_EQ(observer.end, RunEnd::Stopped);
  EXPECT_EQ(list.size(), 1u);
  EXPECT_FALSE(list.snapshot()[0].loadTime.empty());
  EXPECT_EQ(site.hits("/a.html"), 0);
}

// Pages are read ahead of their turn; a read that fails is still reported,
// and only that page goes without its facts and links.
TEST_F(CrawlRunTest, AFailedPageReadIsReportedAtItsTurnAndTheRunGoesOn) {
  std::vector<std::string> seen;
  run.setPageStep([&](const std::string& url, const std::string& text, const HtmlDocument*) -> std::function<void()> {
    if (url == site.url("/a.html")) throw std::runtime_error("cannot read " + url);
    auto store = preparePageRecord(db, desktop, "Crawlspect", url, text);
    return [&, url, store] {
      seen.push_back(url);
      store();
    };
  });
  ASSERT_TRUE(crawl(site.url("/")));
  EXPECT_EQ(seen, (std::vector<std::string>{site.url("/"), site.url("/b.html"), site.url("/c.html"),
                                            site.url("/missing.html")}));
  EXPECT_EQ(observer.failures, std::vector<std::string>{"cannot read " + site.url("/a.html")});
  // /c.html is still found, through /b.html; /a.html's own links are not stored.
  EXPECT_EQ(rows("SELECT COUNT(*) FROM LINKS WHERE URL=?", {site.url("/a.html")}).text(0, 0), "0");
  EXPECT_TRUE(rows("SELECT TITLE FROM PAGES WHERE URL=?", {site.url("/a.html")}).isNull(0, "TITLE"));
  EXPECT_EQ(list.size(), 5u);
}

// The next page is fetched while the current one is stored; a stop in between
// must leave the rows exactly as if that fetch had never begun.
TEST_F(CrawlRunTest, StopWhileAPageIsStoredDropsThePageFetchedAhead) {
  site.page("/first", "<a href=\"/second\">2</a> <a href=\"/slow.html\">slow</a>").page("/second", "<title>2</title>");
  std::vector<std::string> pagesSeen;
  run.setPageStep([&](const std::string& url, const std::string& text, const HtmlDocument*) -> std::function<void()> {
    auto store = preparePageRecord(db, desktop, "Crawlspect", url, text);
    return [&, url, store] {
      pagesSeen.push_back(url);
      store();
      if (url == site.url("/second")) run.requestStop();
    };
  });
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(crawl(site.url("/first")));
  // The slow page sends for two seconds; the stop cut it off.
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1500));
  EXPECT_EQ(pagesSeen, (std::vector<std::string>{site.url("/first"), site.url("/second")}));
  const auto listed = list.snapshot();
  ASSERT_EQ(listed.size(), 3u);
  EXPECT_FALSE(listed[1].loadTime.empty());
  EXPECT_EQ(listed[2].loadTime, "");
  auto pages = rows("SELECT URL, TITLE FROM PAGES ORDER BY rowid");
  ASSERT_EQ(pages.rows.size(), 3u);
  EXPECT_EQ(pages.text(1, 1), "2");
  EXPECT_TRUE(pages.isNull(2, "TITLE"));
  EXPECT_EQ(rows("SELECT COUNT(*) FROM LINKS WHERE URL=?", {site.url("/slow.html")}).text(0, 0), "0");
  EXPECT_EQ(observer.refreshes, 1);
  EXPECT_EQ(run.state(), RunState::Idle);
}

TEST_F(CrawlRunTest, ClosingDuringARunStopsAndJoinsIt) {
  begin(site.url("/slow.html"));
  ASSERT_TRUE(desktop.runUntil([&] { return !observer.status[2].empty(); }));
  run.shutdown();
  EXPECT_FALSE(run.active());
  store.close();
  EXPECT_FALSE(std::filesystem::exists(store.workingFile()));
}

TEST_F(CrawlRunTest, SavedProjectReopensWithTheListInOrder) {
  site.page("/z", "<a href=\"/y\">y</a> <a href=\"/x\">x</a>").page("/y", "").page("/x", "");
  ASSERT_TRUE(crawl(site.url("/z")));
  ASSERT_EQ(listUrls().size(), 3u);
  const std::string saved = dir.file("saved.db");
  EXPECT_NO_THROW(store.saveCopy(saved));
  const auto before = listUrls();
  // A load time is kept in the saved project (one decimal, the run's notation).
  db.execute("UPDATE RESPONSES SET TIME_MS=1260 WHERE URL=?", {site.url("/y")});
  EXPECT_NO_THROW(store.saveCopy(saved));

  InternalUrlList reopened;
  ASSERT_TRUE(store.openProject(saved, reopened, RegionalSettings::withDecimal(',')));
  const auto rowsAfter = reopened.snapshot();
  ASSERT_EQ(rowsAfter.size(), before.size());
  for (std::size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(rowsAfter[i].url, before[i]);
    EXPECT_EQ(rowsAfter[i].loadTime, before[i] == site.url("/y") ? "1,3" : "0,0") << before[i];
    EXPECT_EQ(rowsAfter[i].urlLength, std::to_string(before[i].size() - 7));
  }
}

TEST_F(CrawlRunTest, TextsOfEveryKindSurviveTheStatements) {
  store.freshReset();
  const std::string nasty[] = {"it's",
                               "''",
                               "a\\b",
                               "\"q\"",
                               "tab\there\r\nline",
                               "\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80",
                               "x'); DROP TABLE LINKS; --",
                               "\x01\x1F"};
  for (const auto& text : nasty) {
    store.recordNewPage(text);
    store.storeLink(text, text, text, text, text);
  }
  auto links = rows("SELECT URL, LINK, FOLLOW, ANCHOR, TYPE FROM LINKS");
  auto pages = rows("SELECT URL FROM PAGES ORDER BY rowid");
  ASSERT_EQ(links.rows.size(), std::size(nasty));
  ASSERT_EQ(pages.rows.size(), std::size(nasty));
  for (std::size_t i = 0; i < std::size(nasty); ++i) {
    EXPECT_EQ(pages.text(i, 0), nasty[i]);
    for (std::size_t c = 0; c < 5; ++c) EXPECT_EQ(links.text(i, c), nasty[i]);
  }
  EXPECT_TRUE(desktop.messages().empty());
}

// A run with deferred link indexes keeps them from its 50th page on when it
// has mostly been waiting for the network, and leaves them to the end of the
// run otherwise: here light pages behind a slow server, and pages of many
// links from a quick one. No row is lost either way.
TEST(DeferredLinkIndexes, KeptFromEarlyOnOnlyWhenTheNetworkSetsThePace) {
  const std::size_t pages = CrawlRun::kPagesBeforeIndexChoice + 10;
  std::string home;
  for (std::size_t i = 0; i < pages; ++i) home += "<a href=\"/p" + std::to_string(i) + "\">p</a>";
  struct Case {
    int delayMs;
    int linksPerPage;
    bool keptEarly;
  };
  for (const Case c : {Case{0, 300, false}, Case{40, 1, true}}) {
    SCOPED_TRACE(c.delayMs);
    std::string body;
    for (int i = 0; i < c.linksPerPage; ++i) body += "<a href=\"/\">home</a>\n";
    TestServer site;
    site.page("/", home);
    site.raw().Get(R"(/p\d+)", [c, body](const httplib::Request&, httplib::Response& res) {
      std::this_thread::sleep_for(std::chrono::milliseconds(c.delayMs));
      res.set_content(body, "text/html");
    });
    site.start();
    testsupport::CrawlHarness h;
    h.settings.pageLimit = pages + 1;
    h.store.deferLinkIndexes(true);
    ASSERT_TRUE(h.crawl(site.url("/")));
    // The start URL's own row, the home page's links, every page's links.
    EXPECT_EQ(h.scalar("SELECT COUNT(*) FROM LINKS"), std::to_string(1 + pages + pages * c.linksPerPage));
    const std::string indexes = h.scalar("SELECT COUNT(*) FROM sqlite_master WHERE type='index' AND tbl_name='LINKS'");
    EXPECT_EQ(indexes, c.keptEarly ? "2" : "0");
    EXPECT_EQ(h.store.linkIndexesPending(), !c.keptEarly);
  }
}

TEST(CrawlCommand, CrawlsAndSavesTheProject) {
  TestServer site;
  site.page("/", "<a href=\"/a\">A</a>").page("/a", "<a href=\"/\">home</a>");
  site.start();
  TempDir dir;
  const auto result = testsupport::runProcess({testsupport::cliPath(), "crawl", site.url("/"), "--project",
                                               dir.file("out.db"), "--export-dir", dir.path().string()});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.err.find("Total URLs: 2"), std::string::npos) << result.err;
  EXPECT_EQ(result.out.rfind("Internal URLs\t2\n", 0), 0u) << result.out;
  for (const char* name :
       {"sitemap.csv", "links.csv", "titles.csv", "descriptions.csv", "h1.csv", "h2.csv", "anchors.csv"})
    EXPECT_TRUE(std::filesystem::exists(dir.file(name))) << name;
  EXPECT_NE(testsupport::readFile(dir.file("sitemap.csv")).find(site.url("/a")), std::string::npos);
  Database db;
  db.connect(dir.file("out.db"));
  EXPECT_EQ(db.query("SELECT COUNT(*) FROM PAGES").text(0, 0), "2");
  EXPECT_EQ(db.query("SELECT COUNT(*) FROM LINKS").text(0, 0), "3");
  // The headless run builds the LINKS indexes at its end; the saved project has them.
  EXPECT_EQ(db.query("SELECT COUNT(*) FROM sqlite_master WHERE type='index' AND tbl_name='LINKS'").text(0, 0), "2");
}

TEST(CrawlCommand, InterruptStopsTheRunAndTheProjectIsStillSaved) {
  TestServer site;
  std::string links;
  for (int i = 0; i < 200; ++i) links += "<a href=\"/p" + std::to_string(i) + "\">p</a>";
  site.page("/", links);
  site.raw().Get(R"(/p\d+)", [](const httplib::Request&, httplib::Response& res) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    res.set_content("page", "text/html");
  });
  site.start();
  TempDir dir;
  const auto result = testsupport::runProcess(
      {testsupport::cliPath(), "crawl", site.url("/"), "--limit", "500", "--project", dir.file("out.db")}, 1000,
      SIGINT);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.err.find("Stopping..."), std::string::npos);
  Database db;
  db.connect(dir.file("out.db"));
  EXPECT_EQ(db.query("SELECT COUNT(*) FROM PAGES").text(0, 0), "201");
  EXPECT_EQ(db.query("SELECT COUNT(*) FROM LINKS").text(0, 0), "201");
}

TEST(CrawlCommand, BadArgumentsAndUnwritableProject) {
  const auto usage = testsupport::runProcess({testsupport::cliPath(), "crawl", "http://127.0.0.1:1/", "--limit", "0"});
  EXPECT_EQ(usage.exitCode, 2);
  TestServer site;
  site.page("/", "x");
  site.start();
  const auto unwritable = testsupport::runProcess(
      {testsupport::cliPath(), "crawl", site.url("/"), "--project", "/proc/no-such-dir/out.db"});
  EXPECT_EQ(unwritable.exitCode, 1);
  EXPECT_NE(unwritable.err.find("/proc/no-such-dir/out.db"), std::string::npos) << unwritable.err;
}

// A run whose rows could not all be stored (here a file size limit, as a full
// temporary folder would) ends, prints what it has, and says so in its status.
TEST(CrawlCommand, StorageFailuresEndInStatusOneWithACount) {
  TestServer site;
  std::string links;
  for (int i = 0; i < 2000; ++i) links += "<a href=\"/p" + std::to_string(i) + "\">" + std::string(100, 'a') + "</a>";
  site.page("/", links);
  site.start();
  const auto result =
      testsupport::runProcess({"/bin/sh", "-c", "ulimit -f 100; trap '' XFSZ; exec \"$0\" crawl \"$1\" --limit 3",
                               testsupport::cliPath(), site.url("/")});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find(" failures while crawling: the project holds only what could be stored.\n"),
            std::string::npos)
      << result.err.substr(result.err.size() > 300 ? result.err.size() - 300 : 0);
  EXPECT_EQ(result.out.rfind("Internal URLs\t", 0), 0u) << result.out;
}

}  // namespace
