// How a page text becomes a document, and what the document answers.
//
// Input. The parser gets a cleaned copy of the page text: CR LF and lone CR
// become LF (as a browser's input stream does), NUL characters are dropped
// (a leading NUL would otherwise end libxml2's parse at once), ill-formed
// UTF-8 becomes U+FFFD, and the bytes are declared UTF-8 so that a META
// charset in the page cannot switch the decoding. Two repairs are made on the
// markup before parsing, both against libxml2's HTML 4 habits:
//  - a start tag keeps at most kMaxAttributes attributes; libxml2 checks each
//    new attribute against all earlier ones, so one tag with 100,000 distinct
//    attributes would take minutes;
//  - a <p> inside an open h1-h6 stays inside it (libxml2 would close the
//    heading at the <p>, leaving the heading empty).
// After parsing, a heading that is a direct child of another heading is moved
// out behind it, with the siblings that follow it, as a browser's parser
// closes a heading when the next one starts.
//
// With NamedReferences::Html5 every named character reference of HTML5 is
// written as numeric references before parsing (libxml2 knows only those of
// HTML 4), in text and attribute values alike; a legacy name without its
// semicolon counts in text, and in an attribute value unless a letter, digit
// or "=" follows it, as in a browser. Comments and script and style content
// are left as they are.
//
// Kept elements. Given names to keep, the parse lets go of every element
// that holds none of them once it has ended (outside any kept element, and
// never one at the top of the document), and of text and comments outside
// kept elements. What the parser decides (which element closes which) comes
// from its own stack of open names, not from the tree, so the kept part of
// the tree is the same as in a whole parse. Because text outside kept
// elements is dropped, removing an element never puts two text nodes side
// by side, which libxml2's tree builder would then wrongly merge into.
//
// Parsing runs no script, loads nothing (HTML_PARSE_NONET) and reports
// nothing. libxml2 stops at 256 levels of nesting; a deeper page is read as
// far as the parser got. Every walk over the tree below is iterative.
//
// Elements (all()). Every element in document order. The contents of
// template, iframe, noembed, noframes, textarea, title and xmp are text in a
// browser, not elements, so elements libxml2 builds inside them are left out.
// Tag names are reported in upper case.
//
// Title (title()). The first title element that is not inside svg or math;
// its text (the text of all its descendants, entities decoded) with leading
// and trailing ASCII white space removed and every inner run of ASCII white
// space (tab, LF, FF, CR, space) replaced by one space. No title: empty.
//
// Rendered text (innerText()), close to a browser's innerText:
//  - Not rendered, with everything inside: head, title, script, style,
//    template, noembed, noframes, datalist, rp, param, iframe, textarea,
//    select, video, audio, canvas, meta, link, base, basefont, area, the SVG
//    desc element, any element with a hidden attribute, a dialog without
//    open. An element that is itself not rendered, or inside one, gives the
//    concatenated text of all its descendants instead (textContent).
//  - noscript is rendered: the document runs no script.
//  - Text outside pre: runs of space, tab, LF, FF and CR collapse to one
//    space, also across inline element boundaries; white space at the start
//    and end of a line is dropped.
//  - pre, listing, xmp and plaintext keep their text as written, line breaks
//    included; a line break right after the start tag is dropped.
//  - <br> gives a line break.
//  - Block boundaries (start and end of address, article, aside, blockquote,
//    body, caption, center, dd, details, dialog, dir, div, dl, dt, fieldset,
//    figcaption, figure, footer, form, h1-h6, header, hgroup, hr, html,
//    legend, li, listing, main, menu, nav, ol, plaintext, pre, search,
//    section, summary, table, tr, ul, xmp) ask for one line break between the
//    texts on either side; p asks for two (an empty line). Requests that meet
//    merge into the largest, line breaks already written count toward them,
//    and requests at the very start or end of the text give nothing.
//  - Table cells (td, th) end a line's white space like blocks, and a cell
//    followed by another cell in its row gives a tab after its text.
//  - The line break is LF.

