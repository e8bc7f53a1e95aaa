#pragma once
// Link intake: finding the links of a fetched page and taking each in with
// its resolution, filters and scope. Under the classic rules the links come
// from a plain text search for anchor tags; under the standard rules from the
// parsed document. Runs on the crawl thread; holds no state between calls
// beyond the run's fixed settings.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/crawl/url_functions.h"
#include "core/pagefacts/page_reader.h"

namespace crawlspect {

enum class CrawlScope { None, Domain, Subdomain };

// Standard: links and their texts as a browser and a search engine read them
// (the parsed document, RFC 3986 resolution, the Public Suffix List). Classic:
// the original text-search rules, kept exactly for comparison with older runs.
enum class LinkRules { Standard, Classic };

struct IntakeSettings {
  std::string ignoreExtensions;         // blank-separated, already trimmed
  std::vector<std::string> ignoreUrls;  // prefixes, one per line
  bool removeAnchors = true;
  CrawlScope scope = CrawlScope::Domain;
  LinkRules rules = LinkRules::Standard;
};

// Where kept links go: the internal URL list and the LINKS table.
class LinkSink {
 public:
  virtual ~LinkSink() = default;
  virtual void addInternalUrl(const std::string& pageUrl) = 0;
  virtual void storeLink(const std::string& link, const std::string& sourcePage, const std::string& follow,
                         const std::string& anchor, const std::string& type) = 0;
};

class LinkIntake {
 public:
  // An anchor's text is everything up to the next "</a>"; a page of unclosed
  // anchors followed by one "</a>" would make each of them hold the rest of
  // the page. So one anchor keeps at most this many bytes of its text, and
  // the anchors of one page together at most kAnchorBudgetPerPageByte times
  // the page plus kAnchorBudgetExtra; anchors past that keep no text. Pages
  // whose anchors do not overlap never come near either bound.
  static constexpr std::size_t kMaxAnchorBytes = 64u * 1024u;
  static constexpr std::size_t kAnchorBudgetPerPageByte = 2;
  static constexpr std::size_t kAnchorBudgetExtra = 1024u * 1024u;

  // startUrl returns the run's start URL, read for every link's scope.
  LinkIntake(IntakeSettings settings, std::function<std::string()> startUrl, LinkSink& sink);

  // Finds the page's links and takes each in. Under the standard rules the
  // page is parsed here; a caller that has parsed it already passes its
  // links to takeInPageLinks instead.
  void scanLinks(const std::string& pageUrl, const std::string& pageText);
  // The standard rules: the links of the parsed page, resolved against its
  // base URL when it has one.
  void takeInPageLinks(const std::string& pageUrl, const PageLinks& links);
  void takeInLink(std::string link, const std::string& sourcePage, const std::string& follow, std::string anchor);

 private:
  void takeInStandardLink(const std::string& href, const std::string& base, const std::string& sourcePage,
                          const std::string& follow, const std::string& anchor);
  bool ignoredExtension(const ResolvedUrl& url) const;
  bool ignoredUrl(const std::string& url) const;
  // Registrable domain ("Domain Name") or host and port ("Subdomain Name").
  std::string scopeKey(const ResolvedUrl& url) const;
  bool sameSite(const ResolvedUrl& url);
  void scanPass(std::string_view marker, const std::string& pageUrl, const std::string& pageText,
                std::size_t& anchorBudget);
  IntakeSettings m_settings;
  std::function<std::string()> m_startUrl;
  LinkSink& m_sink;
  // The start URL's scope key, worked out once for each start URL text.
  std::string m_scopeStart;
  std::string m_scopeStartKey;
};

// "Ignore URLs" text as the run takes it: trimmed as a whole, split at line
// breaks, lines kept as written. Empty lines are left out: an empty prefix
// would match every link and silently empty the whole run.
std::vector<std::string> ignoreUrlLines(std::string_view memoText);

// The follow value for a rel attribute value.
std::string followValue(std::string_view rel);
// The same under the standard rules: rel is a set of blank-separated tokens,
// compared without regard to A-Z case.
std::string followValueOfTokens(std::string_view rel);

// Anchor text decoding: &amp; &lt; &gt; &quot; and numeric references, in one
// pass over the text; anything else after "&" stays as written.
std::string decodeAnchorText(std::string_view text);

}  // namespace crawlspect
