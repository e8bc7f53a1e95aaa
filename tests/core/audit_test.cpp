#include "core/results/audit.h"

#include <gtest/gtest.h>

#include "core/platform/text.h"
#include "core/results/result_lists.h"
#include "result_fixture.h"

using namespace crawlspect;
using testsupport::ResultFixture;

namespace {

std::vector<std::string> lineTexts(const AuditReport& report) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < report.lineCount(); ++i) out.emplace_back(report.lineText(i));
  return out;
}

struct UrlCase {
  const char* loadTime;
  const char* urlLength;
  char decimal;
  std::vector<std::string> expected;
};

TEST(Audit, PerUrlThresholdsAreStrictAndReadTheRegionalNotation) {
  const std::string u = "http://a.test/p";
  const std::string slow = "Load time is slow ";
  const std::string big = "URL length is big ";
  const UrlCase cases[] = {
      {"2.0", "80", '.', {}},
      {"2.1", "80", '.', {slow + "(2.1 sec) URL:" + u}},
      {"10.0", "5", '.', {slow + "(10.0 sec) URL:" + u}},  // a number, not a text comparison
      {"2,0", "81", ',', {big + "(81 chars) URL:" + u}},
      {"2,1", "81", ',', {slow + "(2,1 sec) URL:" + u, big + "(81 chars) URL:" + u}},
      {"", "81", '.', {big + "(81 chars) URL:" + u}},  // not fetched yet
  };
  ResultFixture f;
  for (const auto& c : cases) {
    const AuditReport report = buildAuditReport({{u, c.loadTime, c.urlLength}}, {}, {}, {}, f.db,
                                                RegionalSettings::withDecimal(c.decimal), f.desktop);
    EXPECT_EQ(lineTexts(report), c.expected) << c.loadTime << " " << c.urlLength;
  }
}

TEST(Audit, WholeReportInSectionOrderWithExactRunsAndCopyAllText) {
  ResultFixture f;
  const std::string u1 = "http://a.test/" + std::string(74, 'u');  // 81 without the scheme
  const std::string u2 = "http://a.test/" + std::string(73, 'v');  // 80
  const std::string late = "http://a.test/b";
  const std::string sorted = "http://a.test/a";
  const std::string t61 = std::string(59, 't') + "\xF0\x9F\x98\x80";  // 61 UTF-16 units, 60 characters
  const std::string t60 = std::string(60, 't');
  const std::string d161(161, 'd');
  f.read(u1, t61, d161).read(u2, t60, std::string(160, 'd'));
  f.read("http://a.test/s1", "Same", "Shared").read("http://a.test/s2", "Same", "Shared");
  f.read("http://a.test/once", "Once", "");
  f.read("http://a.test/e1", "", "").read("http://a.test/e2", "", "");
  f.queued("http://a.test/q1").queued("http://a.test/q2");
  f.read(late, "", "").read(sorted, "\xF0\x9F\x98\x80" + std::string(60, 'x'), "");
  for (const char* page : {"http://a.test/s1", "http://a.test/s2", "http://a.test/once"}) f.tag(page, "H1", "Big");
  f.tag(u1, "H1", "Single");
  f.urls.setLoadTime(0, "2.1");
  f.urls.setLoadTime(1, "2.0");
  f.urls.setLoadTime(9, "3.0");  // crawled after u1, sorted before it

  const RefreshResult r = refreshResults(f.db, f.urls, RegionalSettings::withDecimal('.'), f.desktop);
  const std::vector<std::string> expected{
      "Load time is slow (2.1 sec) URL:" + u1,
      "URL length is big (81 chars) URL:" + u1,
      "Load time is slow (3.0 sec) URL:" + late,
      "Title is not unique (Same)",
      "Description is not unique (Shared)",
      "H1 tag is not unique (3)",
      "Title is too long (62 chars) (\xF0\x9F\x98\x80" + std::string(60, 'x') + ") URL:" + sorted,
      "Title is too long (61 chars) (" + t61 + ") URL:" + u1,
      "Description is too long (161 chars) (" + d161 + ") URL:" + u1,
  };
  EXPECT_EQ(lineTexts(r.audit), expected);
  using C = AuditColour;
  ASSERT_EQ(r.audit.lineCount(), 9u);
  const std::string parenthesisedD161 = "(" + d161 + ")";
  auto lines = [&](std::size_t i) { return r.audit.line(i); };
  EXPECT_EQ(lines(0),
            (AuditLine{{"Load time is slow ", C::Black}, {"(2.1 sec)", C::Red}, {" URL:", C::Black}, {u1, C::Blue}}));
  EXPECT_EQ(lines(1),
            (AuditLine{{"URL length is big ", C::Black}, {"(81 chars)", C::Red}, {" URL:", C::Black}, {u1, C::Blue}}));
  EXPECT_EQ(lines(3), (AuditLine{{"Title is not unique ", C::Black}, {"(Same)", C::Red}}));
  EXPECT_EQ(lines(4), (AuditLine{{"Description is not unique ", C::Black}, {"(Shared)", C::Red}}));
  EXPECT_EQ(lines(5), (AuditLine{{"H1 tag is not unique ", C::Black}, {"(3)", C::Red}}));
  EXPECT_EQ(lines(8), (AuditLine{{"Description is too long ", C::Black},
                                 {"(161 chars) ", C::Red},
                                 {parenthesisedD161, C::Navy},
                                 {" URL:", C::Black},
                                 {u1, C::Blue}}));
  EXPECT_EQ(auditColourRgb(C::Navy), 0x000080u);

  EXPECT_EQ(r.audit.plainText(), joinLinesCrLf(expected));
  EXPECT_TRUE(f.desktop.messages().empty());
}

TEST(Audit, FailedPagesStatementKeepsTheSectionsBefore) {
  ResultFixture f;
  f.db.execute("DROP TABLE PAGES;");
  const Table titles({"Title", "Count"}, {{"Same", "2"}, {"Other", "1"}});
  const AuditReport report = buildAuditReport({}, titles, {}, {}, f.db, RegionalSettings{}, f.desktop);
  EXPECT_EQ(lineTexts(report), (std::vector<std::string>{"Title is not unique (Same)"}));
  EXPECT_EQ(f.messageTexts(), (std::vector<std::string>{"Exception raised with message: no such table: PAGES"}));
}

}  // namespace