#include "core/pagefacts/html_document.h"

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <array>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <utility>

#include "core/platform/text.h"

namespace crawlspect {

namespace {

constexpr std::size_t kMaxAttributes = 256;
// Stand-in name for a <p> inside a heading while libxml2 parses; renamed back after.
constexpr std::string_view kHeadingParagraph = "crawlspect-heading-p";

std::string_view nameOf(const xmlNode* node) {
  return node->name ? std::string_view(reinterpret_cast<const char*>(node->name)) : std::string_view();
}

bool isElement(const xmlNode* node) { return node && node->type == XML_ELEMENT_NODE; }
bool isText(const xmlNode* node) { return node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE; }

bool sameNoCase(std::string_view a, std::string_view b) { return a.size() == b.size() && findNoCase(a, b) == 0; }

bool nameIn(std::string_view name, std::initializer_list<std::string_view> names) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

bool isHeadingName(std::string_view name) {
  return name.size() == 2 && (name[0] == 'h' || name[0] == 'H') && name[1] >= '1' && name[1] <= '6';
}

bool hasAttribute(const xmlNode* node, const char* name) {
  return xmlHasProp(node, reinterpret_cast<const xmlChar*>(name)) != nullptr;
}

// ---- input cleaning ---------------------------------------------------------

std::string cleanInput(std::string_view pageText) {
  std::string sanitized;
  if (!isValidUtf8(pageText)) {
    sanitized = sanitizeUtf8(pageText);
    pageText = sanitized;
  }
  std::string out;
  out.reserve(pageText.size());
  std::size_t copied = 0;
  for (std::size_t i = 0; i < pageText.size(); ++i) {
    const char c = pageText[i];
    if (c != '\r' && c != '\0') continue;
    out.append(pageText, copied, i - copied);
    if (c == '\r') {
      out += '\n';
      if (i + 1 < pageText.size() && pageText[i + 1] == '\n') ++i;
    }
    copied = i + 1;
  }
  out.append(pageText, copied);
  return out;
}

// libxml2's own character classes for tag and attribute names.
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool isNameStart(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c == '.';
}
bool isNameChar(char c) { return isNameStart(c) || (c >= '0' && c <= '9') || c == '-'; }

// Walks the tags the way libxml2 will read them and makes the two repairs
// named at the top of the file. Returns the text unchanged when none applies.
std::string repairMarkup(std::string text) {
  const std::size_t n = text.size();
  std::string out;
  std::size_t copied = 0;
  bool changed = false;
  auto replace = [&](std::size_t from, std::size_t to, std::string_view with) {
    if (!changed) out.reserve(n);
    out.append(text, copied, from - copied);
    out += with;
    copied = to;
    changed = true;
  };
  bool inHeading = false;
  std::size_t i = 0;
  while ((i = text.find('<', i)) != std::string::npos) {
    if (text.compare(i, 4, "<!--") == 0) {
      const std::size_t e = text.find("-->", i + 4);
      if (e == std::string::npos) break;
      i = e + 3;
      continue;
    }
    const bool endTag = i + 1 < n && text[i + 1] == '/';
    const std::size_t nameStart = i + (endTag ? 2 : 1);
    if (nameStart >= n || !isNameStart(text[nameStart])) {
      ++i;
      continue;
    }
    std::size_t p = nameStart;
    while (p < n && isNameChar(text[p])) ++p;
    const std::string name =
        p - nameStart <= 10 ? lowerAscii(std::string_view(text).substr(nameStart, p - nameStart)) : std::string();
    const bool heading = isHeadingName(name);
    if (endTag) {
      if (heading || name == "body" || name == "html")
        inHeading = false;
      else if (name == "p" && inHeading)
        replace(nameStart, p, kHeadingParagraph);
      i = p;
      continue;
    }
    if (heading)
      inHeading = true;
    else if (name == "p" && inHeading)
      replace(nameStart, p, kHeadingParagraph);
    else if (name == "table" || name == "form" || name == "li" || name == "fieldset")
      inHeading = false;  // libxml2 closes the heading at these

    // Attributes, up to the end of the start tag.
    std::size_t count = 0;
    std::size_t cutFrom = std::string::npos;
    std::size_t q = p;
    while (q < n) {
      while (q < n && isBlank(text[q])) ++q;
      if (q >= n || text[q] == '>' || (text[q] == '/' && q + 1 < n && text[q + 1] == '>')) break;
      if (!isNameStart(text[q])) {  // libxml2 skips a bogus attribute up to the next blank
        while (q < n && !isBlank(text[q]) && text[q] != '>' && !(text[q] == '/' && q + 1 < n && text[q + 1] == '>'))
          ++q;
        continue;
      }
      if (++count > kMaxAttributes && cutFrom == std::string::npos) cutFrom = q;
      while (q < n && isNameChar(text[q])) ++q;
      std::size_t r = q;
      while (r < n && isBlank(text[r])) ++r;
      if (r < n && text[r] == '=') {
        ++r;
        while (r < n && isBlank(text[r])) ++r;
        if (r < n && (text[r] == '"' || text[r] == '\'')) {
          const std::size_t close = text.find(text[r], r + 1);
          q = close == std::string::npos ? n : close + 1;
        } else {
          while (r < n && !isBlank(text[r]) && text[r] != '>') ++r;
          q = r;
        }
      }
    }
    if (cutFrom != std::string::npos) replace(cutFrom, q, "");
    i = q;
    // Script and style content is raw text up to its own end tag.
    if (name == "script" || name == "style") {
      const std::size_t e = findNoCase(text, "</" + name, i);
      if (e == std::string::npos) break;
      i = e;
    }
  }
  if (!changed) return text;
  out.append(text, copied);
  return out;
}

// ---- named references ----------------------------------------------------------

struct NamedReference {
  std::string_view name;  // with its ";" for the full form
  std::string_view text;
};

constexpr NamedReference kNamedReferences[] = {
#include "core/pagefacts/html5_references.inc"
};

const NamedReference* findReference(std::string_view name) {
  const auto* end = std::end(kNamedReferences);
  const auto* it = std::lower_bound(std::begin(kNamedReferences), end, name,
                                    [](const NamedReference& r, std::string_view n) { return r.name < n; });
  return it != end && it->name == name ? it : nullptr;
}

bool isAlnum(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

void appendNumericReferences(std::string& out, std::string_view utf8) {
  // The table's texts are well-formed UTF-8 of one or two characters.
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t cp = length == 1 ? lead : lead & (0xFF >> (length + 1));
    for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k)
      cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    out += "&#x";
    std::string digits;
    do {
      digits.insert(digits.begin(), kHex[cp & 0xF]);
      cp >>= 4;
    } while (cp);
    out += digits;
    out += ';';
    i += length;
  }
}

// The reference starting at text[at] ("&" then a name) written as numeric
// references into out; returns the bytes it took, 0 when it is none.
std::size_t expandReference(std::string_view text, std::size_t at, bool inAttribute, std::string& out) {
  std::size_t end = at + 1;
  while (end < text.size() && isAlnum(text[end]) && end - at <= 32) ++end;
  const std::string_view name = text.substr(at + 1, end - at - 1);
  if (name.empty()) return 0;
  if (end < text.size() && text[end] == ';') {
    if (const NamedReference* full = findReference(text.substr(at + 1, end - at))) {
      appendNumericReferences(out, full->text);
      return end - at + 1;
    }
  }
  // The longest legacy name the text starts with.
  for (std::size_t length = name.size(); length > 0; --length) {
    const NamedReference* legacy = findReference(name.substr(0, length));
    if (!legacy) continue;
    const std::size_t after = at + 1 + length;
    if (inAttribute && after < text.size() && (isAlnum(text[after]) || text[after] == '=')) return 0;
    appendNumericReferences(out, legacy->text);
    return length + 1;
  }
  return 0;
}

// Named references as numeric ones; see the top of the file.
std::string expandNamedReferences(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  const std::size_t n = text.size();
  std::size_t i = 0;
  char quote = 0;             // inside a quoted attribute value
  bool inTag = false;         // between "<name" and ">"
  std::string_view rawUntil;  // "</script" or "</style" after such a start tag
  while (i < n) {
    const char c = text[i];
    if (!inTag && c == '<') {
      if (text.compare(i, 4, "<!--") == 0) {
        const std::size_t e = text.find("-->", i + 4);
        const std::size_t stop = e == std::string::npos ? n : e + 3;
        out.append(text, i, stop - i);
        i = stop;
        continue;
      }
      const std::size_t nameAt = i + 1;
      if (nameAt < n && isNameStart(text[nameAt])) {
        inTag = true;
        std::size_t p = nameAt;
        while (p < n && isNameChar(text[p])) ++p;
        const std::string name =
            lowerAscii(std::string_view(text).substr(nameAt, std::min<std::size_t>(p - nameAt, 7)));
        rawUntil = p - nameAt == 6 && name == "script"  ? "</script"
                   : p - nameAt == 5 && name == "style" ? "</style"
                                                        : "";
      }
      out += c;
      ++i;
      continue;
    }
    if (inTag) {
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '>') {
        inTag = false;
        if (!rawUntil.empty()) {
          const std::size_t e = findNoCase(text, rawUntil, i + 1);
          const std::size_t stop = e == std::string::npos ? n : e;
          out.append(text, i, stop - i);
          i = stop;
          rawUntil = {};
          continue;
        }
      }
    }
    if (c == '&') {
      if (const std::size_t taken = expandReference(text, i, inTag, out)) {
        i += taken;
        continue;
      }
    }
    out += c;
    ++i;
  }
  return out;
}

