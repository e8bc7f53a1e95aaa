// Every fetch of a crawl recorded: what the server did, as RESPONSES and
// REDIRECTS rows, beside PAGES, LINKS and TAGS rows that stay as they were.
#include "core/results/responses.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

#include "crawl_harness.h"
#include "test_server.h"

using namespace crawlspect;
using testsupport::TestServer;

namespace {

using Rows = std::vector<std::vector<std::string>>;

Rows allRows(Database& db, const std::string& sql) {
  const QueryResult result = db.query(sql);
  Rows rows;
  for (std::size_t r = 0; r < result.rows.size(); ++r) {
    std::vector<std::string> row;
    for (std::size_t c = 0; c < result.columns.size(); ++c) row.push_back(result.text(r, c));
    rows.push_back(std::move(row));
  }
  return rows;
}

class ResponseRecord : public ::testing::Test, public testsupport::CrawlHarness {
 protected:
  ResponseRecord() {
    settings.responseTimeout = std::chrono::milliseconds(300);
    // The port is known once the server runs: the home page names it when asked.
    site.raw().Get("/", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content(
          "<a href=\"/ok\">ok</a> <a href=\"/missing\">missing</a> <a href=\"/failing\">failing</a>\n"
          "<a href=\"/moved\">moved</a> <a href=\"/chain\">chain</a> <a href=\"/loop\">loop</a>\n"
          "<a href=\"/to-file\">file</a> <a href=\"/slow\">slow</a> <a href=\"/reset\">reset</a>\n"
          "<a href=\"" +
              wrongScheme() + "\">tls</a> <a href=\"/missing\">missing again</a>",
          "text/html");
    });
    site.page("/ok", "<title>fine</title><a href=\"/missing\">gone</a>")
        .status("/missing", 404)
        .status("/failing", 500)
        .redirect("/moved", "/ok")
        .redirect("/chain", "/chain2", 302)
        .redirect("/chain2", "/ok", 301)
        .redirect("/loop", "/loop")
        .redirect("/to-file", "file:///etc/passwd")
        .cutOff("/reset", "<p>half", 1000);
    site.raw().Get("/slow", [](const httplib::Request&, httplib::Response& res) {
      std::this_thread::sleep_for(std::chrono::milliseconds(900));
      res.set_content("late", "text/html");
    });
    site.start();
  }
  // The site's own page, asked for over TLS from a server that speaks plain HTTP.
  std::string wrongScheme() const { return "https://127.0.0.1:" + std::to_string(site.port()) + "/ok"; }
  TestServer site;
};

TEST_F(ResponseRecord, EveryServerBehaviourBecomesItsRows) {
  ASSERT_TRUE(crawl(site.url("/")));
  const std::string ok = site.url("/ok");
  const std::string wrongScheme = this->wrongScheme();
  struct Case {
    std::string url;
    std::string status, finalStatus, finalUrl, hops, errorClass;
    Rows redirects;  // HOP, TARGET, STATUS
  };
  Rows loop;
  for (int hop = 1; hop <= 8; ++hop) loop.push_back({std::to_string(hop), site.url("/loop"), "301"});
  const Case cases[] = {
      {site.url("/"), "200", "200", site.url("/"), "0", "", {}},
      {ok, "200", "200", ok, "0", "", {}},
      {site.url("/missing"), "404", "404", site.url("/missing"), "0", "http", {}},
      {site.url("/failing"), "500", "500", site.url("/failing"), "0", "http", {}},
      {site.url("/moved"), "301", "200", ok, "1", "", {{"1", ok, "301"}}},
      {site.url("/chain"), "302", "200", ok, "2", "", {{"1", site.url("/chain2"), "302"}, {"2", ok, "301"}}},
      {site.url("/loop"), "301", "301", site.url("/loop"), "8", "too_many_redirects", loop},
      {site.url("/to-file"), "301", "301", site.url("/to-file"), "0", "scheme", {}},
      {site.url("/slow"), "0", "0", site.url("/slow"), "0", "timeout", {}},
      {site.url("/reset"), "200", "200", site.url("/reset"), "0", "reset", {}},
      {wrongScheme, "0", "0", wrongScheme, "0", "tls", {}},
  };
  const Rows responses =
      allRows(db, "SELECT URL, STATUS, FINAL_STATUS, FINAL_URL, HOPS, ERROR, EXTERNAL FROM RESPONSES ORDER BY rowid");
  ASSERT_EQ(responses.size(), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    const auto& row = responses[i];
    SCOPED_TRACE(c.url);
    EXPECT_EQ(row[0], c.url);
    EXPECT_EQ((std::vector<std::string>{row[1], row[2], row[3], row[4]}),
              (std::vector<std::string>{c.status, c.finalStatus, c.finalUrl, c.hops}));
    EXPECT_EQ(row[5].substr(0, row[5].find(':')), c.errorClass) << row[5];
    if (!c.errorClass.empty()) {
      EXPECT_GT(row[5].size(), c.errorClass.size() + 2) << "a message follows the class";
    }
    EXPECT_EQ(row[6], "0");
    const QueryResult hops = db.query("SELECT HOP, TARGET, STATUS FROM REDIRECTS WHERE URL=? ORDER BY rowid", {c.url});
    Rows got;
    for (std::size_t r = 0; r < hops.rows.size(); ++r)
      got.push_back({hops.text(r, 0), hops.text(r, 1), hops.text(r, 2)});
    EXPECT_EQ(got, c.redirects);
  }
  // What libcurl measured of the page that arrived whole.
  const QueryResult page = db.query("SELECT CONTENT_TYPE, BYTES, TTFB_MS, TIME_MS FROM RESPONSES WHERE URL=?", {ok});
  EXPECT_EQ(page.text(0, 0), "text/html");
  EXPECT_EQ(page.text(0, 1), "46");
  EXPECT_GT(std::stod(page.text(0, 2)), 0.0);
  EXPECT_GE(std::stod(page.text(0, 3)), std::stod(page.text(0, 2)));

  // The three summary counts of the outcome, and the broken targets linked
  // from crawled pages: /missing (twice from /, once from /ok), /failing,
  // /loop, /to-file, /slow, /reset and the wrong scheme.
  const ResponseCounts counts = countResponses(db, desktop);
  EXPECT_EQ(counts.success, 3u);
  EXPECT_EQ(counts.redirection, 4u);
  EXPECT_EQ(counts.clientError, 1u);
  EXPECT_EQ(counts.serverError, 1u);
  EXPECT_EQ(counts.failed, 5u);
  EXPECT_EQ(counts.brokenLinks, 7u);
  EXPECT_TRUE(observer.failures.empty());
}

