#pragma once
// The Analyze URL window without its window: one page fetched and read, its
// text version asked of the html2txt service, its images found by a text
// scan, and the seven length counters.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/analysis/text_version.h"
#include "core/crawl/page_fetcher.h"

namespace crawlspect {

struct ImageRow {
  std::string image;  // src, exactly as written in the tag
  std::string alt;
  std::string title;
  bool operator==(const ImageRow&) const = default;
};

// The img tags of a page text, by a plain text scan: "<img " with one space,
// attributes " src=", " alt=", " title=" each directly followed by a quote,
// alt and title taken only with the quote character of src. The character
// after each tag's ">" is skipped, so a tag written right after another one is
// not seen.
std::vector<ImageRow> listImages(std::string_view pageText);

// The page reader's five functions, each given the page text.
struct PageReaders {
  std::function<std::string(const std::string&)> title;
  std::function<std::string(const std::string&)> metaDescription;
  std::function<std::string(const std::string&)> h1;
  std::function<std::string(const std::string&)> h2;
  std::function<std::string(const std::string&)> h3;
};

// The program's own page readers.
PageReaders standardPageReaders();

// Every count is in UTF-16 code units, as the window's labels show them.
struct AnalysisCounters {
  std::size_t url = 0;
  std::size_t title = 0;
  std::size_t description = 0;  // line breaks count two each
  std::size_t h1 = 0;           // each entry plus 2 for its CR LF
  std::size_t h2 = 0;
  std::size_t h3 = 0;
  std::size_t contents = 0;
  bool operator==(const AnalysisCounters&) const = default;
};

struct PageAnalysis {
  std::string url;
  std::string source;  // the page text ("Source" tab)
  std::string title;
  std::string description;  // line breaks as CR LF
  std::vector<std::string> h1;
  std::vector<std::string> h2;
  std::vector<std::string> h3;
  // The text version; the fetch error when it gave nothing; or why it was not
  // asked for (a page that gave no text, an address kept private).
  std::string contents;
  std::vector<ImageRow> images;
  AnalysisCounters counters;  // all 0 unless every step before them went through
};

// A heading list's counter: the sum of its entries' lengths plus 2 for each.
std::size_t headingListCount(const std::vector<std::string>& entries);

// Fetches and reads the page and asks for its text version (see
// textVersionRequest for what is sent, and to whom). Any error on the way ends
// the work silently; what was filled until then is returned. Waits for the
// network, so the window runs it off its own thread: the fetcher locks what it
// shares, and the program's readers are pure functions of the page text.
// A raised stop request (watch) cuts the fetch under way off and skips the rest.
PageAnalysis analyzePage(const std::string& url, PageFetcher& fetcher, const PageReaders& readers,
                         const TextVersionService& service, const StopWatch* watch = nullptr);

}  // namespace crawlspect