// ---- tree repairs -------------------------------------------------------------

// Moves a heading and the siblings after it out of its parent heading, right
// behind that parent. Document order stays as it was.
void hoistHeading(xmlNode* heading) {
  xmlNode* after = heading->parent;
  for (xmlNode* cur = heading; cur;) {
    xmlNode* next = cur->next;
    xmlUnlinkNode(cur);
    after = xmlAddNextSibling(after, cur);  // may merge text into a neighbour and free cur
    cur = next;
  }
}

void repairTree(xmlDoc* doc) {
  xmlNode* root = reinterpret_cast<xmlNode*>(doc);
  xmlNode* n = doc->children;
  while (n) {
    if (isElement(n)) {
      if (nameOf(n) == kHeadingParagraph) xmlNodeSetName(n, reinterpret_cast<const xmlChar*>("p"));
      if (isHeadingName(nameOf(n)) && isElement(n->parent) && isHeadingName(nameOf(n->parent))) hoistHeading(n);
      if (n->children) {
        n = n->children;
        continue;
      }
    }
    while (n != root && !n->next) n = n->parent;
    n = n == root ? nullptr : n->next;
  }
}

// ---- rendering ----------------------------------------------------------------

// Elements whose content a browser holds as text (or as a separate fragment).
bool holdsNoElements(std::string_view name) {
  return nameIn(name, {"template", "iframe", "noembed", "noframes", "textarea", "title", "xmp"});
}

