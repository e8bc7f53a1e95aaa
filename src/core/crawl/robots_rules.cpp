#include "core/crawl/robots_rules.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/platform/text.h"

namespace crawlspect {

namespace {

bool isTokenChar(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '-'; }

bool isUnreserved(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~';
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

constexpr char kHexDigits[] = "0123456789ABCDEF";

void appendEscape(std::string& out, unsigned char c) {
  out += '%';
  out += kHexDigits[c >> 4];
  out += kHexDigits[c & 0x0F];
}

// Does pattern (with "*" for any run of octets and a final "$" for the end)
// match the start of path? Star backtracking: each star only ever moves
// forward, so the work stays within pattern length times path length.
bool patternMatches(std::string_view pattern, std::string_view path) {
  const bool anchored = !pattern.empty() && pattern.back() == '$';
  if (anchored) pattern.remove_suffix(1);
  std::size_t p = 0;
  std::size_t s = 0;
  std::size_t starP = std::string_view::npos;
  std::size_t starS = 0;
  while (true) {
    if (p == pattern.size()) {
      if (!anchored || s == path.size()) return true;
    } else if (pattern[p] == '*') {
      starP = p++;
      starS = s;
      continue;
    } else if (s < path.size() && pattern[p] == path[s]) {
      ++p;
      ++s;
      continue;
    }
    // A mismatch, or an anchored pattern that ended before the path did.
    if (starP == std::string_view::npos || starS >= path.size()) return false;
    p = starP + 1;
    s = ++starS;
  }
}

// One line of the file: its field name lower-cased and its value, comments
// and the blanks around both dropped; nullopt for a line without a colon.
struct Line {
  std::string key;
  std::string value;
};

std::optional<Line> splitLine(std::string_view line) {
  const std::size_t hash = line.find('#');
  if (hash != std::string_view::npos) line = line.substr(0, hash);
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  return Line{lowerAscii(trimBlanks(line.substr(0, colon))), trimBlanks(line.substr(colon + 1))};
}

// The product token of a user-agent line: its leading letters, "_" and "-";
// "*" for the group of every other crawler.
std::string groupToken(std::string_view value) {
  if (!value.empty() && value.front() == '*') return "*";
  std::size_t end = 0;
  while (end < value.size() && isTokenChar(value[end])) ++end;
  return lowerAscii(value.substr(0, end));
}

struct Group {
  std::vector<std::string> agents;
  std::vector<std::pair<std::string, bool>> rules;  // raw pattern, allow
  std::optional<double> crawlDelay;
};

// The file up to the limit, without a line the limit cuts in two.
std::string_view withinLimit(std::string_view text) {
  if (startsWith(text, "\xEF\xBB\xBF")) text.remove_prefix(3);
  if (text.size() <= kRobotsParseLimit) return text;
  text = text.substr(0, kRobotsParseLimit);
  const std::size_t lastBreak = text.find_last_of("\r\n");
  return lastBreak == std::string_view::npos ? std::string_view() : text.substr(0, lastBreak);
}

std::vector<Group> readGroups(std::string_view text, std::vector<std::string>& sitemaps) {
  std::vector<Group> groups;
  bool inAgentLines = false;  // the lines read last were user-agent lines
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    const std::optional<Line> line = splitLine(text.substr(pos, end - pos));
    pos = end + 1;
    if (!line) continue;
    if (line->key == "user-agent") {
      if (!inAgentLines) groups.emplace_back();
      inAgentLines = true;
      const std::string token = groupToken(line->value);
      if (!token.empty()) groups.back().agents.push_back(token);
      continue;
    }
    if (line->key == "sitemap") {
      // Not part of any group.
      if (!line->value.empty()) sitemaps.push_back(line->value);
      continue;
    }
    const bool allow = line->key == "allow";
    if (allow || line->key == "disallow") {
      inAgentLines = false;
      // An empty path matches nothing; a rule before any group has no crawler.
      if (!groups.empty() && !line->value.empty()) groups.back().rules.emplace_back(line->value, allow);
    } else if (line->key == "crawl-delay") {
      inAgentLines = false;
      double seconds = 0;
      const char* first = line->value.data();
      const char* last = first + line->value.size();
      const auto [ptr, ec] = std::from_chars(first, last, seconds);
      if (!groups.empty() && ec == std::errc() && ptr == last && std::isfinite(seconds) && seconds >= 0 &&
          !groups.back().crawlDelay)
        groups.back().crawlDelay = seconds;
    }
    // Any other line is not understood and changes nothing.
  }
  return groups;
}

}  // namespace

std::vector<std::string> robotsProductTokens(std::string_view userAgent) {
  std::vector<std::string> tokens;
  for (std::size_t slash = userAgent.find('/'); slash != std::string_view::npos;
       slash = userAgent.find('/', slash + 1)) {
    std::size_t begin = slash;
    while (begin > 0 && isTokenChar(userAgent[begin - 1])) --begin;
    // A name stands at the start or after a blank, "(" or ";"; a word before a
    // "/" inside an address the user agent names ("+http://host/") is none.
    if (begin == slash ||
        (begin > 0 && std::string_view(" \t(;,").find(userAgent[begin - 1]) == std::string_view::npos))
      continue;
    std::string token = lowerAscii(userAgent.substr(begin, slash - begin));
    if (token != "mozilla" && std::find(tokens.begin(), tokens.end(), token) == tokens.end())
      tokens.push_back(std::move(token));
  }
  if (userAgent.find('/') == std::string_view::npos) {
    std::string token = groupToken(trimBlanks(userAgent));
    if (!token.empty() && token != "*") tokens.push_back(std::move(token));
  }
  return tokens;
}

std::string normalizedRobotsPath(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  for (std::size_t i = 0; i < path.size(); ++i) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (c == '%' && i + 2 < path.size() && hexValue(path[i + 1]) >= 0 && hexValue(path[i + 2]) >= 0) {
      const auto decoded = static_cast<unsigned char>(hexValue(path[i + 1]) * 16 + hexValue(path[i + 2]));
      if (isUnreserved(decoded))
        out += static_cast<char>(decoded);
      else
        appendEscape(out, decoded);
      i += 2;
    } else if (c <= 0x20 || c >= 0x7F) {
      appendEscape(out, c);
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string robotsTxtAddress(std::string_view url) {
  const std::size_t schemeEnd = url.find("://");
  if (schemeEnd == std::string_view::npos) return {};
  const std::string scheme = lowerAscii(url.substr(0, schemeEnd));
  if (scheme != "http" && scheme != "https") return {};
  std::string_view authority = url.substr(schemeEnd + 3);
  authority = authority.substr(0, authority.find_first_of("/?#"));
  const std::size_t at = authority.rfind('@');
  if (at != std::string_view::npos) authority.remove_prefix(at + 1);
  if (authority.empty()) return {};
  return scheme + "://" + lowerAscii(authority) + "/robots.txt";
}

RobotsRules RobotsRules::disallowAll() {
  RobotsRules rules;
  rules.m_disallowAll = true;
  return rules;
}

RobotsRules RobotsRules::parse(std::string_view text, std::string_view userAgent) {
  RobotsRules rules;
  const std::vector<Group> groups = readGroups(withinLimit(text), rules.m_sitemaps);
  const std::vector<std::string> tokens = robotsProductTokens(userAgent);
  const auto applies = [&groups](auto&& accepts) {
    std::vector<const Group*> chosen;
    for (const Group& group : groups)
      if (std::any_of(group.agents.begin(), group.agents.end(), accepts)) chosen.push_back(&group);
    return chosen;
  };
  // The crawler's own groups (all of them, merged) before those of "*".
  std::vector<const Group*> chosen = applies(
      [&tokens](const std::string& agent) { return std::find(tokens.begin(), tokens.end(), agent) != tokens.end(); });
  if (chosen.empty()) chosen = applies([](const std::string& agent) { return agent == "*"; });
  for (const Group* group : chosen) {
    for (const auto& [pattern, allow] : group->rules) rules.m_rules.push_back({normalizedRobotsPath(pattern), allow});
    if (!rules.m_crawlDelay) rules.m_crawlDelay = group->crawlDelay;
  }
  return rules;
}

bool RobotsRules::allows(std::string_view pathAndQuery) const {
  const std::string path = normalizedRobotsPath(pathAndQuery.empty() ? std::string_view("/") : pathAndQuery);
  // The file itself is always open to the crawler.
  if (path == "/robots.txt") return true;
  if (m_disallowAll) return false;
  // The rule with the longest pattern decides; of two as long, Allow.
  std::optional<std::size_t> longest;
  bool allowed = true;
  for (const Rule& rule : m_rules) {
    if (!patternMatches(rule.pattern, path)) continue;
    const std::size_t length = rule.pattern.size();
    if (!longest || length > *longest) {
      longest = length;
      allowed = rule.allow;
    } else if (length == *longest) {
      allowed = allowed || rule.allow;
    }
  }
  return allowed;
}

bool RobotsRules::allowsUrl(std::string_view url) const {
  const std::size_t schemeEnd = url.find("://");
  if (schemeEnd == std::string_view::npos) return allows("/");
  std::string_view rest = url.substr(schemeEnd + 3);
  rest = rest.substr(0, rest.find('#'));
  const std::size_t pathStart = rest.find_first_of("/?");
  if (pathStart == std::string_view::npos) return allows("/");
  std::string path(rest.substr(pathStart));
  if (path.front() == '?') path.insert(0, "/");
  return allows(path);
}

}  // namespace crawlspect
