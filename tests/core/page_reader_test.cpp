#include "core/pagefacts/page_reader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>

using namespace crawlspect;

namespace {

struct Case {
  const char* name;
  std::string page;
  std::string expected;
};

void checkAll(const std::vector<Case>& cases, const std::function<std::string(const std::string&)>& reader) {
  for (const Case& c : cases) EXPECT_EQ(reader(c.page), c.expected) << c.name;
}

TEST(scanTitle, TakesTheRawCharactersOfTheFirstTitleTag) {
  checkAll(
      {
          {"upper-case tags", "<HTML><HEAD><TITLE>Home</TITLE></HEAD></HTML>\r\n", "Home"},
          {"attribute and inner spaces", "<title lang=\"en\">  Home  </title>", "  Home  "},
          {"entity stays undecoded", "<title>Tom &amp; Jerry</title>", "Tom &amp; Jerry"},
          {"line breaks stay", "<title>\r\nOne\r\n Two</title>", "\r\nOne\r\n Two"},
          {"no closing tag", "<title>Home\r\n<body>x</body>", ""},
          {"no start tag", "<h1>Home</h1></title>", ""},
          {"start tag never closed", "<title", ""},
          {"svg title comes first", "<svg><title>Icon</title></svg><title>Page</title>", "Icon"},
          {"inside a comment", "<!-- <title>Old</title> --><title>New</title>", "Old"},
          {"longer tag name", "<titlebar>x</title><title>y</title>", "x"},
          {"empty title", "<title></title>", ""},
          {"empty page", "", ""},
      },
      scanTitle);
}

TEST(readTitle, FollowsTheDocumentTitleRule) {
  checkAll(
      {
          {"white space stripped and collapsed", "<title>\r\n  Tom \t &amp;\r\n Jerry  </title>", "Tom & Jerry"},
          {"svg title skipped", "<body><svg><title>Icon</title></svg><title>Page</title></body>", "Page"},
          {"first of two", "<title>One</title><title>Two</title>", "One"},
          {"no title element", "<h1>Home</h1>", ""},
          {"no-break space kept",
           "<title>\xC2\xA0"
           "A</title>",
           "\xC2\xA0"
           "A"},
          {"empty page", "", ""},
      },
      [](const std::string& p) { return readTitle(p); });
}

TEST(readMetaDescription, LastMetaNamedDescriptionWins) {
  checkAll(
      {
          {"two descriptions", "<meta name=description content=first><meta name=description content=second>", "second"},
          {"capitalised name", "<META NAME=\"DESCRIPTION\" CONTENT=\"Big\">", "Big"},
          {"property only", "<meta property=\"description\" content=\"og\">", ""},
          {"name with spaces does not match", "<meta name=\" description\" content=\"x\">", ""},
          {"a later empty one wins", "<meta name=description content=x><meta name=description content=\"\">", ""},
          {"no content attribute", "<meta name=description>", ""},
          {"content untrimmed, entities decoded", "<meta name=description content=\" a &amp; b \">", " a & b "},
          {"line break in content", "<meta name=description content=\"a\r\nb\">", "a\nb"},
          {"after the body", "<body><p>x</p></body><meta name=description content=late>", "late"},
          {"empty page", "", ""},
      },
      [](const std::string& p) { return readMetaDescription(p); });
}

TEST(readHeadings, GiveOneTrimmedLinePerHeading) {
  checkAll(
      {
          {"three h1, one empty", "<h1> Hello </h1><h1></h1><h1>World</h1>", "Hello\r\n\r\nWorld\r\n"},
          {"br gives a line break", "<h1>Top<br>News</h1>", "Top\nNews\r\n"},
          {"upper-case tags", "<H1 CLASS=x>Big</H1>", "Big\r\n"},
          {"no-break space is not trimmed", "<h1>&nbsp;A </h1>",
           "\xC2\xA0"
           "A\r\n"},
          {"h2 only", "<h2>Sub</h2>", ""},
          {"nested heading counts twice", "<h1>A<div><h1>B</h1></div></h1>", "A\nB\r\nB\r\n"},
          {"h1 started inside h1 closes it", "<h1>A<h1>B</h1>C</h1>D<h1>E</h1>", "A\r\nB\r\nE\r\n"},
          {"p inside h1 stays inside", "<h1><p>Title</p></h1><p>Body</p>", "Title\r\n"},
          {"mismatched end tag closes", "<h1>Title</h2><p>Body</p>", "Title\r\n"},
          {"inside template ignored", "<template><h1>T</h1></template><h1>Real</h1>", "Real\r\n"},
          {"empty page", "", ""},
      },
      readH1);
  EXPECT_EQ(readH2("<h1>a</h1><h3>b</h3>"), "");
  EXPECT_EQ(readH2("<h2>a</h2><h3>b</h3><h2>c</h2>"), "a\r\nc\r\n");
  EXPECT_EQ(readH3("<h2>a</h2><h3>b</h3>"), "b\r\n");
}

// The rendered text of a heading, seen through readH1.
TEST(readHeadings, RenderTextLikeABrowser) {
  checkAll(
      {
          {"runs of white space collapse", "<h1>a \r\n\t b</h1>", "a b\r\n"},
          {"across inline elements", "<h1>a <b> b</b> <i>c</i></h1>", "a b c\r\n"},
          {"no space where none was", "<h1>a<b>b</b>c</h1>", "abc\r\n"},
          {"script, style and svg title left out",
           "<h1><script>x()</script><style>p{}</style><svg><title>Icon</title></svg>Home</h1>", "Home\r\n"},
          {"hidden element left out", "<h1>A<span hidden>B</span>C</h1>", "AC\r\n"},
          {"blocks give one line break", "<h1><div>a</div><div>b</div>c</h1>", "a\nb\nc\r\n"},
          {"p gives an empty line", "<h1><p>a</p><p>b</p></h1>", "a\n\nb\r\n"},
          {"br before a block end gives one break", "<h1><div>a<br></div>b</h1>", "a\nb\r\n"},
          {"spaces before a line break dropped", "<h1>a   <br>   b</h1>", "a\nb\r\n"},
          {"pre keeps its white space", "<h1><pre>\r\nTop\r\n  News</pre></h1>", "Top\n  News\r\n"},
          {"table cells", "<h1><div><table><tr><td>a </td><td> b</td></tr><tr><td>c</td></tr></table></div></h1>",
           "a\tb\nc\r\n"},
          {"hidden heading gives its raw text", "<div hidden><h1> a  <b>b</b></h1></div>", "a  b\r\n"},
          {"entities decoded", "<h1>Tom &amp; Jerry &lt;3</h1>", "Tom & Jerry <3\r\n"},
      },
      readH1);
}

TEST(readPageFacts, OneParseGivesWhatEachReaderGives) {
  const std::string page =
      "<!DOCTYPE html>\r\n<html><head><title> The  Page </title>\r\n"
      "<meta name=\"description\" content=\"About it\">\r\n</head><body>\r\n"
      "<h1>Main <em>one</em></h1><h2>Sub 1</h2><p>text</p><h3>Small</h3><h2>Sub<br>2</h2>\r\n"
      "<meta name=description content=\"Later\"></body></html>\r\n";
  const PageFacts facts = readPageFacts(page);
  EXPECT_EQ(facts.title, readTitle(page));
  EXPECT_EQ(facts.description, readMetaDescription(page));
  EXPECT_EQ(facts.h1, readH1(page));
  EXPECT_EQ(facts.h2, readH2(page));
  EXPECT_EQ(facts.h3, readH3(page));
  EXPECT_EQ(facts.title, "The Page");
  EXPECT_EQ(facts.description, "Later");
  EXPECT_EQ(facts.h2, "Sub 1\r\nSub\n2\r\n");
}

// The readers let go of what they do not read while the page is parsed; what
// they read is what the whole tree gives.
TEST(readPageFacts, KeepingOnlyWhatIsReadChangesNoAnswer) {
  const std::vector<std::string> pages = {
      "<div>a<i></i>b<h1>x<b>y</b>z</h1>c<i>d</i></div><h2>after <i>it</i></h2>",
      "<ul><li>1<li>2<h2>in a list</h2><li>3</ul><p>text<h3>in p</h3>more</p>",
      "<h4>x<h1>y<h2>z</h2>w</h1>v</h4><h1>a<p>b</p>c</h1>",
      "<svg><title>Icon</title></svg><template><h1>not here</h1></template><title>Real</title>",
      "<div hidden><span><h1> raw  <b>text</b></h1></span></div><head><h2>in head</h2></head>",
      "<table><tr><td><h1>cell</h1><td>x</table><h1><table><tr><td>a<td>b</table></h1>",
      "<body><i><b><u>unclosed<h2>inside</h2>tail<meta name=description content=\"mid\">",
      "<p>a<!-- c --><h1>t<!-- note -->u</h1><script>var x = '<h1>no</h1>';</script><h1>v<br>w</h1>",
      "<html><body>plain text only</body></html>",
      "<base href=\"/b/\"><p><a href=\"x\" rel=nofollow>t <b>u</b><script>no</script></a> between "
      "<div hidden><a href=y>hidden</a></div><map><area href=z alt=\" Z  z \"></map><a href=w><a href=v>n</a>",
      "<h1>Go <a href=/h>home <i>now</i></a>!</h1><a href=o><div>out <a href=i>in</a> er</div></a>"
      "<template><a href=t>no</a></template><textarea><a href=x>no</a></textarea><a href=u><h1>x<p>y</p></h1></a>"
      "<title>T <a href=q>q</a></title><base href=/second/><a href=last>unclosed <b>to the end",
  };
  const auto written = [](const PageLinks& found) {
    std::string out = found.baseHref.value_or("(none)") + "\n";
    for (const PageLink& link : found.links) out += link.href + "|" + link.rel + "|" + link.text + "\n";
    return out;
  };
  for (const std::string& page : pages) {
    // The links, read and let go as the parse goes, and the facts read off the same parse.
    const ReadDocument read = readDocumentAndLinks(page, NamedReferences::Html5);
    const HtmlDocument wholeHtml5(page, NamedReferences::Html5);
    EXPECT_EQ(written(read.links), written(readPageLinks(wholeHtml5, page.size()))) << page;
    EXPECT_EQ(readTitle(*read.document), readTitle(wholeHtml5)) << page;
    EXPECT_EQ(readHeadings(*read.document, "h1"), readHeadings(wholeHtml5, "h1")) << page;
    const HtmlDocument whole(page);
    const PageFacts facts = readPageFacts(page);
    EXPECT_EQ(facts.title, readTitle(whole)) << page;
    EXPECT_EQ(facts.description, readMetaDescription(whole)) << page;
    EXPECT_EQ(facts.h1, readHeadings(whole, "h1")) << page;
    EXPECT_EQ(facts.h2, readHeadings(whole, "h2")) << page;
    EXPECT_EQ(facts.h3, readHeadings(whole, "h3")) << page;
  }
}

// Markup from the web: every reader returns, in reasonable time, with what
// the parser could make of the page.
TEST(PageReaderOnHostileMarkup, EveryReaderReturns) {
  auto repeat = [](const std::string& s, std::size_t n) {
    std::string out;
    out.reserve(s.size() * n);
    for (std::size_t i = 0; i < n; ++i) out += s;
    return out;
  };
  std::string manyAttributes = "<div";
  for (int i = 0; i < 200000; ++i) manyAttributes += " a" + std::to_string(i) + "=1";
  const std::string head = "<title>T</title><meta name=description content=D>";
  struct Hostile {
    const char* name;
    std::string page;
    std::optional<std::string> h1;  // what readH1 still finds, where the parser got that far
  };
  const std::vector<Hostile> pages = {
      {"100,000 nested elements", head + repeat("<div>", 100000) + "<h1>deep</h1>", std::nullopt},
      {"100,000 nested headings", head + repeat("<h1>x", 100000), std::nullopt},
      {"10 MB attribute", head + "<div title=\"" + std::string(10 << 20, 'a') + "\"></div><h1>after</h1>", "after\r\n"},
      {"200,000 attributes in one tag", head + manyAttributes + "><h1>after</h1>", "after\r\n"},
      {"binary bytes", std::string("\0\x01\xFF\xFE\x80", 5) + head + std::string("<h1>a\0b\xC3</h1>", 13),
       "ab\xEF\xBF\xBD\r\n"},
      {"one 5 MB line", head + "<p>" + repeat("word ", 1 << 20) + "<h1>after</h1>", "after\r\n"},
      {"unclosed tags", head + repeat("<p><b><i><table><tr><td><li>", 20000) + "<h1>x</h1>", std::nullopt},
      {"unterminated comment", head + "<h1>a</h1><!--" + repeat("x", 1 << 20), "a\r\n"},
  };
  for (const Hostile& h : pages) {
    const auto start = std::chrono::steady_clock::now();
    const PageFacts facts = readPageFacts(h.page);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 5.0) << h.name;
    EXPECT_EQ(facts.title, "T") << h.name;
    EXPECT_EQ(facts.description, "D") << h.name;
    if (h.h1) {
      EXPECT_EQ(facts.h1, *h.h1) << h.name;
    }
    EXPECT_EQ(scanTitle(h.page), "T") << h.name;
  }
}

}  // namespace
