#pragma once
// The page facts of one page text: its title, META description and h1, h2
// and h3 texts. Every reader is a pure function of the page text; the ones
// taking an HtmlDocument let several readers share one parse of the page and
// return exactly what the text-taking ones return.
#include <string>

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

}  // namespace crawlspect
