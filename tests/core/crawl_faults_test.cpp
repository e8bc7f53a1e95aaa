// Faults around a crawl: a data folder that cannot be written, a disk that
// fills up, and the process killed outright.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "crawl_harness.h"
#include "process.h"
#include "test_server.h"

using namespace crawlspect;
using testsupport::TestServer;

namespace {

TestServer& smallSite(TestServer& site) {
  std::string links;
  for (int i = 0; i < 30; ++i) links += "<a href=\"/p" + std::to_string(i) + "\">page " + std::to_string(i) + "</a>\n";
  site.page("/", links);
  site.raw().Get(R"(/p\d+)", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("<a href=\"/\">home</a>", "text/html");
  });
  site.start();
  return site;
}

TEST(CrawlFaults, UnwritableDataFolderIsReportedAndTheCrawlGoesOn) {
  TestServer site;
  smallSite(site);
  testsupport::CrawlHarness h;
  // A folder that cannot exist: its parent is a plain file (root ignores
  // permission bits, so a read-only folder proves nothing here).
  testsupport::writeFile(h.dir.file("plain"), "x");
  h.store.setWorkingFile(h.dir.file("plain") + "/project1.db");
  ASSERT_TRUE(h.crawl(site.url("/")));
  EXPECT_EQ(h.list.size(), 31u);  // the crawl itself went through every page
  const auto messages = h.desktop.messages();
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages[0].text.rfind("Exception raised with message", 0), 0u) << messages[0].text;
  EXPECT_EQ(h.run.state(), RunState::Idle);
}

TEST(CrawlFaults, FullDiskReportsEachFailedStatementAndKeepsWhatFitted) {
  TestServer site;
  smallSite(site);
  testsupport::CrawlHarness h;
  // The first page step caps the file at its current size: every later insert
  // meets "database or disk is full", as on a full disk.
  bool capped = false;
  h.run.setPageStep([&](const std::string&, const std::string&, const HtmlDocument*) -> std::function<void()> {
    return [&] {
      if (capped) return;
      capped = true;
      const std::string pages = h.scalar("PRAGMA page_count");
      h.db.execute("PRAGMA max_page_count=" + pages);
    };
  });
  ASSERT_TRUE(h.crawl(site.url("/")));
  EXPECT_EQ(h.run.state(), RunState::Idle);
  EXPECT_EQ(h.list.size(), 31u);
  bool sawFull = false;
  for (const auto& m : h.desktop.messages())
    sawFull = sawFull || m.text == statementErrorReport("database or disk is full");
  EXPECT_TRUE(sawFull);
  EXPECT_EQ(h.scalar("PRAGMA integrity_check"), "ok");
  EXPECT_GE(std::stoi(h.scalar("SELECT COUNT(*) FROM PAGES")), 1);
}

TEST(CrawlFaults, KilledMidCrawlLeavesASoundWorkingFile) {
  TestServer site;
  std::string links;
  for (int i = 0; i < 200; ++i) links += "<a href=\"/p" + std::to_string(i) + "\">p</a>";
  site.page("/", links);
  site.raw().Get(R"(/p\d+)", [](const httplib::Request&, httplib::Response& res) {
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    res.set_content("<a href=\"/\">home</a>", "text/html");
  });
  site.start();

  testsupport::TempDir tmp;
  const char* previous = std::getenv("TMPDIR");
  const std::string saved = previous ? previous : "";
  setenv("TMPDIR", tmp.path().c_str(), 1);
  const auto result =
      testsupport::runProcess({testsupport::cliPath(), "crawl", site.url("/"), "--limit", "1000"}, 1500, SIGKILL);
  if (previous)
    setenv("TMPDIR", saved.c_str(), 1);
  else
    unsetenv("TMPDIR");
  EXPECT_EQ(result.exitCode, 128 + SIGKILL);

  std::string working;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(tmp.path()))
    if (entry.path().extension() == ".db") working = entry.path().string();
  ASSERT_FALSE(working.empty()) << "no working file left behind";
  Database db;
  db.connect(working);
  EXPECT_EQ(db.query("PRAGMA integrity_check").text(0, 0), "ok");
  // The start page's links were all stored before the first of its pages was fetched.
  EXPECT_EQ(db.query("SELECT COUNT(*) FROM PAGES").text(0, 0), "201");
  EXPECT_GE(std::stoi(db.query("SELECT COUNT(*) FROM LINKS").text(0, 0)), 201);
}

}  // namespace
