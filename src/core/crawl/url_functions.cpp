#include "core/crawl/url_functions.h"

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

}  // namespace crawlspect
