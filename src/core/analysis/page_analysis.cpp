#include "core/analysis/page_analysis.h"

#include "core/pagefacts/page_reader.h"
#include "core/platform/text.h"

namespace crawlspect {

PageReaders standardPageReaders() {
  return {[](const std::string& p) { return readTitle(p); },
          [](const std::string& p) { return readMetaDescription(p); }, [](const std::string& p) { return readH1(p); },
          [](const std::string& p) { return readH2(p); }, [](const std::string& p) { return readH3(p); }};
}

namespace {

// The value after `name` directly followed by `quote`, up to the next `quote`;
// empty when either is missing.
std::string quotedAttribute(std::string_view tag, std::string_view lowerTag, std::string_view name, char quote) {
  std::string key(name);
  key += quote;
  const std::size_t at = lowerTag.find(key);
  if (at == std::string_view::npos) return {};
  const std::string_view rest = tag.substr(at + key.size());
  const std::size_t end = rest.find(quote);
  if (end == std::string_view::npos) return {};
  return std::string(rest.substr(0, end));
}

bool hasQuotedAttribute(std::string_view tag, std::string_view lowerTag, std::string_view name, char quote) {
  std::string key(name);
  key += quote;
  const std::size_t at = lowerTag.find(key);
  return at != std::string_view::npos && tag.find(quote, at + key.size()) != std::string_view::npos;
}

std::size_t utf8CharLength(std::string_view text, std::size_t at) {
  std::size_t n = 1;
  while (at + n < text.size() && (static_cast<unsigned char>(text[at + n]) & 0xC0) == 0x80) ++n;
  return n;
}

}  // namespace

std::vector<ImageRow> listImages(std::string_view pageText) {
  std::vector<ImageRow> rows;
  const std::string lower = lowerAscii(pageText);
  std::size_t rest = 0;  // the scan's remaining text starts here
  for (;;) {
    const std::size_t from = lower.find("<img ", rest);
    if (from == std::string::npos) break;
    const std::size_t close = lower.find('>', from);
    if (close == std::string::npos) {
      rest = from + 1;  // drops everything through the "<" of "<img "
      continue;
    }
    const std::string_view tag = pageText.substr(from, close - from + 1);
    const std::string_view lowerTag = std::string_view(lower).substr(from, close - from + 1);
    for (const char quote : {'"', '\''}) {
      const std::string alt = quotedAttribute(tag, lowerTag, " alt=", quote);
      const std::string title = quotedAttribute(tag, lowerTag, " title=", quote);
      if (hasQuotedAttribute(tag, lowerTag, " src=", quote))
        rows.push_back({quotedAttribute(tag, lowerTag, " src=", quote), alt, title});
    }
    // Through the ">" and the one character after it.
    rest = close + 1;
    if (rest < pageText.size()) rest += utf8CharLength(pageText, rest);
  }
  return rows;
}

std::size_t headingListCount(const std::vector<std::string>& entries) {
  std::size_t n = 0;
  for (const std::string& e : entries) n += utf16Length(e) + 2;
  return n;
}

PageAnalysis analyzePage(const std::string& url, PageFetcher& fetcher, const PageReaders& readers,
                         const TextVersionService& service, const StopWatch* watch) {
  PageAnalysis a;
  a.url = url;
  const auto stopped = [watch] { return watch && watch->stopRequested && watch->stopRequested->load(); };
  try {
    fetcher.setLastFetchError("");
    a.source = fetcher.fetchPage(url, watch);
    if (stopped()) return a;
    const std::string pageError = fetcher.lastFetchError();
    a.title = readers.title(a.source);
    a.description = withCrLfBreaks(readers.metaDescription(a.source));
    a.h1 = splitLines(readers.h1(a.source));
    a.h2 = splitLines(readers.h2(a.source));
    a.h3 = splitLines(readers.h3(a.source));

    // The page's address goes out only for a page that was there to read,
    // and only as far as the service needs it.
    const TextVersionRequest request = textVersionRequest(service, url);
    if (a.source.empty()) {
      a.contents = noTextVersionAfterFailedFetch(pageError);
    } else if (request.address.empty()) {
      a.contents = request.refusal;
    } else {
      fetcher.setLastFetchError("");
      a.contents = fetcher.fetchVerified(request.address, service.caFile, watch);
      if (a.contents.empty()) a.contents = fetcher.lastFetchError();
    }

    a.counters.url = utf16Length(a.url);
    a.counters.title = utf16Length(a.title);
    a.counters.description = utf16Length(a.description);
    a.counters.h1 = headingListCount(a.h1);
    a.counters.h2 = headingListCount(a.h2);
    a.counters.h3 = headingListCount(a.h3);
    a.counters.contents = utf16Length(a.contents);

    a.images = listImages(a.source);
  } catch (...) {
    // A page that cannot be decoded or read ends the analysis here: the window
    // shows what was filled so far, with the counters left at 0, and no message.
  }
  return a;
}

}  // namespace crawlspect
