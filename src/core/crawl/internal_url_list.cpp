#include "core/crawl/internal_url_list.h"

#include "core/platform/text.h"

namespace crawlspect {

std::size_t urlLength(std::string_view url) {
  if (startsWith(url, "http://"))
    url.remove_prefix(7);
  else if (startsWith(url, "https://"))
    url.remove_prefix(8);
  return utf16Length(url);
}

std::size_t InternalUrlList::size() const {
  std::lock_guard lock(m_guard);
  return m_rows.size();
}

std::string InternalUrlList::url(std::size_t index) const {
  std::lock_guard lock(m_guard);
  return index < m_rows.size() ? m_rows[index].url : std::string();
}

UrlRow InternalUrlList::row(std::size_t index) const {
  std::lock_guard lock(m_guard);
  return index < m_rows.size() ? m_rows[index] : UrlRow{};
}

std::vector<UrlRow> InternalUrlList::snapshot() const {
  std::lock_guard lock(m_guard);
  return m_rows;
}

bool InternalUrlList::contains(const std::string& url) const {
  std::lock_guard lock(m_guard);
  return m_urls.count(url) != 0;
}

void InternalUrlList::setLoadTime(std::size_t index, std::string text) {
  std::lock_guard lock(m_guard);
  if (index < m_rows.size()) m_rows[index].loadTime = std::move(text);
}

void InternalUrlList::clear() {
  std::lock_guard lock(m_guard);
  m_rows.clear();
  m_urls.clear();
}

void InternalUrlList::assign(const std::vector<std::string>& urls) {
  std::lock_guard lock(m_guard);
  m_rows.clear();
  m_urls.clear();
  m_rows.reserve(urls.size());
  for (const auto& u : urls) {
    // A project file may hold a URL twice; each PAGES row still gets its list row.
    m_rows.push_back({u, {}, std::to_string(urlLength(u))});
    m_urls.insert(u);
  }
}

}  // namespace crawlspect
