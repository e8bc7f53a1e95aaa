// Fetching many pages at once must not change what a run stores: the rows of
// every table, and their order, are those of the one-at-a-time run, whatever
// order the server answers in; a stop leaves a prefix of them; and the rate
// limit spaces every request of the run, the external check's too.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <random>
#include <thread>

#include "core/crawl/crawl_run.h"
#include "crawl_harness.h"
#include "process.h"
#include "temp_dir.h"
#include "test_server.h"

using namespace crawlspect;
using testsupport::TestServer;

namespace {

constexpr int kPages = 40;

std::string pageUrl(int i) { return "/p" + std::to_string(i % kPages); }

// A site of kPages pages that link to each other out of order, with headings,
// a redirect, a missing page and external links; every answer comes after a
// random delay, so that pages fetched at once arrive in shuffled order.
class ShuffledSite {
 public:
  ShuffledSite() {
    m_site.raw().Get(R"(/p(\d+))", [this](const httplib::Request& req, httplib::Response& res) {
      const int i = std::stoi(req.matches[1].str());
      answerLater();
      std::string html = "<title>Page " + std::to_string(i) + "</title><h1>Head " + std::to_string(i) +
                         "</h1><h2>Sub " + std::to_string(i % 3) + "</h2>";
      for (int next : {i * 7 + 1, i * 3 + 2, i + 1})
        html += "<a href=\"" + pageUrl(next) + "\">to " + std::to_string(next % kPages) + "</a>";
      html += "<a href=\"http://elsewhere.example/" + std::to_string(i) + "\" rel=\"nofollow\">out</a>";
      if (i == 5) html += "<a href=\"/moved\">moved</a><a href=\"/gone\">gone</a>";
      res.set_content(html, "text/html");
      --m_inFlight;
    });
    m_site.raw().Get("/moved", [this](const httplib::Request&, httplib::Response& res) {
      answerLater();
      res.set_redirect("/p20");
      --m_inFlight;
    });
    m_site.raw().Get("/gone", [this](const httplib::Request&, httplib::Response& res) {
      answerLater();
      res.status = 404;
      res.set_content("gone", "text/html");
      --m_inFlight;
    });
    m_site.start();
  }
  std::string start() const { return m_site.url("/p0"); }
  int mostAtOnce() const { return m_mostAtOnce.load(); }
  void resetCount() { m_mostAtOnce = 0; }

