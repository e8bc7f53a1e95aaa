#include "main/crawler/internal_url_list.h"

#include "platform/text.h"

namespace crawlspect {

std::size_t urlLength(std::string_view url) {
  if (startsWith(url, "http://"))
    url.remove_prefix(7);
  else if (startsWith(url, "https://"))
    url.remove_prefix(8);
  return utf16Length(url);
}

std::size_t InternalUrlList::size() const {
  std::lock_guard lock(guard_);
  return rows_.size();
}

std::string InternalUrlList::url(std::size_t index) const {
  std::lock_guard lock(guard_);
  return index < rows_.size() ? rows_[index].url : std::string();
}

UrlRow InternalUrlList::row(std::size_t index) const {
  std::lock_guard lock(guard_);
  return index < rows_.size() ? rows_[index] : UrlRow{};
}

std::vector<UrlRow> InternalUrlList::snapshot() const {
  std::lock_guard lock(guard_);
  return rows_;
}

bool InternalUrlList::contains(const std::string& url) const {
  std::lock_guard lock(guard_);
  return urls_.count(url) != 0;
}

void InternalUrlList::setLoadTime(std::size_t index, std::string text) {
  std::lock_guard lock(guard_);
  if (index < rows_.size()) rows_[index].loadTime = std::move(text);
}

void InternalUrlList::clear() {
  std::lock_guard lock(guard_);
  rows_.clear();
  urls_.clear();
}

void InternalUrlList::assign(const std::vector<std::string>& urls) {
  std::lock_guard lock(guard_);
  rows_.clear();
  urls_.clear();
  rows_.reserve(urls.size());
  for (const auto& u : urls) {
    // A project file may hold a URL twice; each PAGES row still gets its list row.
    rows_.push_back({u, {}, std::to_string(urlLength(u))});
    urls_.insert(u);
  }
}

}  // namespace crawlspect