TEST_F(ResponseRecord, TheStartUrlsProbeIsRecordedWhenItRedirectsAndItsFailureIsTold) {
  ASSERT_TRUE(crawl(site.url("/moved")));
  EXPECT_EQ(allRows(db, "SELECT URL, STATUS, HOPS FROM RESPONSES ORDER BY rowid LIMIT 2"),
            (Rows{{site.url("/moved"), "301", "1"}, {site.url("/ok"), "200", "0"}}));
  EXPECT_EQ(db.query("SELECT COUNT(*) FROM RESPONSES WHERE URL=?", {site.url("/moved")}).text(0, 0), "1");
  EXPECT_TRUE(observer.startFailures.empty());

  const std::string unreachable = "http://127.0.0.1:" + std::to_string(testsupport::refusedPort()) + "/";
  ASSERT_TRUE(crawl(unreachable));
  ASSERT_EQ(observer.startFailures.size(), 1u);
  EXPECT_EQ(observer.startFailures[0].rfind("connect: ", 0), 0u) << observer.startFailures[0];
  EXPECT_EQ(allRows(db, "SELECT URL, STATUS, ERROR FROM RESPONSES"),
            (Rows{{unreachable, "0", observer.startFailures[0]}}));
}

// The crawl's own rows with every kind of response in the site: those of a
// crawl that records nothing beside them, row for row.
TEST_F(ResponseRecord, PagesLinksAndTagsStayAsTheyWere) {
  ASSERT_TRUE(crawl(site.url("/")));
  const std::string u = site.url("/");
  auto at = [&](const std::string& path) { return site.url(path); };
  const std::string wrongScheme = this->wrongScheme();
  EXPECT_EQ(allRows(db, "SELECT URL, TITLE, DESCRIPTION, H1TAG FROM PAGES ORDER BY rowid"),
            (Rows{{u, "", "", ""},
                  {at("/ok"), "fine", "", ""},
                  {at("/missing"), "", "", ""},
                  {at("/failing"), "", "", ""},
                  {at("/moved"), "fine", "", ""},
                  {at("/chain"), "fine", "", ""},
                  {at("/loop"), "", "", ""},
                  {at("/to-file"), "", "", ""},
                  {at("/slow"), "", "", ""},
                  {at("/reset"), "", "", ""},
                  {wrongScheme, "", "", ""}}));
  EXPECT_EQ(allRows(db, "SELECT COUNT(*) FROM TAGS"), (Rows{{"0"}}));
  const Rows links = allRows(db, "SELECT URL, LINK, FOLLOW, TYPE, ANCHOR FROM LINKS ORDER BY rowid");
  ASSERT_EQ(links.size(), 15u);
  EXPECT_EQ(links[0], (std::vector<std::string>{"", u, "", "Internal", ""}));
  EXPECT_EQ(links[10], (std::vector<std::string>{u, wrongScheme, "dofollow", "Internal", "tls"}));
  EXPECT_EQ(links[12], (std::vector<std::string>{at("/ok"), at("/missing"), "dofollow", "Internal", "gone"}));
  EXPECT_EQ(links[13], (std::vector<std::string>{at("/moved"), at("/missing"), "dofollow", "Internal", "gone"}));
}

