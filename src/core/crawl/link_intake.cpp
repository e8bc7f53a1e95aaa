#include "core/crawl/link_intake.h"

#include <algorithm>

#include "core/crawl/url_functions.h"
#include "core/platform/text.h"

namespace crawlspect {

namespace {

constexpr auto npos = std::string::npos;

// Case-insensitive (A-Z) search that remembers its last answer. The scan asks
// for "the first occurrence at or after i" with i only ever growing, so an
// earlier answer at or after the new i is still the first one: each marker is
// searched for once per page instead of once per tag.
class ForwardFinder {
 public:
  ForwardFinder(std::string_view text, std::string_view needle) : m_text(text), m_needle(needle) {}
  std::size_t from(std::size_t i) {
    if (m_searched && (m_found == npos || m_found >= i) && i >= m_lastFrom) return m_found;
    m_lastFrom = i;
    m_found = findNoCase(m_text, m_needle, i);
    m_searched = true;
    return m_found;
  }

 private:
  std::string_view m_text;
  std::string_view m_needle;
  std::size_t m_lastFrom = 0;
  std::size_t m_found = npos;
  bool m_searched = false;
};

// The text after the first occurrence of key + quote in tag, up to the next
// quote; false when either is missing.
bool quotedValue(std::string_view tag, std::string_view key, char quote, std::string& value) {
  std::string marker(key);
  marker += quote;
  const std::size_t at = findNoCase(tag, marker);
  if (at == npos) return false;
  const std::size_t start = at + marker.size();
  const std::size_t end = tag.find(quote, start);
  if (end == npos) return false;
  value.assign(tag.substr(start, end - start));
  return true;
}

bool isHttpUrl(std::string_view s) { return startsWith(s, "http://") || startsWith(s, "https://"); }

std::string upToLastSlash(std::string_view s) {
  const std::size_t slash = s.rfind('/');
  return slash == npos ? std::string() : std::string(s.substr(0, slash + 1));
}

std::string replaceCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      out += ' ';
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

bool parseReference(std::string_view digits, int base, char32_t& code) {
  if (digits.empty() || digits.size() > 8) return false;
  unsigned long value = 0;
  for (char c : digits) {
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      return false;
    value = value * base + d;
  }
  // NUL would cut the stored text short and a lone surrogate half has no UTF-8
  // form; such references stay as written, like any other unknown one.
  if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
  code = static_cast<char32_t>(value);
  return true;
}

// At most `limit` bytes of the anchor's text, cut before a character that
// would not fit whole.
std::string_view boundedAnchor(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

}  // namespace

std::vector<std::string> ignoreUrlLines(std::string_view memoText) {
  std::vector<std::string> lines;
  for (auto& line : splitLines(trimControl(memoText)))
    if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}

std::string followValue(std::string_view rel) {
  const std::string lower = lowerAscii(rel);
  if (lower.find("nofollow") != npos) return "NOFOLLOW";
  if (lower.find("sponsored") != npos) return "SPONSORED";
  if (lower.find("ugc") != npos) return "UGC";
  return "dofollow";
}

std::string followValueOfTokens(std::string_view rel) {
  bool nofollow = false, sponsored = false, ugc = false;
  std::size_t i = 0;
  while (i < rel.size()) {
    std::size_t end = i;
    while (end < rel.size() && rel[end] != ' ' && rel[end] != '\t' && rel[end] != '\n' && rel[end] != '\f' &&
           rel[end] != '\r')
      ++end;
    const std::string token = lowerAscii(rel.substr(i, end - i));
    nofollow |= token == "nofollow";
    sponsored |= token == "sponsored";
    ugc |= token == "ugc";
    i = end + 1;
  }
  return nofollow ? "NOFOLLOW" : sponsored ? "SPONSORED" : ugc ? "UGC" : "dofollow";
}

std::string decodeAnchorText(std::string_view text) {
  static constexpr std::pair<std::string_view, char> kNamed[] = {
      {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}};
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t amp = text.find('&', i);
    if (amp == npos) {
      out.append(text.substr(i));
      break;
    }
    out.append(text.substr(i, amp - i));
    i = amp;
    std::string_view rest = text.substr(amp);
    bool done = false;
    for (const auto& [name, ch] : kNamed) {
      if (startsWith(rest, name)) {
        out += ch;
        i += name.size();
        done = true;
        break;
      }
    }
    if (!done && startsWith(rest, "&#")) {
      const bool hex = rest.size() > 2 && (rest[2] == 'x' || rest[2] == 'X');
      const std::size_t digitsAt = hex ? 3 : 2;
      const std::size_t semi = rest.find(';', digitsAt);
      char32_t code;
      if (semi != npos && parseReference(rest.substr(digitsAt, semi - digitsAt), hex ? 16 : 10, code)) {
        appendUtf8(out, code);
        i += semi + 1;
        done = true;
      }
    }
    if (!done) {
      out += '&';
      ++i;
    }
  }
  return out;
}

LinkIntake::LinkIntake(IntakeSettings settings, std::function<std::string()> startUrl, LinkSink& sink)
    : m_settings(std::move(settings)), m_startUrl(std::move(startUrl)), m_sink(sink) {}

void LinkIntake::scanLinks(const std::string& pageUrl, const std::string& pageText) {
  if (m_settings.rules == LinkRules::Standard) {
    takeInPageLinks(pageUrl, readDocumentAndLinks(pageText, NamedReferences::Html5).links);
    return;
  }
  std::size_t anchorBudget = kAnchorBudgetPerPageByte * pageText.size() + kAnchorBudgetExtra;
  scanPass("<a ", pageUrl, pageText, anchorBudget);
  scanPass("<a\r", pageUrl, pageText, anchorBudget);
}

void LinkIntake::scanPass(std::string_view marker, const std::string& pageUrl, const std::string& text,
                          std::size_t& anchorBudget) {
  ForwardFinder tagEnd(text, ">");
  ForwardFinder closing(text, "</a>");
  std::size_t base = 0;
  for (;;) {
    const std::size_t at = findNoCase(text, marker, base);  // the tag's "<"
    if (at == npos) return;
    const std::size_t gt = tagEnd.from(at);
    if (gt == npos) {
      base = at + 1;
      continue;
    }
    const std::string_view tag = std::string_view(text).substr(at, gt - at + 1);
    for (const char quote : {'"', '\''}) {
      std::string follow = "dofollow";
      std::string rel;
      if (quotedValue(tag, " rel=", quote, rel)) follow = followValue(rel);
      for (const std::string_view href : {" href=", "\thref="}) {
        std::string link;
        if (!quotedValue(tag, href, quote, link)) continue;
        const std::size_t close = closing.from(at);
        if (close == npos) continue;
        // A "</a>" inside the tag itself leaves no text between them.
        std::string anchor;
        if (close > gt) {
          const std::string_view raw = boundedAnchor(std::string_view(text).substr(gt + 1, close - gt - 1),
                                                     std::min(kMaxAnchorBytes, anchorBudget));
          anchorBudget -= raw.size();
          anchor = trimControl(decodeAnchorText(raw));
        }
        const std::string source = startsWith(lowerAscii(link.substr(0, 7)), "mailto:") ? std::string() : pageUrl;
        takeInLink(std::move(link), source, follow, std::move(anchor));
      }
    }
    // The character after ">" goes too: a tag that follows directly is passed over.
    base = gt + 2;
  }
}

void LinkIntake::takeInPageLinks(const std::string& pageUrl, const PageLinks& links) {
  std::string base = pageUrl;
  if (links.baseHref) {
    // A base that does not resolve to a web address leaves the page's own.
    if (auto resolved = resolveHttpUrl(pageUrl, tidyHref(*links.baseHref), true)) base = std::move(resolved->url);
  }
  for (const PageLink& link : links.links)
    takeInStandardLink(link.href, base, pageUrl, followValueOfTokens(link.rel), link.text);
}

bool LinkIntake::ignoredExtension(const ResolvedUrl& url) const {
  const std::string extension = lastSegmentExtension(url.path);
  if (extension.empty()) return false;
  std::size_t i = 0;
  const std::string& list = m_settings.ignoreExtensions;
  while (i < list.size()) {
    std::size_t end = list.find(' ', i);
    if (end == npos) end = list.size();
    std::string_view token = std::string_view(list).substr(i, end - i);
    if (startsWith(token, ".")) token.remove_prefix(1);
    if (!token.empty() && lowerAscii(token) == extension) return true;
    i = end + 1;
  }
  return false;
}

bool LinkIntake::ignoredUrl(const std::string& url) const {
  return std::any_of(m_settings.ignoreUrls.begin(), m_settings.ignoreUrls.end(),
                     [&](const std::string& prefix) { return startsWith(url, prefix); });
}

std::string LinkIntake::scopeKey(const ResolvedUrl& url) const {
  if (m_settings.scope == CrawlScope::Domain) return registrableDomain(url.host);
  return url.port.empty() ? url.host : url.host + ":" + url.port;
}

bool LinkIntake::sameSite(const ResolvedUrl& url) {
  const std::string start = m_startUrl();
  if (start != m_scopeStart || m_scopeStartKey.empty()) {
    m_scopeStart = start;
    const auto resolved = resolveHttpUrl("", tidyHref(start), false);
    m_scopeStartKey = resolved ? scopeKey(*resolved) : std::string();
  }
  return !m_scopeStartKey.empty() && scopeKey(url) == m_scopeStartKey;
}

void LinkIntake::takeInStandardLink(const std::string& href, const std::string& base, const std::string& sourcePage,
                                    const std::string& follow, const std::string& anchor) {
  if (m_settings.scope == CrawlScope::None) return;
  const std::string tidy = tidyHref(href);
  const std::string scheme = referenceScheme(tidy);
  if (scheme == "javascript") return;
  if (!scheme.empty() && scheme != "http" && scheme != "https") {
    // mailto:, tel: and the like: kept as written, scheme in lower case.
    const std::string link = scheme + tidy.substr(scheme.size());
    if (!ignoredUrl(link)) m_sink.storeLink(link, sourcePage, follow, anchor, "External");
    return;
  }
  const auto resolved = resolveHttpUrl(base, tidy, !m_settings.removeAnchors);
  if (!resolved || ignoredExtension(*resolved) || ignoredUrl(resolved->url)) return;
  if (sameSite(*resolved)) {
    m_sink.addInternalUrl(resolved->url);
    m_sink.storeLink(resolved->url, sourcePage, follow, anchor, "Internal");
  } else {
    m_sink.storeLink(resolved->url, sourcePage, follow, anchor, "External");
  }
}

void LinkIntake::takeInLink(std::string link, const std::string& sourcePage, const std::string& follow,
                            std::string anchor) {
  if (m_settings.rules == LinkRules::Standard) {
    takeInStandardLink(link, sourcePage, sourcePage, follow, anchor);
    return;
  }
  bool kept = true;

  if (startsWith(link, "//") && link.size() > 2)
    link.replace(0, 2, startsWith(sourcePage, "https:") ? "https://" : "http://");

  {
    const std::string lowerLink = lowerAscii(link);
    std::string rest = m_settings.ignoreExtensions;
    while (kept && !rest.empty()) {
      const std::size_t blank = rest.find(' ');
      const std::string token = rest.substr(0, blank);
      rest = blank == npos ? std::string() : trimControl(std::string_view(rest).substr(blank + 1));
      std::string dotted(1, '.');
      dotted += lowerAscii(token);
      if (lowerLink.find(dotted) != npos) kept = false;
    }
  }

  if (link.compare(0, 11, "javascript:") == 0) kept = false;

  if (kept) {
    if (startsWith(link, "/"))
      link = siteRoot(sourcePage) + link;
    else if (link == ".")
      link = upToLastSlash(sourcePage);
    else if (link == ".." || startsWith(link, "../"))
      link = parentFolderResolution(link, sourcePage);
    else if (isHttpUrl(link))
      ;
    else if (isHttpUrl(sourcePage)) {
      const std::size_t prefix = startsWith(sourcePage, "http://") ? 7 : 8;
      if (sourcePage.find('/', prefix) != npos)
        link = upToLastSlash(sourcePage) + link;
      else
        link = siteRoot(sourcePage) + "/" + link;
    }

    if (m_settings.removeAnchors) {
      const std::size_t hash = link.find('#');
      if (hash != npos) link.erase(hash);
    }

    for (const auto& prefix : m_settings.ignoreUrls) {
      if (startsWith(link, prefix)) {
        kept = false;
        break;
      }
    }
  }

  anchor = replaceCrLf(anchor);
  if (!kept) return;

  std::string (*root)(std::string_view) = nullptr;
  if (m_settings.scope == CrawlScope::Domain)
    root = &domainRoot;
  else if (m_settings.scope == CrawlScope::Subdomain)
    root = &siteRoot;
  else
    return;

  if (bareAddress(root(link)) == bareAddress(root(m_startUrl()))) {
    m_sink.addInternalUrl(link);
    m_sink.storeLink(link, sourcePage, follow, anchor, "Internal");
  } else {
    m_sink.storeLink(link, sourcePage, follow, anchor, "External");
  }
}

}  // namespace crawlspect
