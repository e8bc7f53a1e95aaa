#include "core/crawl/link_intake.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/platform/text.h"

using namespace crawlspect;

namespace {

struct Stored {
  std::string link, source, follow, anchor, type;
  bool operator==(const Stored&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Stored& s) {
  return os << "{" << s.link << " | " << s.source << " | " << s.follow << " | " << s.anchor << " | " << s.type << "}";
}

class RecordingSink : public LinkSink {
 public:
  void addInternalUrl(const std::string& url) override { added.push_back(url); }
  void storeLink(const std::string& link, const std::string& source, const std::string& follow,
                 const std::string& anchor, const std::string& type) override {
    stored.push_back({link, source, follow, anchor, type});
  }
  std::vector<std::string> added;
  std::vector<Stored> stored;
};

const char* kExtensions = "ico jpg css js doc pdf";

// The tests of the text scan and its rules run them under the classic rules.
IntakeSettings classicRules() {
  IntakeSettings settings;
  settings.rules = LinkRules::Classic;
  return settings;
}

// The settings of both rule tables: the extensions above, one ignored prefix.
IntakeSettings tableSettings(IntakeSettings settings, CrawlScope scope, bool removeAnchors) {
  settings.ignoreExtensions = kExtensions;
  settings.ignoreUrls = {"http://site.com/private/"};
  settings.removeAnchors = removeAnchors;
  settings.scope = scope;
  return settings;
}

struct IntakeCase {
  const char* name;
  std::string link;
  std::string source;
  std::string expected;  // empty: dropped
  std::string type = "Internal";
  CrawlScope scope = CrawlScope::Domain;
  bool removeAnchors = true;
};

void PrintTo(const IntakeCase& c, std::ostream* os) { *os << c.link << " on " << c.source; }

class TakeInLinkTable : public ::testing::TestWithParam<IntakeCase> {};

TEST_P(TakeInLinkTable, ResolvesFiltersAndClassifies) {
  const IntakeCase& c = GetParam();
  const IntakeSettings settings = tableSettings(classicRules(), c.scope, c.removeAnchors);
  RecordingSink sink;
  LinkIntake intake(
      settings, [] { return std::string("http://site.com/"); }, sink);
  intake.takeInLink(c.link, c.source, "dofollow", "text");
  if (c.expected.empty()) {
    EXPECT_TRUE(sink.stored.empty()) << sink.stored.front();
    EXPECT_TRUE(sink.added.empty());
    return;
  }
  ASSERT_EQ(sink.stored.size(), 1u);
  EXPECT_EQ(sink.stored[0], (Stored{c.expected, c.source, "dofollow", "text", c.type}));
  EXPECT_EQ(sink.added, c.type == "Internal" ? std::vector<std::string>{c.expected} : std::vector<std::string>{});
}

const std::string kPost = "http://site.com/blog/post";
const std::string kDocs = "http://site.com/docs/page";

INSTANTIATE_TEST_SUITE_P(
    Cases, TakeInLinkTable,
    ::testing::Values(
        IntakeCase{"RootRelative", "/about", kPost, "http://site.com/about"},
        IntakeCase{"FolderRelative", "img/a.html", kPost, "http://site.com/blog/img/a.html"},
        IntakeCase{"FolderRelativeOnBareHost", "img/a.html", "http://site.com", "http://site.com/img/a.html"},
        IntakeCase{"EmptyHrefIsTheFolder", "", kDocs, "http://site.com/docs/"},
        IntakeCase{"Dot", ".", kDocs, "http://site.com/docs/"},
        IntakeCase{"FragmentRemoved", "#top", kDocs, "http://site.com/docs/"},
        IntakeCase{"FragmentKept", "#top", kDocs, "http://site.com/docs/#top", "Internal", CrawlScope::Domain, false},
        IntakeCase{"Query", "?page=2", kDocs, "http://site.com/docs/?page=2"},
        IntakeCase{"ParentOnce", "../x", "http://site.com/a/b/page", "http://site.com/a/x"},
        IntakeCase{"ParentTwice", "../../x", "http://site.com/a/b/page", "http://site.com/x"},
        IntakeCase{"ParentNeverAboveRoot", "../../../x", "http://site.com/a/b/page", "http://site.com/x"},
        IntakeCase{"Mailto", "mailto:me@site.com", "", "mailto:me@site.com", "External"},
        IntakeCase{"Javascript", "javascript:void(0)", kDocs, ""},
        IntakeCase{"JavascriptCapitalIsAPath", "JavaScript:go()", kDocs, "http://site.com/docs/JavaScript:go()"},
        IntakeCase{"TelIsAPath", "tel:123", kDocs, "http://site.com/docs/tel:123"},
        IntakeCase{"CapitalSchemeIsAPath", "HTTP://other.com/", kDocs, "http://site.com/docs/HTTP://other.com/"},
        IntakeCase{"ProtocolRelativeOnHttps", "//cdn.other.com/x", "https://site.com/a", "https://cdn.other.com/x",
                   "External"},
        IntakeCase{"ProtocolRelativeOnHttp", "//www.site.com/x", "http://site.com/a", "http://www.site.com/x"},
        IntakeCase{"ExtensionInPath", "/data.json", kDocs, ""},
        IntakeCase{"ExtensionInHost", "http://cdn.jsdelivr.net/a", kDocs, ""},
        IntakeCase{"ExtensionPrefixOfLongerOne", "/letter.docx", kDocs, ""},
        IntakeCase{"ExtensionInHostLabel", "http://en.docs.site.com/", kDocs, ""},
        IntakeCase{"ExtensionCaseIgnored", "/Picture.JPG", kDocs, ""},
        IntakeCase{"IgnoredPrefix", "/private/x", kDocs, ""},
        IntakeCase{"PrefixIsCaseSensitive", "/Private/x", kDocs, "http://site.com/Private/x"},
        IntakeCase{"WwwIsTheSameDomain", "http://www.site.com/a", kDocs, "http://www.site.com/a"},
        IntakeCase{"WwwIsAnotherSubdomain", "http://www.site.com/a", kDocs, "http://www.site.com/a", "External",
                   CrawlScope::Subdomain},
        IntakeCase{"HttpsIsTheSameSite", "https://site.com/a", kDocs, "https://site.com/a", "Internal",
                   CrawlScope::Subdomain},
        IntakeCase{"OtherPortIsExternal", "http://site.com:8080/a", kDocs, "http://site.com:8080/a", "External"},
        IntakeCase{"OtherPortIsExternalToo", "http://site.com:8080/a", kDocs, "http://site.com:8080/a", "External",
                   CrawlScope::Subdomain},
        IntakeCase{"UnrelatedRelativeWithoutSource", "page.html", "", "page.html", "External"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(takeInLink, NoScopeStoresNothingAndAnchorLineBreaksBecomeBlanks) {
  RecordingSink sink;
  IntakeSettings none = classicRules();
  none.scope = CrawlScope::None;
  LinkIntake quiet(
      none, [] { return std::string("http://site.com/"); }, sink);
  quiet.takeInLink("/a", kDocs, "dofollow", "x");
  EXPECT_TRUE(sink.stored.empty());

  LinkIntake intake(
      classicRules(), [] { return std::string("http://site.com/"); }, sink);
  intake.takeInLink("/a", kDocs, "dofollow", "one\r\ntwo\r\n\r\nthree");
  ASSERT_EQ(sink.stored.size(), 1u);
  EXPECT_EQ(sink.stored[0].anchor, "one two  three");
}

TEST(takeInLink, ScopeFollowsTheStartUrlFieldAsItIsNow) {
  RecordingSink sink;
  std::string field = "http://site.com/";
  LinkIntake intake(
      classicRules(), [&] { return field; }, sink);
  intake.takeInLink("http://other.org/", "", "", "");
  field = "http://www.other.org/start";
  intake.takeInLink("http://other.org/", "", "", "");
  ASSERT_EQ(sink.stored.size(), 2u);
  EXPECT_EQ(sink.stored[0].type, "External");
  EXPECT_EQ(sink.stored[1].type, "Internal");
}

TEST(IgnoreUrlLines, EmptyLinesAreSkippedSoTheyCannotDropEveryLink) {
  EXPECT_EQ(ignoreUrlLines("  http://a/\r\n\r\nhttp://b/ \r\nc\r\n"),
            (std::vector<std::string>{"http://a/", "http://b/ ", "c"}));
  EXPECT_TRUE(ignoreUrlLines(" \r\n ").empty());
}

TEST(FollowValue, SubstringTestsInOrder) {
  const std::pair<const char*, const char*> cases[] = {
      {"nofollow noopener", "NOFOLLOW"}, {"sponsored nofollow", "NOFOLLOW"},
      {"Sponsored", "SPONSORED"},        {"ugc", "UGC"},
      {"noopener", "dofollow"},          {"", "dofollow"}};
  for (const auto& [rel, expected] : cases) EXPECT_EQ(followValue(rel), expected) << rel;
}

TEST(DecodeAnchorText, OnePassOverNamedAndNumericReferences) {
  const std::pair<const char*, const char*> cases[] = {
      {"Tom &amp; Jerry", "Tom & Jerry"},
      {"&lt;b&gt; &quot;q&quot;", "<b> \"q\""},
      {"&amp;lt;", "&lt;"},  // decoded once, not twice
      {"&#65;&#x42;&#X43;", "ABC"},
      {"&#x1F600;", "\xF0\x9F\x98\x80"},
      {"&nbsp;&AMP;&copy;", "&nbsp;&AMP;&copy;"},
      {"&#0; &#xD800; &#x110000; &#; &#x; &#12", "&#0; &#xD800; &#x110000; &#; &#x; &#12"},
      {"a & b &", "a & b &"}};
  for (const auto& [in, expected] : cases) EXPECT_EQ(decodeAnchorText(in), expected) << in;
}

std::vector<Stored> scan(const std::string& html, const std::string& page = "http://site.com/dir/page") {
  RecordingSink sink;
  IntakeSettings settings = classicRules();
  settings.ignoreExtensions = kExtensions;
  LinkIntake intake(
      settings, [] { return std::string("http://site.com/"); }, sink);
  intake.scanLinks(page, html);
  return sink.stored;
}

// The scan's search: ASCII letters match in either case, everything else
// exactly; the match must lie wholly inside the text.
TEST(FindNoCase, EitherCaseOfLettersOnly) {
  struct Case {
    std::string_view text, needle;
    std::size_t from, at;
  };
  constexpr auto npos = std::string_view::npos;
  const Case cases[] = {
      {"x<A href", "<a ", 0, 1},
      {"<a<A <a ", "<a ", 1, 2},
      {"</A>", "</a>", 0, 0},
      {"ab</a", "</a>", 0, npos},
      {"<<<", "<a", 0, npos},
      {"HREF=x href=", "href=", 1, 7},
      {"\xC0"
       "a",
       "\xE0"
       "a",
       0, npos},
      {"abc", "", 2, 2},
      {"abc", "c", 3, npos},
      {"<a ", "<a ", 5, npos},
      {"", ">", 0, npos},
      {"a>", ">", 0, 1},
  };
  for (const Case& c : cases) EXPECT_EQ(findNoCase(c.text, c.needle, c.from), c.at) << c.text << " / " << c.needle;
}

TEST(scanLinks, RelValueCountsOnlyWhenQuotedLikeTheHref) {
  auto links = scan(
      R"(<a href="/x" rel="nofollow">X</a> <a href="/y" rel='nofollow'>Y</a> <a rel="ugc sponsored" href='/z'>Z</a>)");
  ASSERT_EQ(links.size(), 3u);
  EXPECT_EQ(links[0].follow, "NOFOLLOW");
  EXPECT_EQ(links[1].follow, "dofollow");
  EXPECT_EQ(links[2].follow, "dofollow");
}

TEST(scanLinks, AnchorTextsAsWritten) {
  auto links = scan(
      "<a href=\"/i\"><img src=\"a.png\" alt=\"&quot;A&quot;\"></a>\r\n"
      "<a href=\"/one\">One <a href=\"/two\">Two</a>\r\n"
      "<a href=\"/br\">\r\n  Line one\r\nline two \r\n</a>\r\n"
      "<a href=\"/e\"> &#x1F600; &amp; </A>\r\n");
  ASSERT_EQ(links.size(), 5u);
  EXPECT_EQ(links[0].anchor, "<img src=\"a.png\" alt=\"\"A\"\">");
  EXPECT_EQ(links[1].anchor, "One <a href=\"/two\">Two");
  EXPECT_EQ(links[2].link, "http://site.com/two");
  EXPECT_EQ(links[2].anchor, "Two");
  EXPECT_EQ(links[3].anchor, "Line one line two");
  EXPECT_EQ(links[4].anchor, "\xF0\x9F\x98\x80 &");
}

TEST(scanLinks, TagsTheMarkersFindAndTheyMiss) {
  auto links = scan(
      "<A HREF=\"/upper\">u</a>"
      " <a class=x\thref=\"/tab\">t</a>"
      " <a\r\n href='/crlf'>c</a>"
      " <a href=\"/dq\" href='/sq'>both</a>"
      " <a href=/unquoted>no</a>"
      " <a href = \"/spaced\">no</a>"
      " <a href=\"/unclosed>no</a>"
      " <a href=\"/last\">no closing tag");
  std::vector<std::string> found;
  for (const auto& l : links) found.push_back(l.link);
  EXPECT_EQ(found, (std::vector<std::string>{"http://site.com/upper", "http://site.com/tab", "http://site.com/dq",
                                             "http://site.com/sq", "http://site.com/crlf"}));
}

TEST(scanLinks, TheCharacterAfterATagIsPassedOver) {
  // The scan resumes two characters after ">": a tag that follows at once is skipped.
  auto links = scan("<a href=\"/a\">A</a><a href=\"/b\">B</a><a href=\"/c\"><a href=\"/d\">D</a>");
  std::vector<std::string> found;
  for (const auto& l : links) found.push_back(l.link);
  EXPECT_EQ(found, (std::vector<std::string>{"http://site.com/a", "http://site.com/b", "http://site.com/c"}));
}

TEST(scanLinks, EveryOccurrenceStoredAndMailtoWithoutSource) {
  std::string html;
  for (int i = 0; i < 10; ++i) html += "<a href=\"/p\">p</a> ";
  html += "<a href=\"MAILTO:me@site.com\">mail</a>";
  auto links = scan(html);
  ASSERT_EQ(links.size(), 11u);
  EXPECT_EQ(links[9].link, "http://site.com/p");
  EXPECT_EQ(links[10], (Stored{"MAILTO:me@site.com", "", "dofollow", "mail", "External"}));
}

TEST(scanLinks, ManyTagsWithoutClosingStayLinear) {
  // 100,000 tags with no "</a>" and no ">" after the last: a quadratic search
  // would take minutes.
  std::string html;
  for (int i = 0; i < 100000; ++i) html += "<a href=\"/x\">x ";
  html += "<a href=\"/never";
  EXPECT_TRUE(scan(html).empty());
}

// Unclosed anchors before one "</a>": each anchor's text would run to that
// "</a>", so the page's anchors would grow with the square of its size.
TEST(scanLinks, UnclosedAnchorsStayWithinTheirBounds) {
  for (const int tags : {50000, 100000}) {
    std::string html;
    for (int i = 0; i < tags; ++i) html += "<a href=\"/x\">t ";
    html += "</a>";
    const auto links = scan(html);
    ASSERT_EQ(links.size(), static_cast<std::size_t>(tags));
    std::size_t total = 0;
    for (const auto& l : links) {
      EXPECT_LE(l.anchor.size(), LinkIntake::kMaxAnchorBytes);
      total += l.anchor.size();
    }
    EXPECT_LE(total, LinkIntake::kAnchorBudgetPerPageByte * html.size() + LinkIntake::kAnchorBudgetExtra) << tags;
    EXPECT_EQ(links.front().anchor.size(), LinkIntake::kMaxAnchorBytes);
  }
  // One long closed anchor is cut at the cap, before a character that would not fit whole.
  std::string euros;
  for (int i = 0; i < 30000; ++i) euros += "\xE2\x82\xAC";
  const auto links = scan("<a href=\"/e\">" + euros + "</a><a href=\"/f\">after</a>");
  ASSERT_EQ(links.size(), 2u);
  EXPECT_EQ(links[0].anchor, euros.substr(0, 65535));
  EXPECT_EQ(links[1].anchor, "after");
}

// ---- the standard rules ----------------------------------------------------------

struct StandardCase {
  const char* name;
  std::string page;      // where the link stands
  std::string base;      // the page's <base href>, none when empty
  std::string href;      // as written in the markup
  std::string expected;  // the stored link; empty: dropped
  std::string type = "Internal";
  std::string start = "http://site.com/";
  CrawlScope scope = CrawlScope::Domain;
  bool removeAnchors = true;
};

void PrintTo(const StandardCase& c, std::ostream* os) { *os << c.href << " on " << c.page; }

class StandardLinkTable : public ::testing::TestWithParam<StandardCase> {};

TEST_P(StandardLinkTable, ResolvesNormalisesAndClassifiesAsABrowser) {
  const StandardCase& c = GetParam();
  const IntakeSettings settings = tableSettings(IntakeSettings{}, c.scope, c.removeAnchors);
  RecordingSink sink;
  LinkIntake intake(
      settings, [&] { return c.start; }, sink);
  std::string html = "<html><head>";
  if (!c.base.empty()) html += "<base href=\"" + c.base + "\">";
  html += "</head><body><a href=\"" + c.href + "\">text</a></body></html>";
  intake.scanLinks(c.page, html);
  if (c.expected.empty()) {
    EXPECT_TRUE(sink.stored.empty()) << sink.stored[0];
    return;
  }
  ASSERT_EQ(sink.stored.size(), 1u);
  EXPECT_EQ(sink.stored[0], (Stored{c.expected, c.page, "dofollow", "text", c.type}));
  EXPECT_EQ(sink.added, c.type == "Internal" ? std::vector<std::string>{c.expected} : std::vector<std::string>{});
}

const std::string kOs = "http://site.com/library/os.html";

INSTANTIATE_TEST_SUITE_P(
    LinkRules, StandardLinkTable,
    ::testing::Values(
        StandardCase{"FragmentIsThePageItself", kOs, "", "#x", kOs},
        StandardCase{"FragmentKeptWhenAsked", kOs, "", "#x", kOs + "#x", "Internal", "http://site.com/",
                     CrawlScope::Domain, false},
        StandardCase{"EmptyHrefIsThePageItself", kOs, "", "", kOs},
        StandardCase{"QueryOnly", kOs, "", "?q=1", kOs + "?q=1"},
        StandardCase{"BlanksAroundAreTrimmed", kOs, "", " \t/distributing/ \n", "http://site.com/distributing/"},
        StandardCase{"LineBreaksInsideAreDropped", kOs, "", "/a\n/b\t.html", "http://site.com/a/b.html"},
        StandardCase{"LeadingBlankBeforeAnAbsoluteUrl", kOs, "", " https://x.org/", "https://x.org/", "External"},
        StandardCase{"ReferencesDecodedOnce", kOs, "", "issue?&#64;action=x&amp;y=1&amp;amp;z",
                     "http://site.com/library/issue?@action=x&y=1&amp;z"},
        StandardCase{"LegacyReferenceBeforeEqualsStaysInAnAttribute", kOs, "", "?a=1&copy=2",
                     "http://site.com/library/os.html?a=1&copy=2"},
        StandardCase{"SchemeAndHostLowerCasedDefaultPortDropped", kOs, "", "HTTP://Site.COM:80/A/./b/../C",
                     "http://site.com/A/C"},
        StandardCase{"DotSegmentsAboveTheRoot", kOs, "", "../../../x", "http://site.com/x"},
        StandardCase{"SchemeRelative", "https://site.com/p", "", "//site.com/q", "https://site.com/q"},
        StandardCase{"BaseHrefRelative", kOs, " /sub/dir/ ", "page.html", "http://site.com/sub/dir/page.html"},
        StandardCase{"BaseHrefOfAnotherHost", kOs, "http://cdn.other.org/x/", "a", "http://cdn.other.org/x/a",
                     "External"},
        StandardCase{"SpacesAndControlsEscaped", kOs, "",
                     "/a b\x01"
                     "c",
                     "http://site.com/a%20b%01c"},
        StandardCase{"EscapesInUpperCase", kOs, "", "/%c3%a4/\xC3\xB6", "http://site.com/%C3%A4/%C3%B6"},
        StandardCase{"JavascriptInAnyCaseDropped", kOs, "", "JavaScript:alert(1)", ""},
        StandardCase{"TelIsExternalWithItsSource", kOs, "", "TEL:123", "tel:123", "External"},
        StandardCase{"MailtoIsExternalWithItsSource", kOs, "", "mailto:me@site.com", "mailto:me@site.com", "External"},
        StandardCase{"FtpIsExternal", kOs, "", "ftp://site.com/f.txt", "ftp://site.com/f.txt", "External"},
        StandardCase{"OtherPortSameDomain", kOs, "", "http://site.com:8080/", "http://site.com:8080/"},
        StandardCase{"OtherPortOtherHostUnderSubdomain", kOs, "", "http://site.com:8080/", "http://site.com:8080/",
                     "External", "http://site.com/", CrawlScope::Subdomain},
        StandardCase{"DefaultHttpsPortSameHost", kOs, "", "https://SITE.com:443/p", "https://site.com/p", "Internal",
                     "http://site.com/", CrawlScope::Subdomain},
        StandardCase{"IdnHostInPunycode", kOs, "",
                     "http://B\xC3\x9C"
                     "CHER.de/x",
                     "http://xn--bcher-kva.de/x", "External"},
        StandardCase{"IdnStartUrlMatchesItsPunycode", "http://xn--bcher-kva.de/", "", "/y", "http://xn--bcher-kva.de/y",
                     "Internal",
                     "http://b\xC3\xBC"
                     "cher.de/"},
        StandardCase{"CoUkSiblingSubdomain", "http://www.bbc.co.uk/", "", "http://news.bbc.co.uk/",
                     "http://news.bbc.co.uk/", "Internal", "http://www.bbc.co.uk/"},
        StandardCase{"CoUkOtherSite", "http://www.bbc.co.uk/", "", "http://other.co.uk/", "http://other.co.uk/",
                     "External", "http://www.bbc.co.uk/"},
        StandardCase{"GithubIoOtherSite", "https://me.github.io/", "", "https://you.github.io/",
                     "https://you.github.io/", "External", "https://me.github.io/"},
        StandardCase{"GithubIoSameSite", "https://me.github.io/", "", "/p", "https://me.github.io/p", "Internal",
                     "https://me.github.io/"},
        StandardCase{"ExtensionOfTheLastSegmentOnly", kOs, "", "/data.json", "http://site.com/data.json"},
        StandardCase{"IgnoredExtensionInAnyCase", kOs, "", "/app.JS?v=1", ""},
        StandardCase{"ExtensionInAFolderNameCounts Not", kOs, "", "/x.js/page", "http://site.com/x.js/page"},
        StandardCase{"HostStartingWithJs", kOs, "", "http://jsfiddle.net/", "http://jsfiddle.net/", "External"},
        StandardCase{"IgnoredPrefixAfterResolution", kOs, "", "../private/x", ""}),
    [](const auto& info) {
      std::string name = info.param.name;
      name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
      return name;
    });

TEST(FollowValueOfTokens, RelIsASetOfTokens) {
  const std::pair<const char*, const char*> cases[] = {{"nofollow noopener", "NOFOLLOW"},
                                                       {"UGC\tSponsored", "SPONSORED"},
                                                       {"sponsored nofollow", "NOFOLLOW"},
                                                       {"external ugc", "UGC"},
                                                       {"nofollowed", "dofollow"},
                                                       {"noopener", "dofollow"},
                                                       {"", "dofollow"}};
  for (const auto& [rel, expected] : cases) EXPECT_EQ(followValueOfTokens(rel), expected) << rel;
}

std::vector<Stored> scanStandard(const std::string& html, const std::string& page = "http://site.com/dir/page") {
  RecordingSink sink;
  LinkIntake intake(
      IntakeSettings{}, [] { return std::string("http://site.com/"); }, sink);
  intake.scanLinks(page, html);
  return sink.stored;
}

TEST(StandardScan, LinksOfAAndAreaInDocumentOrderWithTheirShownTexts) {
  const auto links = scanStandard(
      "<a href=/one rel='NoFollow'>  Read <b>more</b>\n about &hellip;</a>"
      "<map><area href=/two alt=' Two  parts '></map>"
      "<a href=/three><div>a</div><div>b</div><script>x()</script></a>"
      "<a name=no-href>skip</a><a href=/four>&bigstar; &copy 2024 &notit;</a>"
      "<template><a href=/hidden>t</a></template>");
  ASSERT_EQ(links.size(), 4u);
  EXPECT_EQ(links[0], (Stored{"http://site.com/one", "http://site.com/dir/page", "NOFOLLOW",
                              "Read more about \xE2\x80\xA6", "Internal"}));
  EXPECT_EQ(links[1].link, "http://site.com/two");
  EXPECT_EQ(links[1].anchor, "Two parts");
  EXPECT_EQ(links[2].anchor, "a b");
  EXPECT_EQ(links[3].anchor, "\xE2\x98\x85 \xC2\xA9 2024 \xC2\xACit;");
}

// Unclosed anchors: the parse nests or closes them, but the texts stay within
// the same bounds as the text scan's.
TEST(StandardScan, UnclosedAnchorsStayWithinTheirBounds) {
  std::string html;
  for (int i = 0; i < 50000; ++i) html += "<a href=\"/x\">t ";
  html += "</a>";
  const auto links = scanStandard(html);
  ASSERT_EQ(links.size(), 50000u);
  std::size_t total = 0;
  for (const auto& l : links) {
    EXPECT_LE(l.anchor.size(), kMaxLinkTextBytes);
    total += l.anchor.size();
  }
  EXPECT_LE(total, kLinkTextBytesPerPageByte * html.size() + kLinkTextBytesExtra);
}

}  // namespace