bool isRendered(const xmlNode* el) {
  const std::string_view name = nameOf(el);
  if (nameIn(name, {"head", "title", "script", "style",    "template", "noembed", "noframes", "datalist",
                    "rp",   "param", "iframe", "textarea", "select",   "video",   "audio",    "canvas",
                    "meta", "link",  "base",   "basefont", "area",     "desc"}))
    return false;
  if (hasAttribute(el, "hidden")) return false;
  if (name == "dialog" && !hasAttribute(el, "open")) return false;
  return true;
}

int lineBreaksAround(std::string_view name) {
  if (name == "p") return 2;
  if (isHeadingName(name)) return 1;
  return nameIn(name, {"address", "article", "aside",   "blockquote", "body",   "caption", "center",    "dd",
                       "details", "dialog",  "dir",     "div",        "dl",     "dt",      "fieldset",  "figcaption",
                       "figure",  "footer",  "form",    "header",     "hgroup", "hr",      "html",      "legend",
                       "li",      "listing", "main",    "menu",       "nav",    "ol",      "plaintext", "pre",
                       "search",  "section", "summary", "table",      "tr",     "ul",      "xmp"})
             ? 1
             : -1;
}

bool isCell(const xmlNode* n) { return isElement(n) && (nameOf(n) == "td" || nameOf(n) == "th"); }

