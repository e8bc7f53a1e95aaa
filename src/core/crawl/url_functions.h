#pragma once
// URL text functions of the crawler and the web lookups. "http://" and
// "https://" are recognised only in lower case; nothing is normalised.
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

}  // namespace crawlspect
