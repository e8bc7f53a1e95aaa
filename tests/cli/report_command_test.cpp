#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "process.h"
#include "result_fixture.h"
#include "test_server.h"

using testsupport::cliPath;
using testsupport::readFile;
using testsupport::ResultFixture;
using testsupport::runProcess;

namespace {

TEST(CliReport, PrintsSummaryAndAuditAndExportsTheSevenLists) {
  ::setenv("LC_ALL", "C", 1);  // "." decimals, "," between fields
  ResultFixture f;
  f.read("http://a.test/", "Same, again", "D").read("http://a.test/b", "Same, again", "D").queued("http://a.test/q");
  f.tag("http://a.test/", "H1", "Hi").link("http://a.test/", "http://a.test/b", "B");
  const std::string project = f.dir.file("project.db");
  f.db.disconnect();
  const std::string saved = readFile(project);

  const auto out = f.dir.file("out");
  const auto r = runProcess({cliPath(), "report", project, "--export-dir", out});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "Internal URLs\t3\nFound Links\t1\nFound Titles\t2\nFound Descriptions\t2\nFound H1 Tags\t1\n"
            "Found H2 Tags\t0\nResponses 2xx\t0\nResponses 3xx\t0\nResponses 4xx\t0\nResponses 5xx\t0\n"
            "Failed Fetches\t0\nBroken Links\t0\n\nTitle is not unique (Same, again)\nDescription is not unique (D)\n");
  const std::string bom = "\xEF\xBB\xBF";
  EXPECT_EQ(readFile(out + "/sitemap.csv"),
            bom + "Page,Load_Time,URL_Length\r\nhttp://a.test/,,7\r\nhttp://a.test/b,,8\r\nhttp://a.test/q,,8\r\n");
  EXPECT_EQ(readFile(out + "/titles.csv"), bom + "Title,Count\r\n\"Same, again\",2\r\n<Not Checked Yet>,1\r\n");
  EXPECT_EQ(readFile(out + "/links.csv"), bom + "Link,Count\r\nhttp://a.test/b,1\r\n");
  EXPECT_EQ(readFile(out + "/descriptions.csv"), bom + "Description,Count\r\nD,2\r\n<Not Checked Yet>,1\r\n");
  EXPECT_EQ(readFile(out + "/h1.csv"), bom + "H1,Count\r\nHi,1\r\n");
  EXPECT_EQ(readFile(out + "/h2.csv"), bom + "H2,Count\r\n");
  EXPECT_EQ(readFile(out + "/anchors.csv"), bom + "Anchor,Count\r\nB,1\r\n");
  EXPECT_EQ(readFile(project), saved);  // only its working copy was opened

  const auto missing = runProcess({cliPath(), "report", f.dir.file("none.db")});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("none.db"), std::string::npos);
  testsupport::writeFile(f.dir.file("junk.db"), "not a database");
  const auto junk = runProcess({cliPath(), "report", f.dir.file("junk.db")});
  EXPECT_EQ(junk.exitCode, 1);
  EXPECT_EQ(junk.err, "Exception raised with message: file is not a database\n");
  EXPECT_EQ(junk.out, "");
  EXPECT_EQ(runProcess({cliPath(), "report"}).exitCode, 2);
}