// Blocks, cells and line breaks stand between words even without white space.
bool separatesWords(const xmlNode* n) { return lineBreaksAround(nameOf(n)) >= 0 || isCell(n) || nameOf(n) == "br"; }
bool keepsWhiteSpace(std::string_view name) { return nameIn(name, {"pre", "listing", "xmp", "plaintext"}); }

class TextRenderer {
 public:
  void open(const xmlNode* el) {
    const std::string_view name = nameOf(el);
    if (name == "br") {
      lineBreak();
      return;
    }
    if (keepsWhiteSpace(name)) ++m_keep;
    if (const int breaks = lineBreaksAround(name); breaks >= 0)
      boundary(breaks);
    else if (isCell(el))
      boundary(0);
  }

  void close(const xmlNode* el) {
    const std::string_view name = nameOf(el);
    if (keepsWhiteSpace(name)) --m_keep;
    if (const int breaks = lineBreaksAround(name); breaks >= 0) {
      boundary(breaks);
    } else if (isCell(el)) {
      boundary(0);
      const xmlNode* next = el->next;
      while (next && !isElement(next)) next = next->next;
      if (isCell(next)) content("\t");
    }
  }

  void text(const xmlNode* node) {
    if (!node->content) return;
    std::string_view s(reinterpret_cast<const char*>(node->content));
    if (m_keep > 0) {
      const xmlNode* parent = node->parent;
      if (!s.empty() && s[0] == '\n' && parent && parent->children == node && keepsWhiteSpace(nameOf(parent)))
        s.remove_prefix(1);
      std::size_t start = 0;
      for (std::size_t i = 0; i <= s.size(); ++i) {
        if (i < s.size() && s[i] != '\n') continue;
        if (i > start) content(s.substr(start, i - start));
        if (i < s.size()) lineBreak();
        start = i + 1;
      }
      return;
    }
    std::size_t i = 0;
    while (i < s.size()) {
      if (isCollapsible(s[i])) {
        if (!m_lineStart) m_pendingSpace = true;
        ++i;
        continue;
      }
      std::size_t j = i;
      while (j < s.size() && !isCollapsible(s[j])) ++j;
      content(s.substr(i, j - i));
      i = j;
    }
  }

  std::string take() { return std::move(m_out); }

 private:
  static bool isCollapsible(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }

  void boundary(int breaks) {
    m_pendingSpace = false;
    m_lineStart = true;
    m_pendingBreaks = std::max(m_pendingBreaks, breaks);
  }

  void flushBreaks() {
    if (m_pendingBreaks > 0 && !m_out.empty()) {
      for (int i = m_trailingBreaks; i < m_pendingBreaks; ++i) m_out += '\n';
      m_trailingBreaks = std::max(m_trailingBreaks, m_pendingBreaks);
    }
    m_pendingBreaks = 0;
  }

  void lineBreak() {
    flushBreaks();
    m_out += '\n';
    ++m_trailingBreaks;
    m_pendingSpace = false;
    m_lineStart = true;
  }

  void content(std::string_view s) {
    flushBreaks();
    if (m_pendingSpace) m_out += ' ';
    m_out += s;
    m_pendingSpace = false;
    m_lineStart = false;
    m_trailingBreaks = 0;
  }

  std::string m_out;
  int m_pendingBreaks = 0;
  int m_trailingBreaks = 0;
  bool m_pendingSpace = false;
  bool m_lineStart = true;
  int m_keep = 0;
};

