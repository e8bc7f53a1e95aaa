#pragma once
// A parsed HTML page for the page reader: libxml2's HTML parser with recovery
// on and network access off, so markup is only parsed — nothing runs, nothing
// is fetched. It offers what the readers ask of a browser's document: the
// elements in document order with upper-case tag names, their attributes, each
// element's rendered text (close to a browser's innerText) and the document
// title. The rules are written at the top of html_document.cpp.
#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct _xmlDoc;
struct _xmlNode;

namespace crawlspect {

// The parser could not build a document at all (it ran out of memory).
class PageReadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A handle on one element; valid while its document lives.
class HtmlElement {
 public:
  explicit HtmlElement(const _xmlNode* node) : m_node(node) {}
  const _xmlNode* node() const { return m_node; }

  // The tag name in upper case ("H1", "META").
  std::string tagName() const;
  // Tag name comparison without regard to A-Z case, without building the name.
  bool hasTagName(std::string_view name) const;
  // The attribute's value (entities decoded), or nullopt when the element lacks it.
  // Attribute names are compared without regard to A-Z case.
  std::optional<std::string> attribute(std::string_view name) const;
  // The rendered text of the element and its descendants.
  std::string innerText() const;
  // The text of its rendered descendants (no script, style, hidden...) with
  // white space collapsed and trimmed, as a search result shows a link's
  // text. At most maxBytes bytes (cut before a character that would not fit
  // whole), and the walk stops there, so nested links cost no more than that.
  std::string shownText(std::size_t maxBytes) const;

 private:
  const _xmlNode* m_node;
};

// Which named character references become characters. The parser alone knows
// those of HTML 4 and &apos;; a browser knows every one of HTML5, and the
// legacy ones written without a semicolon ("&copy 2024").
enum class NamedReferences { Parser, Html5 };

// Kept elements that are handed to a reader as the parse goes and then let
// go, so that even a page of a million of them never holds them all at once.
struct HandedElements {
  std::span<const std::string_view> names;  // lower case; each one also kept
  // Called when the outermost of them ends, with it and those of them inside
  // it, in document order, as all() would list them (none inside template,
  // textarea...). Over a whole parse, every one all() would list, in order.
  // An element inside another kept element (a link in a heading) stays in
  // the tree; any other is let go once handed.
  std::function<void(const std::vector<HtmlElement>&)> take;
};

class HtmlDocument {
 public:
  // Parses the page text. Any text gives a document, possibly without
  // elements; a page nested deeper than the parser's depth limit is read as
  // far as the parser got. Throws PageReadError only when the parser fails
  // as a whole.
  //
  // With keptNames (lower-case tag names), only the elements of those names
  // are kept, with every element around them and everything inside them:
  // the rest of the tree is let go while the parser goes on, so that a page
  // of millions of elements never stands in memory as a whole. all() then
  // lists only what was kept; every answer about a kept element (its
  // attributes, its rendered text, the title) is the one of the whole tree.
  explicit HtmlDocument(std::string_view pageText, NamedReferences references = NamedReferences::Parser,
                        std::span<const std::string_view> keptNames = {}, const HandedElements* handed = nullptr);
  ~HtmlDocument();
  HtmlDocument(const HtmlDocument&) = delete;
  HtmlDocument& operator=(const HtmlDocument&) = delete;

  // Every element in document order.
  std::vector<HtmlElement> all() const;
  // The text of the first title element, white space stripped and collapsed.
  std::string title() const;

 private:
  _xmlDoc* m_doc = nullptr;
};

}  // namespace crawlspect