TEST(CliReport, AProjectMissingATableIsNotReportedAsRead) {
  ResultFixture f;
  f.read("http://a.test/", "T", "D");
  f.db.execute("DROP TABLE TAGS");
  f.db.disconnect();
  const auto r = runProcess({cliPath(), "report", f.dir.file("project.db")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("no such table: TAGS"), std::string::npos) << r.err;
}

// A crawl of a site with a missing page, a redirect, a chain and a server
// error (the redirects' target crawled as a page of its own): the response rows of the summary, the audit's response
// lines, the three response exports, and the exit status a pipeline can gate on.
TEST(CliCrawl, ReportsEveryResponseExportsThemAndFailsOnBrokenLinks) {
  ::setenv("LC_ALL", "C", 1);
  testsupport::TestServer site;
  site.page("/",
            "<a href=\"/gone\">gone</a> <a href=\"/old\">old</a> <a href=\"/chain\">chain</a>\n"
            "<a href=\"/boom\">boom</a> <a href=\"/gone\">again</a>")
      .status("/gone", 404)
      .redirect("/old", "/end")
      .redirect("/chain", "/chain2", 302)
      .redirect("/chain2", "/end")
      .page("/end", "the end")
      .status("/boom", 500);
  site.start();
  auto u = [&](const std::string& path) { return site.url(path); };
  testsupport::TempDir dir;
  const std::string project = dir.file("site.db");
  const std::string out = dir.file("out");

  const auto crawl =
      runProcess({cliPath(), "crawl", u("/"), "--project", project, "--export-dir", out, "--fail-on-broken"});
  EXPECT_EQ(crawl.exitCode, 3) << crawl.err;
  const std::string responses =
      "Responses 2xx\t2\nResponses 3xx\t2\nResponses 4xx\t1\nResponses 5xx\t1\n"
      "Failed Fetches\t0\nBroken Links\t2\n\n";
  const std::string audit = "Broken link (404) URL:" + u("/gone") + " (linked from 1 pages)\n" +
                            "Redirect (301) URL:" + u("/old") + " -> " + u("/end") + "\n" +
                            "Redirect chain (2 hops) URL:" + u("/chain") + " -> " + u("/end") + "\n" +
                            "Server error (500) URL:" + u("/boom") + "\n";
  EXPECT_NE(crawl.out.find("Found H2 Tags\t0\n" + responses), std::string::npos) << crawl.out;
  EXPECT_TRUE(crawl.out.ends_with(audit)) << crawl.out;

  const std::string bom = "\xEF\xBB\xBF";
  EXPECT_EQ(readFile(out + "/redirects.csv"), bom + "URL,Hop,Target,Status\r\n" + u("/old") + ",1," + u("/end") +
                                                  ",301\r\n" + u("/chain") + ",1," + u("/chain2") + ",302\r\n" +
                                                  u("/chain") + ",2," + u("/end") + ",301\r\n");
  EXPECT_EQ(readFile(out + "/broken_links.csv"), bom + "Source,Link,Anchor,Status,Error\r\n" + u("/") + "," +
                                                     u("/gone") + ",gone,404,http: HTTP/1.1 404 Not Found\r\n" +
                                                     u("/") + "," + u("/boom") +
                                                     ",boom,500,http: HTTP/1.1 500 Internal Server Error\r\n" + u("/") +
                                                     "," + u("/gone") + ",again,404,http: HTTP/1.1 404 Not Found\r\n");
  const std::string responsesCsv = readFile(out + "/responses.csv");
  EXPECT_TRUE(responsesCsv.starts_with(
      bom + "URL,Status,Final_Status,Final_URL,Hops,Content_Type,Bytes,TTFB_ms,Time_ms,Error,External\r\n" + u("/") +
      ",200,200," + u("/") + ",0,text/html,"))
      << responsesCsv;
  EXPECT_NE(responsesCsv.find("\r\n" + u("/chain") + ",302,200," + u("/end") + ",2,text/html,7,"), std::string::npos)
      << responsesCsv;

  // The saved project says the same; without the flag broken links are no failure.
  const auto report = runProcess({cliPath(), "report", project, "--fail-on-broken"});
  EXPECT_EQ(report.exitCode, 3) << report.err;
  EXPECT_EQ(report.out, crawl.out);
  EXPECT_EQ(runProcess({cliPath(), "report", project}).exitCode, 0);
}

TEST(CliCrawl, AStartUrlThatCannotBeFetchedIsNoEmptySite) {
  testsupport::TempDir dir;
  const std::string project = dir.file("none.db");
  const std::string start = "http://127.0.0.1:" + std::to_string(testsupport::refusedPort()) + "/";
  const auto r = runProcess({cliPath(), "crawl", start, "--project", project});
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_NE(r.err.find("Start URL failed: connect: "), std::string::npos) << r.err;
  EXPECT_TRUE(std::filesystem::exists(project)) << "what the run has is saved";
  EXPECT_NE(r.out.find("Failed Fetches\t1\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Failed (connect) URL:" + start + "\n"), std::string::npos) << r.out;
}

TEST(CliCrawl, RobotsOptionObeysOrReportsTheSitesRobotsTxt) {
  testsupport::TestServer site;
  site.page("/", "<a href=\"/private/a\">a</a> <a href=\"/open\">open</a>")
      .page("/open", "open")
      .page("/private/a", "a")
      .page("/robots.txt", "User-agent: *\nDisallow: /private/\n", "text/plain");
  site.start();
  const std::string blockedLine = "Blocked by robots.txt URL:" + site.url("/private/a") + "\n";

  const auto obey = runProcess({cliPath(), "crawl", site.url("/"), "--robots", "obey"});
  EXPECT_EQ(obey.exitCode, 0) << obey.err;
  EXPECT_EQ(site.hits("/private/a"), 0);
  EXPECT_EQ(site.hits("/open"), 1);
  EXPECT_NE(obey.out.find(blockedLine), std::string::npos) << obey.out;
  EXPECT_NE(obey.out.find("Failed Fetches\t0\n"), std::string::npos) << obey.out;

  const auto report = runProcess({cliPath(), "crawl", site.url("/")});
  EXPECT_EQ(report.exitCode, 0) << report.err;
  EXPECT_EQ(site.hits("/private/a"), 1);
  EXPECT_NE(report.out.find(blockedLine), std::string::npos) << report.out;
  EXPECT_EQ(site.hits("/robots.txt"), 2);

  EXPECT_EQ(runProcess({cliPath(), "crawl", site.url("/"), "--robots", "ignore"}).exitCode, 0);
  EXPECT_EQ(site.hits("/robots.txt"), 2);
  EXPECT_EQ(runProcess({cliPath(), "crawl", site.url("/"), "--robots", "never"}).exitCode, 2);
}

}  // namespace