// Calls visit for every node below top in document order; visit returns false
// to skip the node's descendants. leave is called after the descendants of
// every element that visit let in.
template <typename Visit, typename Leave>
void walkBelow(const xmlNode* top, Visit visit, Leave leave) {
  const xmlNode* n = top->children;
  while (n) {
    const bool entered = visit(n);
    if (entered && n->children) {
      n = n->children;
      continue;
    }
    if (entered && isElement(n)) leave(n);
    while (n != top && !n->next) {
      n = n->parent;
      if (n != top) leave(n);
    }
    n = n == top ? nullptr : n->next;
  }
}

std::string descendantText(const xmlNode* top) {
  std::string out;
  walkBelow(
      top,
      [&](const xmlNode* n) {
        if (isText(n) && n->content) out += reinterpret_cast<const char*>(n->content);
        return true;
      },
      [](const xmlNode*) {});
  return out;
}

std::once_flag libxmlReady;

}  // namespace

std::string HtmlElement::tagName() const {
  std::string name(nameOf(m_node));
  for (char& c : name)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return name;
}

bool HtmlElement::hasTagName(std::string_view name) const { return sameNoCase(nameOf(m_node), name); }

std::optional<std::string> HtmlElement::attribute(std::string_view name) const {
  for (const xmlAttr* a = m_node->properties; a; a = a->next) {
    if (!a->name || !sameNoCase(reinterpret_cast<const char*>(a->name), name)) continue;
    std::string value;
    for (const xmlNode* c = a->children; c; c = c->next)
      if (c->content) value += reinterpret_cast<const char*>(c->content);
    return value;
  }
  return std::nullopt;
}

std::string HtmlElement::innerText() const {
  for (const xmlNode* a = m_node; isElement(a); a = a->parent)
    if (!isRendered(a)) return descendantText(m_node);
  TextRenderer r;
  r.open(m_node);
  walkBelow(
      m_node,
      [&](const xmlNode* n) {
        if (isText(n)) {
          r.text(n);
          return false;
        }
        if (!isElement(n) || !isRendered(n)) return false;
        r.open(n);
        return true;
      },
      [&](const xmlNode* n) { r.close(n); });
  r.close(m_node);
  return r.take();
}

namespace {

// The state of a parse that keeps only some elements; the parser context's
// _private points at it.
struct KeptParse {
  std::span<const std::string_view> names;
  const HandedElements* handed = nullptr;
  int openKept = 0;         // kept elements open at this point of the parse
  int openHanded = 0;       // of them, those to be handed
  xmlSAXHandler builder{};  // libxml2's own tree builder, which does the work

