#pragma once
// URL text functions of the crawler and the web lookups. The first group
// serves the classic link rules: "http://" and "https://" are recognised only
// in lower case and nothing is normalised. The second group serves the
// standard rules: RFC 3986 resolution through libcurl's URL parser and the
// Public Suffix List through libpsl.
#include <optional>
#include <string>
#include <string_view>

namespace crawlspect {

// The URL without its "http://" or "https://" prefix; empty for any other text.
std::string bareAddress(std::string_view url);
// Scheme prefix and host part (up to the first "/" after the prefix).
std::string siteRoot(std::string_view url);
// Scheme prefix and the last two dot-separated labels of the host part.
std::string domainRoot(std::string_view url);
// Resolves a link beginning with ".." against its source page, never rising
// above the source page's site root.
std::string parentFolderResolution(std::string_view link, std::string_view sourcePage);

// The href as a browser takes it: tab, LF and CR removed wherever they stand,
// and every character up to U+0020 trimmed off both ends.
std::string tidyHref(std::string_view href);
// The scheme of an absolute reference, lower-cased; empty for a relative one.
std::string referenceScheme(std::string_view href);
// An http or https URL after resolution, with the parts the link rules read.
struct ResolvedUrl {
  std::string url;   // the whole normalised URL
  std::string host;  // lower case, punycode for an internationalised host, [brackets] for IPv6
  std::string port;  // explicit and not the scheme's default; empty otherwise
  std::string path;  // as in url, starting with "/"
};
// The reference resolved against base (an absolute URL, or empty when href is
// absolute itself) and normalised: scheme and host in lower case, an
// internationalised host in its ASCII (punycode) form, the default port and
// dot segments dropped, the hex digits of escapes in upper case, control
// characters escaped, the fragment dropped unless keepFragment. nullopt when
// the result is no http or https URL or cannot be parsed.
std::optional<ResolvedUrl> resolveHttpUrl(std::string_view base, std::string_view href, bool keepFragment);
// The registrable domain of a host ("bbc.co.uk" for www.bbc.co.uk,
// "me.github.io" for me.github.io), or the whole host for an IP address or a
// host that is a public suffix itself.
std::string registrableDomain(const std::string& host);
// The extension of a URL path's last segment, lower-cased, without the dot;
// empty when that segment has no dot.
std::string lastSegmentExtension(std::string_view path);

}  // namespace crawlspect
