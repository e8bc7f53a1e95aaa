// Crawls of servers that misbehave on purpose. Each run must end within its
// time-outs, keep memory bounded, leave a sound project with a PAGES row for
// every fetched page, and never read a local file.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <thread>

#include "crawl_harness.h"
#include "process.h"
#include "test_server.h"

using namespace crawlspect;
using testsupport::TestServer;

namespace {

long peakRssMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

class HostileCrawl : public ::testing::Test, public testsupport::CrawlHarness {
 protected:
  HostileCrawl() {
    settings.connectionTimeout = std::chrono::milliseconds(1000);
    settings.responseTimeout = std::chrono::milliseconds(1000);
    settings.pageLimit = 1000;
  }

  // A run that ended in time and left a sound, complete project.
  void expectSoundProject(std::chrono::seconds limit, const std::string& start) {
    const auto begun = std::chrono::steady_clock::now();
    ASSERT_TRUE(crawl(start, limit)) << "the run did not end within " << limit.count() << " s";
    EXPECT_LT(std::chrono::steady_clock::now() - begun, limit);
    EXPECT_EQ(scalar("PRAGMA integrity_check"), "ok");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM PAGES"), std::to_string(list.size()));
    for (const auto& row : list.snapshot()) EXPECT_FALSE(row.loadTime.empty()) << row.url;
    EXPECT_EQ(run.state(), RunState::Idle);
  }
};

TEST_F(HostileCrawl, MisbehavingBodiesEndWithinTheTimeouts) {
  TestServer site;
  site.page("/",
            "<a href=\"/endless\">e</a> <a href=\"/drip\">d</a> <a href=\"/reset\">r</a>"
            " <a href=\"/loop1\">l</a> <a href=\"/to-file\">f</a> <a href=\"/headers\">h</a>")
      .endless("/endless")
      .slow("/drip", "x", 600, 1000)
      .cutOff("/reset", "<a href=\"/after-reset\">kept</a>", 100000)
      .redirect("/loop1", "/loop2")
      .redirect("/loop2", "/loop1")
      .redirect("/to-file", "file:///etc/passwd")
      .page("/after-reset", "fine");
  site.raw().Get("/headers", [](const httplib::Request&, httplib::Response& res) {
    for (int i = 0; i < 1000; ++i) res.set_header("X-Filler-" + std::to_string(i), std::string(1000, 'h'));
    res.set_content("<a href=\"/after-headers\">x</a>", "text/html");
  });
  site.start();
  fetcher.setBodyLimit(8u * 1024u * 1024u);
  const long before = peakRssMb();
  expectSoundProject(std::chrono::seconds(40), site.url("/"));
  EXPECT_LT(peakRssMb() - before, 400) << "memory grew without bound";

  // What arrived before the reset is read; the loop and the file redirect give nothing.
  EXPECT_TRUE(list.contains(site.url("/after-reset")));
  EXPECT_EQ(scalar("SELECT COUNT(*) FROM LINKS WHERE LINK LIKE 'file:%' OR ANCHOR LIKE '%root:%'"), "0");
  EXPECT_LE(site.hits("/loop1"), 5);
  EXPECT_TRUE(desktop.messages().empty());
}

TEST_F(HostileCrawl, ServerThatNeverAnswers) {
  testsupport::SilentServer silent;
  expectSoundProject(std::chrono::seconds(15), silent.url("/"));
  EXPECT_EQ(list.size(), 1u);
}

TEST_F(HostileCrawl, AwkwardPageTexts) {
  TestServer site;
  std::string longLine = "<a href=\"/from-long-line\">x</a>";
  while (longLine.size() < 10 * 1024 * 1024) longLine += "<span>filler text without any break</span>";
  std::string nested;
  for (int i = 0; i < 100000; ++i) nested += "<div>";
  nested += "<a href=\"/from-nested\">deep</a>";
  site.page("/", "<a href=\"/utf8\">u</a> <a href=\"/nul\">n</a> <a href=\"/long\">l</a> <a href=\"/nested\">d</a>")
      .page("/utf8", "\xC3\x28 <a href=\"/after-utf8\">caf\xE9</a>")
      .page("/nul", std::string("<a href=\"/before-nul\">a</a>\0<a href=\"/after-nul\">b</a>", 54))
      .page("/long", longLine)
      .page("/nested", nested)
      .page("/after-utf8", "")
      .page("/before-nul", "")
      .page("/from-long-line", "")
      .page("/from-nested", "");
  site.start();
  expectSoundProject(std::chrono::seconds(60), site.url("/"));
  EXPECT_TRUE(list.contains(site.url("/from-long-line")));
  EXPECT_TRUE(list.contains(site.url("/from-nested")));
  EXPECT_TRUE(list.contains(site.url("/before-nul")));
  EXPECT_FALSE(list.contains(site.url("/after-nul")));  // the page text ends at its first NUL
  // Not UTF-8: read as a single-byte page, so the anchor keeps its accent.
  EXPECT_EQ(scalar("SELECT ANCHOR FROM LINKS WHERE LINK LIKE '%/after-utf8'"), "caf\xC3\xA9");
}

TEST_F(HostileCrawl, HundredThousandLinksOnOnePage) {
  TestServer site;
  std::string page;
  for (int i = 0; i < 100000; ++i)
    page += "<a href=\"/l" + std::to_string(i) + "\">link " + std::to_string(i) + "</a>\n";
  site.page("/", page);
  site.raw().Get(R"(/l\d+)", [](const httplib::Request&, httplib::Response& res) { res.set_content("", "text/html"); });
  site.start();
  settings.pageLimit = 20;
  expectSoundProject(std::chrono::seconds(120), site.url("/"));
  EXPECT_EQ(list.size(), 20u);
  EXPECT_EQ(scalar("SELECT COUNT(*) FROM LINKS"), "100001");
}

// The start URL's probe fetch watches the stop request like every other fetch.
TEST_F(HostileCrawl, StopDuringTheProbeEndsTheRun) {
  testsupport::SilentServer silent;
  settings.connectionTimeout = std::chrono::milliseconds(30000);
  settings.responseTimeout = std::chrono::milliseconds(30000);
  begin(silent.url("/"));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  run.requestStop();
  const auto stopped = std::chrono::steady_clock::now();
  ASSERT_TRUE(desktop.runUntil([&] { return !run.active(); }, std::chrono::seconds(20)));
  EXPECT_LT(std::chrono::steady_clock::now() - stopped, std::chrono::seconds(3));
  desktop.pump();
  EXPECT_EQ(observer.end, RunEnd::Stopped);
}

// Ctrl+C ends each network command long before its 30 s time-outs.
TEST(HostileCommands, InterruptEndsEveryNetworkCommand) {
  testsupport::SilentServer silent;
  const std::string refused = "127.0.0.1:" + std::to_string(testsupport::refusedPort());
  const std::vector<std::string> timeouts = {"--connection-timeout", "30000", "--response-timeout", "30000"};
  for (std::vector<std::string> args :
       std::vector<std::vector<std::string>>{{"fetch", silent.url("/")},
                                             {"analyze", silent.url("/"), "--html2txt-host", refused},
                                             {"crawl", silent.url("/")}}) {
    args.insert(args.begin(), testsupport::cliPath());
    args.insert(args.end(), timeouts.begin(), timeouts.end());
    const auto begun = std::chrono::steady_clock::now();
    const auto result = testsupport::runProcess(args, 500, SIGINT);
    EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(4)) << args[1];
    EXPECT_EQ(result.exitCode, 0) << args[1] << ": " << result.err;
  }
}

}  // namespace