  static KeptParse& of(void* ctx) { return *static_cast<KeptParse*>(static_cast<htmlParserCtxtPtr>(ctx)->_private); }
  static bool among(std::span<const std::string_view> list, const xmlChar* name) {
    const std::string_view n = name ? reinterpret_cast<const char*>(name) : "";
    return std::find(list.begin(), list.end(), n) != list.end();
  }
  bool keeps(const xmlChar* name) const { return among(names, name); }
  bool hands(const xmlChar* name) const { return handed && among(handed->names, name); }
};

// Marks a node as handed over (its _private is ours).
char handedMark;

// What all() lists of top and below it: top itself when it is an element,
// then its elements in document order, none inside an element that holds text only.
std::vector<HtmlElement> elementsFrom(const xmlNode* top) {
  std::vector<HtmlElement> elements;
  if (isElement(top)) elements.emplace_back(top);
  if (isElement(top) && holdsNoElements(nameOf(top))) return elements;
  walkBelow(
      top,
      [&](const xmlNode* n) {
        if (!isElement(n)) return false;
        elements.emplace_back(n);
        return !holdsNoElements(nameOf(n));
      },
      [](const xmlNode*) {});
  return elements;
}

bool insideTextOnlyElement(const xmlNode* node) {
  for (const xmlNode* a = node->parent; isElement(a); a = a->parent)
    if (holdsNoElements(nameOf(a))) return true;
  return false;
}

// Hands the elements to be handed from top on that are not handed yet.
void handOver(const HandedElements& handed, xmlNode* top) {
  std::vector<HtmlElement> chosen;
  for (const HtmlElement& el : elementsFrom(top)) {
    auto* node = const_cast<xmlNode*>(el.node());
    // Named back now rather than after the parse: the reader sees the page's own p.
    if (nameOf(node) == kHeadingParagraph) xmlNodeSetName(node, reinterpret_cast<const xmlChar*>("p"));
    if (node->_private == &handedMark || !KeptParse::among(handed.names, node->name)) continue;
    node->_private = &handedMark;
    chosen.push_back(el);
  }
  if (!chosen.empty()) handed.take(chosen);
}

void keptStart(void* ctx, const xmlChar* name, const xmlChar** attributes) {
  KeptParse& parse = KeptParse::of(ctx);
  parse.builder.startElement(ctx, name, attributes);
  if (parse.keeps(name)) ++parse.openKept;
  if (parse.hands(name)) ++parse.openHanded;
}

void keptEnd(void* ctx, const xmlChar* name) {
  auto* ctxt = static_cast<htmlParserCtxtPtr>(ctx);
  KeptParse& parse = KeptParse::of(ctx);
  xmlNode* ended = ctxt->node;
  parse.builder.endElement(ctx, name);
  const bool closed = isElement(ended) && ctxt->node != ended && ended->parent == ctxt->node;
  if (parse.hands(name)) {
    if (parse.keeps(name)) --parse.openKept;
    if (--parse.openHanded > 0 || !closed) return;
    if (!insideTextOnlyElement(ended)) handOver(*parse.handed, ended);
    // Let go unless other readers need it: it is inside one of their
    // elements, or holds one (a heading inside a link).
    bool needed = parse.openKept > 0 || !isElement(ended->parent);
    walkBelow(
        ended,
        [&](const xmlNode* n) {
          needed = needed || (isElement(n) && parse.keeps(n->name) && !parse.hands(n->name));
          return !needed && isElement(n);
        },
        [](const xmlNode*) {});
    if (!needed) {
      xmlUnlinkNode(ended);
      xmlFreeNode(ended);
    }
    return;
  }
  if (parse.keeps(name)) {
    --parse.openKept;
    return;
  }
  // Only an element the builder has just closed, below another element, with
  // no element left inside it (a kept one, or one around a kept one).
  if (parse.openKept > 0 || !closed || !isElement(ended->parent)) return;
  for (const xmlNode* child = ended->children; child; child = child->next)
    if (isElement(child)) return;
  xmlUnlinkNode(ended);
  xmlFreeNode(ended);
}

void keptCharacters(void* ctx, const xmlChar* text, int length) {
  KeptParse& parse = KeptParse::of(ctx);
  if (parse.openKept > 0) parse.builder.characters(ctx, text, length);
}

void keptCdata(void* ctx, const xmlChar* text, int length) {
  KeptParse& parse = KeptParse::of(ctx);
  if (parse.openKept > 0) parse.builder.cdataBlock(ctx, text, length);
}

void keptComment(void* ctx, const xmlChar* text) {
  KeptParse& parse = KeptParse::of(ctx);
  if (parse.openKept > 0) parse.builder.comment(ctx, text);
}

struct ParserContextFree {
  void operator()(htmlParserCtxtPtr ctxt) const { htmlFreeParserCtxt(ctxt); }
};

}  // namespace

