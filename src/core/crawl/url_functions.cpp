#include "core/crawl/url_functions.h"

#include <curl/curl.h>
#include <idn2.h>
#include <libpsl.h>

#include <memory>

#include "core/platform/text.h"

namespace crawlspect {

namespace {

std::string_view schemePrefix(std::string_view url) {
  if (startsWith(url, "http://")) return url.substr(0, 7);
  if (startsWith(url, "https://")) return url.substr(0, 8);
  return {};
}

std::string_view hostPart(std::string_view url, std::size_t prefixLength) {
  std::string_view rest = url.substr(prefixLength);
  return rest.substr(0, rest.find('/'));
}

std::string dropOneTrailingSlash(std::string s) {
  if (!s.empty() && s.back() == '/') s.pop_back();
  return s;
}

}  // namespace

std::string bareAddress(std::string_view url) {
  const std::string_view prefix = schemePrefix(url);
  if (prefix.empty()) return {};
  return std::string(url.substr(prefix.size()));
}

std::string siteRoot(std::string_view url) {
  const std::string_view prefix = schemePrefix(url);
  if (prefix.empty()) return {};
  return dropOneTrailingSlash(std::string(prefix) + std::string(hostPart(url, prefix.size())));
}

std::string domainRoot(std::string_view url) {
  const std::string_view prefix = schemePrefix(url);
  if (prefix.empty()) return {};
  std::string_view host = hostPart(url, prefix.size());
  const std::size_t last = host.rfind('.');
  if (last != std::string_view::npos && last > 0) {
    const std::size_t secondLast = host.rfind('.', last - 1);
    if (secondLast != std::string_view::npos) host.remove_prefix(secondLast + 1);
  }
  return dropOneTrailingSlash(std::string(prefix) + std::string(host));
}

std::string parentFolderResolution(std::string_view link, std::string_view sourcePage) {
  std::string s(link);
  std::string b(sourcePage);
  const std::string root = siteRoot(sourcePage);
  while (startsWith(s, "..")) {
    std::size_t pos = b.rfind('/');
    b = pos == std::string::npos ? std::string() : b.substr(0, pos);
    pos = b.rfind('/');
    b = pos == std::string::npos ? std::string() : b.substr(0, pos + 1);
    if (root.size() > b.size()) b = root + "/";
    s.erase(0, 2);
    if (startsWith(s, "/")) s.erase(0, 1);
  }
  return b + s;
}

namespace {

struct CurlUrlFree {
  void operator()(CURLU* u) const { curl_url_cleanup(u); }
};
using CurlUrl = std::unique_ptr<CURLU, CurlUrlFree>;

struct CurlTextFree {
  void operator()(char* p) const { curl_free(p); }
};

std::optional<std::string> urlPart(CURLU* u, CURLUPart part, unsigned flags = 0) {
  char* raw = nullptr;
  if (curl_url_get(u, part, &raw, flags) != CURLUE_OK || !raw) return std::nullopt;
  const std::unique_ptr<char, CurlTextFree> owned(raw);
  return std::string(raw);
}

// A parsed copy of base. A page's links all resolve against the same base,
// so the last one parsed on this thread is kept and copied.
CurlUrl parsedBase(std::string_view base, unsigned flags) {
  thread_local std::string lastText;
  thread_local CurlUrl last;
  if (!last || lastText != base) {
    last.reset(curl_url());
    if (!last || curl_url_set(last.get(), CURLUPART_URL, std::string(base).c_str(), flags) != CURLUE_OK) {
      last.reset();
      return nullptr;
    }
    lastText = base;
  }
  return CurlUrl(curl_url_dup(last.get()));
}

bool isAscii(std::string_view s) {
  for (const char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// Scheme and host lower-cased, an internationalised host in punycode (the
// form the request goes to, and one spelling for one host).
bool normaliseHost(CURLU* u, std::string& ascii) {
  const auto host = urlPart(u, CURLUPART_HOST);
  if (!host || host->empty()) return false;
  if (isAscii(*host)) {
    ascii = lowerAscii(*host);
  } else {
    char* converted = nullptr;
    if (idn2_lookup_u8(reinterpret_cast<const uint8_t*>(host->c_str()), reinterpret_cast<uint8_t**>(&converted),
                       IDN2_NFC_INPUT | IDN2_NONTRANSITIONAL) != IDN2_OK)
      return false;
    ascii = converted;
    idn2_free(converted);
  }
  return ascii == *host || curl_url_set(u, CURLUPART_HOST, ascii.c_str(), 0) == CURLUE_OK;
}

bool isIpHost(std::string_view host) {
  if (startsWith(host, "[")) return true;
  for (const char c : host)
    if (!(c >= '0' && c <= '9') && c != '.') return false;
  return true;
}

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Control characters percent-encoded, as a browser sends them; libcurl
// refuses them in a URL.
std::string encodeControls(std::string_view href) {
  std::string out;
  out.reserve(href.size());
  for (const char c : href) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      out += '%';
      out += kHexDigits[byte >> 4];
      out += kHexDigits[byte & 0xF];
    } else {
      out += c;
    }
  }
  return out;
}

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// "%c3%a4" and "%C3%A4" are one URL: the hex digits of every escape in upper case.
void upperCaseEscapes(std::string& url) {
  for (std::size_t i = 0; i + 2 < url.size(); ++i) {
    if (url[i] != '%' || !isHexDigit(url[i + 1]) || !isHexDigit(url[i + 2])) continue;
    for (std::size_t k = i + 1; k <= i + 2; ++k)
      if (url[k] >= 'a' && url[k] <= 'f') url[k] = static_cast<char>(url[k] - 'a' + 'A');
    i += 2;
  }
}

const psl_ctx_t* suffixList() {
  // The newest of the list built into libpsl and the system's publicsuffix
  // data; the built-in one alone when no system file can be read.
  static const psl_ctx_t* const list = [] {
    const psl_ctx_t* latest = psl_latest(nullptr);
    return latest ? latest : psl_builtin();
  }();
  return list;
}

}  // namespace

std::string tidyHref(std::string_view href) {
  std::string out;
  out.reserve(href.size());
  for (const char c : href)
    if (c != '\t' && c != '\n' && c != '\r') out += c;
  std::size_t start = 0;
  while (start < out.size() && static_cast<unsigned char>(out[start]) <= 0x20) ++start;
  std::size_t end = out.size();
  while (end > start && static_cast<unsigned char>(out[end - 1]) <= 0x20) --end;
  return out.substr(start, end - start);
}

std::string referenceScheme(std::string_view href) {
  auto isAlpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (href.empty() || !isAlpha(href[0])) return {};
  for (std::size_t i = 1; i < href.size(); ++i) {
    const char c = href[i];
    if (c == ':') return lowerAscii(href.substr(0, i));
    if (!isAlpha(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') return {};
  }
  return {};
}

std::optional<ResolvedUrl> resolveHttpUrl(std::string_view base, std::string_view href, bool keepFragment) {
  constexpr unsigned kSetFlags = CURLU_URLENCODE | CURLU_ALLOW_SPACE;
  CurlUrl u = base.empty() ? CurlUrl(curl_url()) : parsedBase(base, kSetFlags);
  if (!u) return std::nullopt;
  std::string target = encodeControls(href);
  // libcurl resolves "" and "#x" against the base's folder; RFC 3986 keeps
  // the whole base for them.
  if (!base.empty() && (href.empty() || href[0] == '#')) {
    curl_url_set(u.get(), CURLUPART_FRAGMENT, nullptr, 0);
    const auto whole = urlPart(u.get(), CURLUPART_URL);
    if (!whole) return std::nullopt;
    target = *whole + target;
  }
  if (curl_url_set(u.get(), CURLUPART_URL, target.c_str(), kSetFlags) != CURLUE_OK) return std::nullopt;
  const auto scheme = urlPart(u.get(), CURLUPART_SCHEME);
  if (!scheme || (*scheme != "http" && *scheme != "https")) return std::nullopt;
  ResolvedUrl r;
  if (!normaliseHost(u.get(), r.host)) return std::nullopt;
  if (!keepFragment) curl_url_set(u.get(), CURLUPART_FRAGMENT, nullptr, 0);
  auto url = urlPart(u.get(), CURLUPART_URL, CURLU_NO_DEFAULT_PORT);
  if (!url) return std::nullopt;
  r.url = std::move(*url);
  upperCaseEscapes(r.url);
  r.port = urlPart(u.get(), CURLUPART_PORT, CURLU_NO_DEFAULT_PORT).value_or("");
  r.path = urlPart(u.get(), CURLUPART_PATH).value_or("/");
  return r;
}

std::string registrableDomain(const std::string& host) {
  if (host.empty() || isIpHost(host)) return host;
  const char* domain = psl_registrable_domain(suffixList(), host.c_str());
  return domain ? std::string(domain) : host;
}

std::string lastSegmentExtension(std::string_view path) {
  const std::string_view segment = path.substr(path.rfind('/') + 1);
  const std::size_t dot = segment.rfind('.');
  return dot == std::string_view::npos ? std::string() : lowerAscii(segment.substr(dot + 1));
}

}  // namespace crawlspect
