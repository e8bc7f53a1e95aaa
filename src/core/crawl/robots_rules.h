#pragma once
// A site's robots.txt as the crawl reads it (RFC 9309): the group of rules
// that applies to this crawler's user agent, matched against a URL's path and
// query by longest match, Allow winning a tie; beside it the Crawl-delay of
// that group and every Sitemap line of the file.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace crawlspect {

// What of a robots.txt is read at most; the rest is ignored.
inline constexpr std::size_t kRobotsParseLimit = 500 * 1024;

class RobotsRules {
 public:
  // Everything allowed: no robots.txt, or one the server answers with 4xx.
  RobotsRules() = default;
  // Nothing allowed: the server failed (5xx) or could not be reached.
  static RobotsRules disallowAll();
  // The rules of the text for the crawler that sends userAgent.
  static RobotsRules parse(std::string_view text, std::string_view userAgent);

  // pathAndQuery starts with "/" (the query with its "?", no fragment).
  bool allows(std::string_view pathAndQuery) const;
  // The same for an absolute http(s) URL; its host is not looked at.
  bool allowsUrl(std::string_view url) const;

  // Seconds, when the group that applies names a delay.
  std::optional<double> crawlDelay() const { return m_crawlDelay; }
  // Every Sitemap line of the file, in file order.
  const std::vector<std::string>& sitemaps() const { return m_sitemaps; }

 private:
  struct Rule {
    std::string pattern;  // normalised, see normalizedPath
    bool allow = false;
  };

  bool m_disallowAll = false;
  std::vector<Rule> m_rules;
  std::optional<double> m_crawlDelay;
  std::vector<std::string> m_sitemaps;
};

// The names a user agent string gives its products ("Name/1.0"), lower-cased:
// what a robots.txt group's user-agent line is compared with. The compatibility
// prefix "Mozilla" every browser sends is not the crawler's name and is left out;
// a user agent without a "/" is its own name.
std::vector<std::string> robotsProductTokens(std::string_view userAgent);

// A path (or pattern) as robots.txt paths are compared: octets outside
// printable ASCII percent-encoded, escapes of unreserved characters decoded,
// the hex digits of the other escapes upper-cased.
std::string normalizedRobotsPath(std::string_view path);

// The address of the robots.txt that governs url ("scheme://host[:port]/robots.txt"),
// empty for a URL that is not http(s).
std::string robotsTxtAddress(std::string_view url);

}  // namespace crawlspect
