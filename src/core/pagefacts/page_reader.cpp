#include "core/pagefacts/page_reader.h"

#include <algorithm>

#include "core/platform/text.h"

namespace crawlspect {

std::string scanTitle(const std::string& pageText) {
  const std::size_t start = findNoCase(pageText, "<title");
  if (start == std::string::npos) return {};
  const std::size_t close = pageText.find('>', start);
  if (close == std::string::npos) return {};
  const std::size_t end = findNoCase(pageText, "</title>", close + 1);
  if (end == std::string::npos) return {};
  return pageText.substr(close + 1, end - close - 1);
}

namespace {

HtmlDocument readable(const std::string& pageText) {
  return HtmlDocument(pageText, NamedReferences::Parser, kFactElements);
}

bool isDescriptionMeta(const HtmlElement& el) {
  if (!el.hasTagName("meta")) return false;
  const auto name = el.attribute("name");
  return name && lowerAscii(*name) == "description";
}

// At most limit bytes, cut before a character that would not fit whole.
std::string cutToBytes(std::string text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  text.resize(end);
  return text;
}

void appendHeadingLine(std::string& lines, const HtmlElement& heading) {
  lines += trimControl(heading.innerText());
  lines += "\r\n";
}

}  // namespace

std::string readTitle(const HtmlDocument& doc) { return doc.title(); }
std::string readTitle(const std::string& pageText) { return readTitle(readable(pageText)); }

std::string readMetaDescription(const HtmlDocument& doc) {
  std::string result;
  for (const HtmlElement& el : doc.all())
    if (isDescriptionMeta(el)) result = el.attribute("content").value_or("");
  return result;
}
std::string readMetaDescription(const std::string& pageText) { return readMetaDescription(readable(pageText)); }

std::string readHeadings(const HtmlDocument& doc, const std::string& tag) {
  std::string lines;
  for (const HtmlElement& el : doc.all())
    if (el.hasTagName(tag)) appendHeadingLine(lines, el);
  return lines;
}
std::string readH1(const std::string& pageText) { return readHeadings(readable(pageText), "h1"); }
std::string readH2(const std::string& pageText) { return readHeadings(readable(pageText), "h2"); }
std::string readH3(const std::string& pageText) { return readHeadings(readable(pageText), "h3"); }

PageFacts readPageFacts(const std::string& pageText) {
  const HtmlDocument doc = readable(pageText);
  PageFacts facts;
  facts.title = doc.title();
  for (const HtmlElement& el : doc.all()) {
    if (isDescriptionMeta(el))
      facts.description = el.attribute("content").value_or("");
    else if (el.hasTagName("h1"))
      appendHeadingLine(facts.h1, el);
    else if (el.hasTagName("h2"))
      appendHeadingLine(facts.h2, el);
    else if (el.hasTagName("h3"))
      appendHeadingLine(facts.h3, el);
  }
  return facts;
}

PageLinkReader::PageLinkReader(std::size_t pageBytes)
    : m_budget(kLinkTextBytesPerPageByte * pageBytes + kLinkTextBytesExtra) {}

void PageLinkReader::take(const std::vector<HtmlElement>& elements) {
  for (const HtmlElement& el : elements) {
    if (el.hasTagName("base")) {
      if (!m_found.baseHref) m_found.baseHref = el.attribute("href");
      continue;
    }
    const bool anchor = el.hasTagName("a");
    if (!anchor && !el.hasTagName("area")) continue;
    auto href = el.attribute("href");
    if (!href) continue;
    PageLink link{std::move(*href), el.attribute("rel").value_or(""), {}};
    const std::size_t limit = std::min(kMaxLinkTextBytes, m_budget);
    if (anchor)
      link.text = el.shownText(limit);
    else
      link.text = cutToBytes(collapseWhitespace(el.attribute("alt").value_or("")), limit);
    m_budget -= std::min(m_budget, link.text.size());
    m_found.links.push_back(std::move(link));
  }
}

PageLinks readPageLinks(const HtmlDocument& doc, std::size_t pageBytes) {
  PageLinkReader reader(pageBytes);
  reader.take(doc.all());
  return std::move(reader.found());
}

ReadDocument readDocumentAndLinks(std::string_view pageText, NamedReferences references) {
  ReadDocument read;
  PageLinkReader links(pageText.size());
  const HandedElements handed{kLinkElements,
                              [&links](const std::vector<HtmlElement>& elements) { links.take(elements); }};
  read.document = std::make_unique<HtmlDocument>(pageText, references, kReadElements, &handed);
  read.links = std::move(links.found());
  return read;
}

}  // namespace crawlspect
