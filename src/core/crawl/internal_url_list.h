#pragma once
// The internal URL list: the crawl's work list and one of its results. Rows are
// only appended, URLs are unique (exact comparison), and every access goes
// through the URL list guard. A hash set answers the duplicate check.
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace crawlspect {

struct UrlRow {
  std::string url;
  std::string loadTime;   // empty until fetched in this run
  std::string urlLength;  // decimal text
};

// Characters (UTF-16 units) of a URL after one leading "http://" or, failing
// that, "https://" (exact letter case) is removed.
std::size_t urlLength(std::string_view url);

class InternalUrlList {
 public:
  std::size_t size() const;
  std::string url(std::size_t index) const;
  UrlRow row(std::size_t index) const;
  std::vector<UrlRow> snapshot() const;
  bool contains(const std::string& url) const;

  // The duplicate check and the append as one step; false when the URL is known.
  // limitCheck runs under the guard first and may refuse the append.
  template <class LimitCheck>
  bool appendIfNew(const std::string& url, LimitCheck&& limitCheck) {
    std::lock_guard lock(m_guard);
    if (!limitCheck()) return false;
    if (m_urls.count(url)) return false;
    m_rows.push_back({url, {}, std::to_string(urlLength(url))});
    m_urls.insert(url);
    return true;
  }
  bool appendIfNew(const std::string& url) {
    return appendIfNew(url, [] { return true; });
  }

  void setLoadTime(std::size_t index, std::string text);
  void clear();
  // Replaces the whole list (project opening): one row per URL, in the given order.
  void assign(const std::vector<std::string>& urls);

 private:
  mutable std::mutex m_guard;
  std::vector<UrlRow> m_rows;
  std::unordered_set<std::string> m_urls;
};

}  // namespace crawlspect
