#include <gtest/gtest.h>
#include <stdlib.h>

#include "process.h"
#include "result_fixture.h"

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
            "Found H2 Tags\t0\n\nTitle is not unique (Same, again)\nDescription is not unique (D)\n");
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

}  // namespace