HtmlDocument::HtmlDocument(std::string_view pageText, NamedReferences references,
                           std::span<const std::string_view> keptNames, const HandedElements* handed) {
  if (pageText.empty()) return;
  std::call_once(libxmlReady, [] { xmlInitParser(); });
  std::string cleaned = cleanInput(pageText);
  if (references == NamedReferences::Html5) cleaned = expandNamedReferences(cleaned);
  const std::string input = repairMarkup(std::move(cleaned));
  if (input.empty()) return;
  // The parser takes an int length; a page beyond that is read up to it.
  const int length = static_cast<int>(std::min<std::size_t>(input.size(), 0x7FFFFFFF));
  constexpr int kOptions = HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET |
                           HTML_PARSE_NODEFDTD | HTML_PARSE_COMPACT;
  if (keptNames.empty()) {
    m_doc = htmlReadMemory(input.data(), length, nullptr, "UTF-8", kOptions);
  } else {
    std::unique_ptr<htmlParserCtxt, ParserContextFree> ctxt(htmlNewParserCtxt());
    if (!ctxt || !ctxt->sax) throw PageReadError("The page could not be parsed");
    KeptParse parse;
    parse.names = keptNames;
    parse.handed = handed;
    parse.builder = *ctxt->sax;
    ctxt->_private = &parse;
    ctxt->sax->startElement = keptStart;
    ctxt->sax->endElement = keptEnd;
    ctxt->sax->characters = keptCharacters;
    if (ctxt->sax->cdataBlock) ctxt->sax->cdataBlock = keptCdata;
    if (ctxt->sax->comment) ctxt->sax->comment = keptComment;
    m_doc = htmlCtxtReadMemory(ctxt.get(), input.data(), length, nullptr, "UTF-8", kOptions);
    // Those the parser never ended (it stops at its depth limit) come after
    // every one handed so far, which all ended before them.
    if (m_doc && handed) handOver(*handed, reinterpret_cast<xmlNode*>(m_doc));
  }
  if (!m_doc) throw PageReadError("The page could not be parsed");
  repairTree(m_doc);
}

std::string HtmlElement::shownText(std::size_t maxBytes) const {
  std::string text;
  bool blank = false;
  bool full = false;
  auto append = [&](std::string_view s) {
    for (const char c : s) {
      if (c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r') {
        blank = !text.empty();
        continue;
      }
      if (text.size() + (blank ? 1 : 0) >= maxBytes) {
        full = true;
        return;
      }
      if (blank) text += ' ';
      blank = false;
      text += c;
    }
  };
  walkBelow(
      m_node,
      [&](const xmlNode* n) {
        if (full) return false;
        if (isText(n)) {
          if (n->content) append(reinterpret_cast<const char*>(n->content));
          return false;
        }
        if (!isElement(n) || !isRendered(n)) return false;
        if (separatesWords(n)) blank = !text.empty();
        return true;
      },
      [&](const xmlNode* n) {
        if (separatesWords(n)) blank = !text.empty();
      });
  // A character cut in the middle goes as a whole.
  if (full) {
    std::size_t end = text.size();
    while (end > 0 && (static_cast<unsigned char>(text[end - 1]) & 0xC0) == 0x80) --end;
    if (end > 0 && static_cast<unsigned char>(text[end - 1]) >= 0xC0) {
      const auto lead = static_cast<unsigned char>(text[end - 1]);
      const std::size_t length = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
      if (text.size() - (end - 1) < length) text.resize(end - 1);
    }
  }
  return text;
}

HtmlDocument::~HtmlDocument() {
  if (m_doc) xmlFreeDoc(m_doc);
}

std::vector<HtmlElement> HtmlDocument::all() const {
  if (!m_doc) return {};
  return elementsFrom(reinterpret_cast<const xmlNode*>(m_doc));
}

std::string HtmlDocument::title() const {
  if (!m_doc) return {};
  const xmlNode* title = nullptr;
  walkBelow(
      reinterpret_cast<const xmlNode*>(m_doc),
      [&](const xmlNode* n) {
        if (title || !isElement(n)) return false;
        const std::string_view name = nameOf(n);
        if (name == "title") title = n;
        // A title inside svg or math belongs to that language, not to the page.
        return !holdsNoElements(name) && name != "svg" && name != "math";
      },
      [](const xmlNode*) {});
  if (!title) return {};
  return collapseWhitespace(descendantText(title));
}

}  // namespace crawlspect
