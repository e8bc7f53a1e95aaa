// robots.txt rules: the examples of RFC 9309 and the edges a crawler meets.
#include "core/crawl/robots_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace crawlspect {
namespace {

// The file of the RFC's simple example (section 5.1).
constexpr const char* kSimpleExample =
    "User-Agent: *\n"
    "Disallow: *.gif$\n"
    "Disallow: /example/\n"
    "Allow: /publications/\n"
    "\n"
    "User-Agent: foobot\n"
    "Disallow:/\n"
    "Allow:/example/page.html\n"
    "Allow:/example/allowed.gif\n"
    "\n"
    "User-Agent: barbot\n"
    "User-Agent: bazbot\n"
    "Disallow: /example/page.html\n"
    "\n"
    "User-Agent: quxbot\n"
    "\n"
    "EOF\n";

struct Case {
  const char* name;
  std::string file;
  const char* userAgent;
  const char* path;
  bool allowed;
};

class RobotsCases : public testing::TestWithParam<Case> {};

TEST_P(RobotsCases, decidesAsTheRfcSays) {
  const Case& c = GetParam();
  EXPECT_EQ(RobotsRules::parse(c.file, c.userAgent).allows(c.path), c.allowed) << c.file << "\n" << c.path;
}

INSTANTIATE_TEST_SUITE_P(
    Rfc9309, RobotsCases,
    testing::Values(
        // 5.1: "*" for any crawler without a group of its own.
        Case{"starGif", kSimpleExample, "otherbot/1.0", "/images/a.gif", false},
        Case{"starGifAnchoredEnd", kSimpleExample, "otherbot/1.0", "/images/a.gif?x=1", true},
        Case{"starFolder", kSimpleExample, "otherbot/1.0", "/example/page.html", false},
        // The longer Allow beats "*.gif$".
        Case{"starAllowed", kSimpleExample, "otherbot/1.0", "/publications/a.gif", true},
        Case{"starPublications", kSimpleExample, "otherbot/1.0", "/publications/list.html", true},
        Case{"starElsewhere", kSimpleExample, "otherbot/1.0", "/index.html", true},
        // foobot's own group, matched case-insensitively inside a browser-like user agent.
        Case{"ownGroupDisallowsAll", kSimpleExample, "Mozilla/5.0 (compatible; FooBot/2.1)", "/index.html", false},
        Case{"ownGroupLongerAllow", kSimpleExample, "foobot", "/example/page.html", true},
        Case{"ownGroupNotStar", kSimpleExample, "foobot", "/example/allowed.gif", true},
        // Two user-agent lines, one group.
        Case{"sharedGroupFirst", kSimpleExample, "barbot/1", "/example/page.html", false},
        Case{"sharedGroupSecond", kSimpleExample, "bazbot/1", "/example/page.html", false},
        Case{"sharedGroupNotStar", kSimpleExample, "bazbot/1", "/example/other.gif", true},
        // An empty group allows everything, "*" does not stand in for it.
        Case{"emptyGroup", kSimpleExample, "quxbot/1", "/example/a.gif", true},
        // 5.2: the longest match decides.
        Case{"longestDisallow", "User-Agent: foobot\nAllow: /example/page/\nDisallow: /example/page/disallowed.gif\n",
             "foobot", "/example/page/disallowed.gif", false},
        Case{"longestAllow", "User-Agent: foobot\nAllow: /example/page/\nDisallow: /example/page/disallowed.gif\n",
             "foobot", "/example/page/other.gif", true},
        // Allow wins a tie of equal length.
        Case{"tieAllow", "User-agent: *\nDisallow: /page\nAllow: /page\n", "x/1", "/page", true},
        // 2.2.3: "$" ends the path, "*" stands for any octets.
        Case{"dollarExact", "User-agent: *\nDisallow: /this/path/exactly$\n", "x/1", "/this/path/exactly", false},
        Case{"dollarLonger", "User-agent: *\nDisallow: /this/path/exactly$\n", "x/1", "/this/path/exactly/no", true},
        Case{"starMiddle", "User-agent: *\nDisallow: /this/*/exactly\n", "x/1", "/this/a/b/exactly/z", false},
        Case{"starNeedsRest", "User-agent: *\nDisallow: /this/*/exactly\n", "x/1", "/this/a/b/nearly", true},
        Case{"prefixMatch", "User-agent: *\nDisallow: /tmp\n", "x/1", "/tmp.html", false},
        Case{"queryCounts", "User-agent: *\nDisallow: /*?sort=\n", "x/1", "/list?sort=asc", false},
        // 2.2.2: percent-encoding normalised on both sides.
        Case{"utf8Pattern", "User-agent: *\nDisallow: /foo/bar/\xE3\x83\x84\n", "x/1", "/foo/bar/%E3%83%84", false},
        Case{"encodedPattern", "User-agent: *\nDisallow: /foo/bar/%E3%83%84\n", "x/1", "/foo/bar/\xE3\x83\x84", false},
        Case{"lowerHexPath", "User-agent: *\nDisallow: /foo/bar/%E3%83%84\n", "x/1", "/foo/bar/%e3%83%84", false},
        Case{"unreservedDecoded", "User-agent: *\nDisallow: /foo/bar/%62%61%7A\n", "x/1", "/foo/bar/baz", false},
        Case{"slashStaysEncoded", "User-agent: *\nDisallow: /a%2Fb\n", "x/1", "/a/b", true},
        // 2.2.1: rules of two groups for the same crawler are merged.
        Case{"mergedGroups", "user-agent: ExampleBot\ndisallow: /foo\n\nuser-agent: examplebot\ndisallow: /baz\n",
             "ExampleBot/3", "/baz/x", false},
        // Comments, unknown lines, CR line ends, a rule before any group.
        Case{"commentsAndNoise",
             "Disallow: /early\r# a comment\rUser-agent: * # all\rSeeAlso: x\rDisallow: /private # here\r", "x/1",
             "/private/a", false},
        Case{"ruleBeforeGroup", "Disallow: /early\nUser-agent: *\nDisallow: /private\n", "x/1", "/early", true},
        Case{"emptyDisallow", "User-agent: *\nDisallow:\n", "x/1", "/anything", true},
        Case{"robotsTxtItself", "User-agent: *\nDisallow: /\n", "x/1", "/robots.txt", true},
        Case{"noFile", "", "x/1", "/a", true}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(RobotsRules, failedFetchDisallowsAllButTheFileItself) {
  const RobotsRules rules = RobotsRules::disallowAll();
  EXPECT_FALSE(rules.allowsUrl("http://127.0.0.1:8080/"));
  EXPECT_FALSE(rules.allowsUrl("http://127.0.0.1:8080"));
  EXPECT_TRUE(rules.allowsUrl("http://127.0.0.1:8080/robots.txt"));
  EXPECT_TRUE(RobotsRules().allowsUrl("http://127.0.0.1:8080/a"));
}

TEST(RobotsRules, urlsAreJudgedByPathAndQueryWithoutFragment) {
  const RobotsRules rules = RobotsRules::parse("User-agent: *\nDisallow: /*?id=\nDisallow: /x$\n", "x/1");
  EXPECT_FALSE(rules.allowsUrl("https://Example.org:8443/page?id=3"));
  EXPECT_FALSE(rules.allowsUrl("https://example.org?id=3"));
  EXPECT_FALSE(rules.allowsUrl("https://example.org/x#part"));
  EXPECT_TRUE(rules.allowsUrl("https://example.org/page#?id=3"));
}

TEST(RobotsRules, readsCrawlDelayAndSitemaps) {
  const RobotsRules rules = RobotsRules::parse(
      "Sitemap: https://example.org/a.xml\n"
      "User-agent: otherbot\nCrawl-delay: 9\n"
      "User-agent: *\nCrawl-delay: 2.5\nDisallow: /x\n"
      "sitemap: https://example.org/b.xml # second\n",
      "x/1");
  ASSERT_TRUE(rules.crawlDelay());
  EXPECT_DOUBLE_EQ(*rules.crawlDelay(), 2.5);
  EXPECT_EQ(rules.sitemaps(), (std::vector<std::string>{"https://example.org/a.xml", "https://example.org/b.xml"}));
  EXPECT_FALSE(RobotsRules::parse("User-agent: *\nCrawl-delay: soon\n", "x/1").crawlDelay());
}

TEST(RobotsRules, readsNoMoreThanTheLimitAndNoCutLine) {
  std::string file = "User-agent: *\n";
  file += std::string(kRobotsParseLimit - file.size() - 20, '#') + "\n";
  file += "Disallow: /cut-here-and-widened\n";  // crosses the limit
  file += "Disallow: /beyond\n";
  const RobotsRules rules = RobotsRules::parse(file, "x/1");
  EXPECT_TRUE(rules.allows("/cut-here-and-widened"));
  EXPECT_TRUE(rules.allows("/beyond"));
}

TEST(RobotsRules, manyStarsStayQuick) {
  // Backtracking over stars must not grow exponentially.
  const RobotsRules rules = RobotsRules::parse("User-agent: *\nDisallow: /*a*a*a*a*a*a*a*a*a*a*b\n", "x/1");
  EXPECT_TRUE(rules.allows("/" + std::string(5000, 'a')));
}

TEST(RobotsRules, productTokensAndAddresses) {
  EXPECT_EQ(robotsProductTokens("Mozilla/5.0 (compatible; Googlebot/2.1; +http://x/)"),
            (std::vector<std::string>{"googlebot"}));
  EXPECT_EQ(robotsProductTokens("MyCrawler"), (std::vector<std::string>{"mycrawler"}));
  EXPECT_EQ(robotsTxtAddress("HTTPS://user@Example.ORG:8443/a/b?c#d"), "https://example.org:8443/robots.txt");
  EXPECT_EQ(robotsTxtAddress("http://[::1]:81"), "http://[::1]:81/robots.txt");
  EXPECT_EQ(robotsTxtAddress("mailto:a@b"), "");
}

}  // namespace
}  // namespace crawlspect
