#pragma once
// The page facts of one page text: its title, META description and h1, h2
// and h3 texts. Every reader is a pure function of the page text; the ones
// taking an HtmlDocument let several readers share one parse of the page and
// return exactly what the text-taking ones return.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/pagefacts/html_document.h"

namespace crawlspect {

// The characters between the first "<title" (any letter case, wherever it
// stands) with the ">" after it and the next "</title>", as written: no
// trimming, no decoding. Empty when any piece is missing.
std::string scanTitle(const std::string& pageText);

// The document's title.
std::string readTitle(const std::string& pageText);
std::string readTitle(const HtmlDocument& doc);

// The content of the last META element whose name is "description" after
// A-Z lower-casing (not trimmed); empty when there is none.
std::string readMetaDescription(const std::string& pageText);
std::string readMetaDescription(const HtmlDocument& doc);

// Heading lines: the rendered text of every h1 (h2, h3) in document order with
// characters up to U+0020 trimmed off both ends, each followed by CR LF; the
// empty text when there is no such heading.
std::string readH1(const std::string& pageText);
std::string readH2(const std::string& pageText);
std::string readH3(const std::string& pageText);
std::string readHeadings(const HtmlDocument& doc, const std::string& tag);

// Everything the document readers give, from one parse.
struct PageFacts {
  std::string title;
  std::string description;
  std::string h1;
  std::string h2;
  std::string h3;
};
PageFacts readPageFacts(const std::string& pageText);

// The links of a document as a browser finds them: the href of every a and
// area element in document order (entities decoded by the parse, not yet
// trimmed or resolved), its rel value, and its text (an area's alt) as a
// search result shows it. A link's text keeps at most kMaxLinkTextBytes, and
// the texts of one page together at most kLinkTextBytesPerPageByte times the
// page's size plus kLinkTextBytesExtra; links past that keep no text, so
// nested or unclosed links cannot multiply the page.
struct PageLink {
  std::string href;
  std::string rel;
  std::string text;
};
struct PageLinks {
  std::optional<std::string> baseHref;  // the first base element's href
  std::vector<PageLink> links;
};
inline constexpr std::size_t kMaxLinkTextBytes = 64u * 1024u;
inline constexpr std::size_t kLinkTextBytesPerPageByte = 2;
inline constexpr std::size_t kLinkTextBytesExtra = 1024u * 1024u;
PageLinks readPageLinks(const HtmlDocument& doc, std::size_t pageBytes);

// The same, element by element in document order, as a parse hands them over
// (HtmlDocument with kLinkElements handed to take).
class PageLinkReader {
 public:
  explicit PageLinkReader(std::size_t pageBytes);
  void take(const std::vector<HtmlElement>& elements);
  PageLinks& found() { return m_found; }

 private:
  PageLinks m_found;
  std::size_t m_budget;
};
// Parses the page for the page facts and the links at once: the document
// keeps what the page facts need, and the links are read and let go as the
// parse goes.
struct ReadDocument {
  std::unique_ptr<HtmlDocument> document;
  PageLinks links;
};
ReadDocument readDocumentAndLinks(std::string_view pageText, NamedReferences references);

// Every element the readers of this file look for. A document parsed for them
// keeps only these, with what is around and inside them (see HtmlDocument):
// the rest of a page is let go while it is parsed, which bounds a page's
// memory by what is read of it. A reader that looks for another element
// must name it here.
inline constexpr std::string_view kFactElements[] = {"title", "meta", "h1", "h2", "h3", "h4", "h5", "h6"};
inline constexpr std::string_view kLinkElements[] = {"a", "area", "base"};
inline constexpr std::string_view kReadElements[] = {"title", "meta", "h1", "h2",   "h3",  "h4",
                                                     "h5",    "h6",   "a",  "area", "base"};

}  // namespace crawlspect
