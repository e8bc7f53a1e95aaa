#include "core/platform/text.h"

#include <charconv>
#include <cstring>
#include <limits>

namespace crawlspect {

namespace {

// Length of the well-formed UTF-8 sequence at p (1 to 4), or 0 when ill-formed.
std::size_t utf8SequenceLength(const unsigned char* p, std::size_t avail) {
  const unsigned char c = p[0];
  if (c < 0x80) return 1;
  auto cont = [&](std::size_t i) { return i < avail && (p[i] & 0xC0) == 0x80; };
  if (c >= 0xC2 && c <= 0xDF) return cont(1) ? 2 : 0;
  if (c >= 0xE0 && c <= 0xEF) {
    if (!cont(1) || !cont(2)) return 0;
    if (c == 0xE0 && p[1] < 0xA0) return 0;   // overlong
    if (c == 0xED && p[1] >= 0xA0) return 0;  // surrogate
    return 3;
  }
  if (c >= 0xF0 && c <= 0xF4) {
    if (!cont(1) || !cont(2) || !cont(3)) return 0;
    if (c == 0xF0 && p[1] < 0x90) return 0;   // overlong
    if (c == 0xF4 && p[1] >= 0x90) return 0;  // above U+10FFFF
    return 4;
  }
  return 0;
}

}  // namespace

std::size_t utf16Length(std::string_view utf8) {
  std::size_t units = 0;
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  std::size_t i = 0;
  while (i < utf8.size()) {
    const std::size_t n = utf8SequenceLength(p + i, utf8.size() - i);
    if (n == 0) {
      ++units;
      ++i;
      continue;
    }
    units += (n == 4) ? 2 : 1;
    i += n;
  }
  return units;
}

std::string lowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string trimControl(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= 0x20) ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= 0x20) --e;
  return std::string(text.substr(b, e - b));
}

std::string trimBlanks(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && text[b] == ' ') ++b;
  while (e > b && text[e - 1] == ' ') --e;
  return std::string(text.substr(b, e - b));
}

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

bool endsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::size_t findNoCase(std::string_view haystack, std::string_view needle, std::size_t from) {
  if (needle.empty()) return from <= haystack.size() ? from : std::string_view::npos;
  auto low = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  auto restMatches = [&](std::size_t i) {
    std::size_t k = 1;
    while (k < needle.size() && low(haystack[i + k]) == low(needle[k])) ++k;
    return k == needle.size();
  };
  if (needle.size() > haystack.size()) return std::string_view::npos;
  const std::size_t last = haystack.size() - needle.size();  // the last possible start
  const char first = low(needle[0]);
  if (first < 'a' || first > 'z') {
    // A first character without a second case ("<a ", "</a>", ">"): memchr finds the candidates.
    for (std::size_t i = from; i <= last;) {
      const void* hit = std::memchr(haystack.data() + i, first, last - i + 1);
      if (!hit) break;
      i = static_cast<std::size_t>(static_cast<const char*>(hit) - haystack.data());
      if (restMatches(i)) return i;
      ++i;
    }
    return std::string_view::npos;
  }
  for (std::size_t i = from; i <= last; ++i)
    if (low(haystack[i]) == first && restMatches(i)) return i;
  return std::string_view::npos;
}

std::vector<std::string> splitLines(std::string_view text) {
  const std::size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      lines.emplace_back(text.substr(start, i - start));
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::string withCrLfBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      out += "\r\n";
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += c;
    }
  }
  return out;
}

std::string joinLinesCrLf(const std::vector<std::string>& lines) {
  std::size_t total = 0;
  for (const auto& l : lines) total += l.size() + 2;
  std::string out;
  out.reserve(total);
  for (const auto& l : lines) {
    out += l;
    out += "\r\n";
  }
  return out;
}

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

bool isValidUtf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (p[i] < 0x80) {
      ++i;
      continue;
    }
    const std::size_t n = utf8SequenceLength(p + i, bytes.size() - i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string sanitizeUtf8(std::string_view bytes) {
  if (isValidUtf8(bytes)) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size());
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const std::size_t n = utf8SequenceLength(p + i, bytes.size() - i);
    if (n == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
    } else {
      out.append(bytes.substr(i, n));
      i += n;
    }
  }
  return out;
}

bool parseInt32(std::string_view text, int& out) {
  std::string_view t = text;
  if (!t.empty() && t[0] == '+') {
    t.remove_prefix(1);
    if (!t.empty() && t[0] == '-') return false;
  }
  if (t.empty()) return false;
  long long v = 0;
  auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (ec != std::errc() || ptr != t.data() + t.size()) return false;
  if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()) return false;
  out = static_cast<int>(v);
  return true;
}

std::string collapseWhitespace(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool blank = false;
  for (const char c : text) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r') {
      blank = !out.empty();
      continue;
    }
    if (blank) out += ' ';
    blank = false;
    out += c;
  }
  return out;
}

}  // namespace crawlspect