 private:
  void answerLater() {
    const int now = ++m_inFlight;
    int most = m_mostAtOnce.load();
    while (now > most && !m_mostAtOnce.compare_exchange_weak(most, now)) {
    }
    int delayMs = 0;
    {
      std::lock_guard lock(m_randomLock);
      delayMs = std::uniform_int_distribution<int>(0, 25)(m_random);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
  }

  TestServer m_site;
  std::mutex m_randomLock;
  std::mt19937 m_random{18};
  std::atomic<int> m_inFlight{0};
  std::atomic<int> m_mostAtOnce{0};
};

using Rows = std::vector<std::string>;
struct StoredRows {
  std::map<std::string, Rows> tables;
};

// Every table's rows in stored order, without the measured times.
StoredRows storedRows(Database& db) {
  const std::pair<const char*, const char*> tables[] = {
      {"PAGES", "SELECT URL, TITLE, DESCRIPTION, H1TAG FROM PAGES ORDER BY rowid"},
      {"LINKS", "SELECT URL, LINK, FOLLOW, TYPE, ANCHOR FROM LINKS ORDER BY rowid"},
      {"TAGS", "SELECT URL, TAG, VALUE FROM TAGS ORDER BY rowid"},
      {"RESPONSES",
       "SELECT URL, STATUS, FINAL_STATUS, FINAL_URL, HOPS, CONTENT_TYPE, BYTES, ERROR, EXTERNAL FROM RESPONSES "
       "ORDER BY rowid"},
      {"REDIRECTS", "SELECT URL, HOP, TARGET, STATUS FROM REDIRECTS ORDER BY rowid"},
  };
  StoredRows stored;
  for (const auto& [name, sql] : tables) {
    const QueryResult result = db.query(sql);
    Rows& rows = stored.tables[name];
    for (std::size_t r = 0; r < result.rows.size(); ++r) {
      std::string row;
      for (std::size_t c = 0; c < result.columns.size(); ++c)
        row += (result.isNull(r, result.columns[c]) ? std::string("<null>") : result.text(r, c)) + "|";
      rows.push_back(row);
    }
  }
  return stored;
}

class ParallelCrawlTest : public ::testing::Test, public testsupport::CrawlHarness {
 protected:
  StoredRows crawlWith(int parallel) {
    settings.parallelRequests = parallel;
    settings.pageLimit = 100;
    site.resetCount();
    EXPECT_TRUE(crawl(site.start()));
    EXPECT_EQ(observer.end, RunEnd::Complete);
    return storedRows(db);
  }
  ShuffledSite site;
};

TEST_F(ParallelCrawlTest, RowsAreTheSameForOneAndManyRequestsAtOnce) {
  for (const LinkRules rules : {LinkRules::Standard, LinkRules::Classic}) {
    SCOPED_TRACE(rules == LinkRules::Standard ? "standard" : "classic");
    settings.linkRules = rules;
    const StoredRows one = crawlWith(1);
    EXPECT_EQ(site.mostAtOnce(), 1);
    const StoredRows eight = crawlWith(8);
    EXPECT_GT(site.mostAtOnce(), 1);
    EXPECT_LE(site.mostAtOnce(), 8);
    ASSERT_EQ(one.tables.at("PAGES").size(), static_cast<std::size_t>(kPages + 2));
    EXPECT_EQ(one.tables.at("REDIRECTS").size(), 1u);
    for (const auto& [table, rows] : one.tables) EXPECT_EQ(eight.tables.at(table), rows) << table;
  }
}

bool isPrefix(const Rows& part, const Rows& whole) {
  return part.size() <= whole.size() && std::equal(part.begin(), part.end(), whole.begin());
}

TEST_F(ParallelCrawlTest, AStoppedRunKeepsAPrefixOfTheWholeRunsRows) {
  settings.linkRules = LinkRules::Standard;
  const StoredRows whole = crawlWith(8);

  int stored = 0;
  run.setPageStep([&](const std::string& url, const std::string& text, const HtmlDocument* document) {
    auto store = preparePageRecord(db, desktop, "Crawlspect", url, text, document);
    return [&, store] {
      store();
      // Pages after this one are on their way when the stop comes.
      if (++stored == 12) run.requestStop();
    };
  });
  settings.parallelRequests = 8;
  ASSERT_TRUE(crawl(site.start()));
  EXPECT_EQ(observer.end, RunEnd::Stopped);
  EXPECT_EQ(stored, 12);
  const StoredRows stopped = storedRows(db);

  for (const char* table : {"LINKS", "TAGS", "RESPONSES", "REDIRECTS"})
    EXPECT_TRUE(isPrefix(stopped.tables.at(table), whole.tables.at(table))) << table;
  EXPECT_LT(stopped.tables.at("LINKS").size(), whole.tables.at("LINKS").size());
  EXPECT_EQ(stopped.tables.at("RESPONSES").size(), 12u);
  // A listed page that was not stored has its row without facts.
  const Rows& pages = stopped.tables.at("PAGES");
  ASSERT_LE(pages.size(), whole.tables.at("PAGES").size());
  for (std::size_t i = 0; i < pages.size(); ++i) {
    const std::string& full = whole.tables.at("PAGES")[i];
    if (i < 12)
      EXPECT_EQ(pages[i], full);
    else
      EXPECT_EQ(pages[i], full.substr(0, full.find('|') + 1) + "<null>|<null>|<null>|");
  }
}

// The arrival times of every request, at both servers, as the servers saw them.
class ArrivalLog {
 public:
  void note() {
    std::lock_guard lock(m_lock);
    m_times.push_back(std::chrono::steady_clock::now());
  }
  std::vector<std::chrono::steady_clock::time_point> times() {
    std::lock_guard lock(m_lock);
    std::vector<std::chrono::steady_clock::time_point> sorted = m_times;
    std::sort(sorted.begin(), sorted.end());
    return sorted;
  }

 private:
  std::mutex m_lock;
  std::vector<std::chrono::steady_clock::time_point> m_times;
};

TEST(CrawlCommand, MaxRateSpacesEveryRequestOfTheRunTheExternalCheckToo) {
  ArrivalLog arrivals;
  const auto logArrival = [&arrivals](const httplib::Request&, httplib::Response&) {
    arrivals.note();
    return httplib::Server::HandlerResponse::Unhandled;
  };
  // The external links' server, on the other loopback address.
  httplib::Server external;
  external.set_pre_routing_handler(logArrival);
  external.Get(R"(/e\d+)", [](const httplib::Request&, httplib::Response& res) { res.set_content("e", "text/html"); });
  const int externalPort = external.bind_to_any_port("::1");
  ASSERT_GT(externalPort, 0);
  std::thread externalThread([&external] { external.listen_after_bind(); });

  TestServer site;
  site.raw().set_pre_routing_handler(logArrival);
  // The site's robots.txt, the probe and the start page, nine more pages and ten
  // external links' checks (HEAD): 22 requests.
  std::string links;
  for (int i = 1; i <= 9; ++i) links += "<a href=\"/r" + std::to_string(i) + "\">r</a>";
  for (int i = 1; i <= 10; ++i)
    links += "<a href=\"http://[::1]:" + std::to_string(externalPort) + "/e" + std::to_string(i) + "\">e</a>";
  site.page("/", links);
  for (int i = 1; i <= 9; ++i) site.page("/r" + std::to_string(i), "page");
  site.start();

  const auto result = testsupport::runProcess(
      {testsupport::cliPath(), "crawl", site.url("/"), "--parallel", "4", "--max-rate", "5", "--check-external"});
  external.stop();
  externalThread.join();
  EXPECT_EQ(result.exitCode, 0) << result.err;
  const auto times = arrivals.times();
  ASSERT_EQ(times.size(), 22u);
  // Twenty-one gaps of at least a fifth of a second each.
  EXPECT_GE(times.back() - times.front(), std::chrono::milliseconds(4000));
}

}  // namespace