// After the crawl, each distinct external link once: HEAD, then GET where HEAD
// is refused; never more than two requests at a time to one host.
TEST(ExternalLinkCheck, EachLinkOnceHeadFirstGetWhenRefused) {
  TestServer external;
  std::mutex lock;
  std::map<std::string, int> heads, gets;
  int running = 0, mostAtOnce = 0;
  auto count = [&](std::map<std::string, int>& into, const httplib::Request& req) {
    std::lock_guard guard(lock);
    ++into[req.path];
  };
  auto busy = [&](int step) {
    std::lock_guard guard(lock);
    running += step;
    mostAtOnce = std::max(mostAtOnce, running);
  };
  external.raw().Get(R"(/(refused|ok\d?|gone))", [&](const httplib::Request& req, httplib::Response& res) {
    count(req.method == "HEAD" ? heads : gets, req);
    if (req.method == "HEAD" && req.path == "/refused") {
      res.status = 405;
      return;
    }
    busy(1);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    busy(-1);
    if (req.path == "/gone") {
      res.status = 404;
      return;
    }
    res.set_content("external page", "text/html");
  });
  external.start();
  // "localhost" is another domain than the crawled 127.0.0.1.
  auto ext = [&](const std::string& path) { return "http://localhost:" + std::to_string(external.port()) + path; };

  testsupport::CrawlHarness h;
  TestServer site;
  site.page("/", "<a href=\"" + ext("/ok") + "\">a</a> <a href=\"" + ext("/refused") + "\">b</a> <a href=\"" +
                     ext("/gone") + "\">c</a> <a href=\"" + ext("/ok") + "\">again</a> <a href=\"" + ext("/ok2") +
                     "\">d</a> <a href=\"" + ext("/ok3") + "\">e</a> <a href=\"mailto:x@example.com\">mail</a>");
  site.start();
  h.settings.checkExternalLinks = true;
  ASSERT_TRUE(h.crawl(site.url("/")));

  EXPECT_EQ(allRows(h.db, "SELECT URL, STATUS, FINAL_STATUS, ERROR, EXTERNAL FROM RESPONSES ORDER BY rowid"),
            (Rows{{site.url("/"), "200", "200", "", "0"},
                  {ext("/ok"), "200", "200", "", "1"},
                  {ext("/refused"), "200", "200", "", "1"},
                  {ext("/gone"), "404", "404", "http: HTTP/1.1 404 Not Found", "1"},
                  {ext("/ok2"), "200", "200", "", "1"},
                  {ext("/ok3"), "200", "200", "", "1"}}));
  EXPECT_EQ(heads, (std::map<std::string, int>{{"/gone", 1}, {"/ok", 1}, {"/ok2", 1}, {"/ok3", 1}, {"/refused", 1}}));
  EXPECT_EQ(gets, (std::map<std::string, int>{{"/refused", 1}}));
  EXPECT_LE(mostAtOnce, PageFetcher::kLinkChecksPerHost);
  const ResponseCounts counts = countResponses(h.db, h.desktop);
  EXPECT_EQ(counts.brokenLinks, 1u);
  EXPECT_EQ(counts.clientError, 1u);

  // Off by default: the crawl alone.
  h.settings.checkExternalLinks = false;
  ASSERT_TRUE(h.crawl(site.url("/")));
  EXPECT_EQ(allRows(h.db, "SELECT COUNT(*) FROM RESPONSES WHERE EXTERNAL=1"), (Rows{{"0"}}));
}

TEST(ExternalLinkCheck, StopEndsIt) {
  testsupport::SilentServer silent;  // answers nothing: every check waits for its time-outs
  testsupport::CrawlHarness h;
  TestServer site;
  std::string page;
  for (int i = 0; i < 6; ++i)
    page += "<a href=\"http://localhost:" + std::to_string(silent.port()) + "/" + std::to_string(i) + "\">x</a>\n";
  site.page("/", page);
  site.start();
  h.settings.checkExternalLinks = true;
  h.settings.responseTimeout = std::chrono::milliseconds(120000);
  h.settings.maxFetchTime = std::chrono::milliseconds(240000);
  h.begin(site.url("/"));
  ASSERT_TRUE(h.desktop.runUntil(
      [&] {
        return std::find(h.observer.events.begin(), h.observer.events.end(), "external 6") != h.observer.events.end();
      },
      std::chrono::seconds(30)));
  h.run.requestStop();
  ASSERT_TRUE(h.desktop.runUntil([&] { return !h.run.active(); }, std::chrono::seconds(30)));
  h.desktop.pump();
  EXPECT_EQ(h.observer.end, RunEnd::Stopped);
  EXPECT_EQ(allRows(h.db, "SELECT COUNT(*) FROM RESPONSES WHERE EXTERNAL=1"), (Rows{{"0"}}));
}

}  // namespace
