#include "core/analysis/text_version.h"

#include <arpa/inet.h>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/platform/text.h"

namespace crawlspect {

std::string html2txtQueryValue(std::string_view url) {
  static const char* kHex = "0123456789ABCDEF";
  std::string out;
  out.reserve(url.size() * 3 / 2);
  for (const char ch : url) {
    const auto c = static_cast<unsigned char>(ch);
    const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (alnum || std::string_view("@!$'()*-._").find(ch) != std::string_view::npos) {
      out += ch;
    } else if (c == ' ') {
      out += '+';
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string html2txtAddress(const std::string& host, std::string_view url) {
  return "https://" + host + "/services/html2txt?url=" + html2txtQueryValue(url);
}

namespace {

constexpr const char* kNotHttp = "No text version: the service reads only http and https addresses.";
constexpr const char* kMalformed = "No text version: the page's address is not a plain web address.";
constexpr const char* kOutOfReach =
    "No text version: the page is on this machine or a private network, where the service cannot reach it.";

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string percentDecoded(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hexDigit(text[i + 1]) >= 0 && hexDigit(text[i + 2]) >= 0) {
      out += static_cast<char>(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

bool allOf(std::string_view text, bool (*test)(char)) {
  for (const char c : text)
    if (!test(c)) return false;
  return true;
}
bool isDecimal(char c) { return c >= '0' && c <= '9'; }
bool isHex(char c) { return hexDigit(c) >= 0; }

// One part of a dotted number: decimal, 0x hexadecimal or 0-led octal.
std::optional<std::uint64_t> numberPart(std::string_view part) {
  int base = 10;
  if (part.size() >= 2 && part[0] == '0' && (part[1] == 'x' || part[1] == 'X')) {
    base = 16;
    part.remove_prefix(2);
  } else if (part.size() >= 2 && part[0] == '0') {
    base = 8;
    part.remove_prefix(1);
  }
  std::uint64_t value = 0;
  for (const char c : part) {
    const int d = hexDigit(c);
    if (d < 0 || d >= base) return std::nullopt;
    value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
    if (value > 0xFFFFFFFFull) return std::nullopt;
  }
  return value;
}

// A host whose last label is a number is an IPv4 address in one of the short
// forms browsers read: 1 to 4 parts, the last one filling the bytes left.
// Nothing when it is not a valid one.
std::optional<std::uint32_t> ipv4Number(const std::vector<std::string_view>& parts) {
  if (parts.empty() || parts.size() > 4) return std::nullopt;
  std::uint64_t address = 0;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (parts[i].empty()) return std::nullopt;
    const auto value = numberPart(parts[i]);
    if (!value) return std::nullopt;
    const bool last = i + 1 == parts.size();
    const unsigned bytesLeft = static_cast<unsigned>(4 - i);
    if (!last && *value > 255) return std::nullopt;
    if (last && bytesLeft < 4 && *value >= (1ull << (8 * bytesLeft))) return std::nullopt;
    address += last ? *value : *value << (8 * (3 - i));
  }
  return static_cast<std::uint32_t>(address);
}

HostReach ipv4Reach(std::uint32_t a) {
  const auto in = [a](std::uint32_t net, int bits) { return (a >> (32 - bits)) == (net >> (32 - bits)); };
  if (in(0x7F000000u, 8) || in(0x00000000u, 8)) return HostReach::ThisMachine;
  if (in(0x0A000000u, 8) || in(0x64400000u, 10) || in(0xA9FE0000u, 16) || in(0xAC100000u, 12) || in(0xC0A80000u, 16))
    return HostReach::LocalNetwork;
  return HostReach::Internet;
}

HostReach ipv6Reach(std::string_view literal) {
  // A zone ("%25eth0") only ever names an interface of this machine.
  const std::string text(literal.substr(0, literal.find('%')));
  std::array<unsigned char, 16> b{};
  if (inet_pton(AF_INET6, text.c_str(), b.data()) != 1) return HostReach::ThisMachine;
  const auto v4 = [&b] {
    return static_cast<std::uint32_t>(b[12]) << 24 | static_cast<std::uint32_t>(b[13]) << 16 |
           static_cast<std::uint32_t>(b[14]) << 8 | b[15];
  };
  bool zeros = true;
  for (int i = 0; i < 10; ++i) zeros = zeros && b[i] == 0;
  // ::a.b.c.d and ::ffff:a.b.c.d carry an IPv4 address (:: and ::1 among them).
  if (zeros && ((b[10] == 0 && b[11] == 0) || (b[10] == 0xFF && b[11] == 0xFF))) return ipv4Reach(v4());
  if ((b[0] & 0xFE) == 0xFC) return HostReach::LocalNetwork;  // fc00::/7
  if (b[0] == 0xFE && ((b[1] & 0xC0) == 0x80 || (b[1] & 0xC0) == 0xC0))
    return HostReach::LocalNetwork;  // fe80::/10, fec0::/10
  return HostReach::Internet;
}

// "host[:port]" or "[v6]:port" -> the host as written.
std::string_view hostOf(std::string_view hostPort) {
  if (startsWith(hostPort, "[")) {
    const std::size_t close = hostPort.find(']');
    return close == std::string_view::npos ? hostPort : hostPort.substr(0, close + 1);
  }
  return hostPort.substr(0, hostPort.find(':'));
}

}  // namespace

HostReach hostReach(std::string_view host) {
  if (startsWith(host, "[")) {
    host.remove_prefix(1);
    if (endsWith(host, "]")) host.remove_suffix(1);
    return ipv6Reach(host);
  }
  std::string name = lowerAscii(percentDecoded(host));
  if (!name.empty() && name.back() == '.') name.pop_back();
  if (name.empty()) return HostReach::ThisMachine;
  if (name.find(':') != std::string::npos) return ipv6Reach(name);

  std::vector<std::string_view> labels;
  for (std::size_t from = 0;;) {
    const std::size_t dot = name.find('.', from);
    labels.push_back(std::string_view(name).substr(from, dot == std::string::npos ? std::string::npos : dot - from));
    if (dot == std::string::npos) break;
    from = dot + 1;
  }
  const std::string_view last = labels.back();
  const bool endsInNumber =
      (!last.empty() && allOf(last, isDecimal)) || (startsWith(last, "0x") && allOf(last.substr(2), isHex));
  if (endsInNumber) {
    const auto address = ipv4Number(labels);
    // Not a valid address: no browser would go there, and neither should the page's address.
    return address ? ipv4Reach(*address) : HostReach::ThisMachine;
  }
  if (name == "localhost" || endsWith(name, ".localhost")) return HostReach::ThisMachine;
  if (labels.size() == 1) return HostReach::LocalNetwork;  // an intranet name, found through the local resolver
  for (const char* suffix : {".local", ".internal", ".home.arpa", ".localdomain"})
    if (endsWith(name, suffix)) return HostReach::LocalNetwork;
  return HostReach::Internet;
}

TextVersionRequest textVersionRequest(const TextVersionService& service, std::string_view pageUrl) {
  // Tabs and line breaks anywhere and blanks at either end are no part of an
  // address to a browser, so they are none to this judgement either.
  std::string url;
  for (const char c : pageUrl)
    if (c != '\t' && c != '\r' && c != '\n') url += c;
  const std::string_view trimmed = [&url] {
    std::string_view v = url;
    while (!v.empty() && static_cast<unsigned char>(v.front()) <= 0x20) v.remove_prefix(1);
    while (!v.empty() && static_cast<unsigned char>(v.back()) <= 0x20) v.remove_suffix(1);
    return v;
  }();

  const std::size_t colon = trimmed.find(':');
  const std::string scheme = lowerAscii(trimmed.substr(0, colon));
  if (colon == std::string_view::npos || (scheme != "http" && scheme != "https")) return {{}, kNotHttp};

  // Readers of addresses disagree about "\\" and a second "@" before the path
  // (one takes them for a path or a user name, another for part of the host),
  // so an address holding either cannot be judged and is not sent.
  if (trimmed.substr(colon + 1, 2) != "//") return {{}, kMalformed};
  const std::size_t from = colon + 3;
  std::size_t end = trimmed.find_first_of("/?#", from);
  if (end == std::string_view::npos) end = trimmed.size();
  std::string_view hostPort = trimmed.substr(from, end - from);
  const std::size_t at = hostPort.rfind('@');
  if (hostPort.find('\\') != std::string_view::npos || hostPort.find('@') != at) return {{}, kMalformed};
  if (at != std::string_view::npos) hostPort.remove_prefix(at + 1);  // user name and password stay here

  const HostReach pageReach = hostReach(hostOf(hostPort));
  if (pageReach < hostReach(hostOf(service.host))) return {{}, kOutOfReach};

  std::string_view rest = trimmed.substr(end);
  rest = rest.substr(0, rest.find('#'));  // the fragment is the browser's own; it may hold a sign-in token
  std::string sent(trimmed.substr(0, from));
  sent += hostPort;
  sent += rest;
  return {html2txtAddress(service.host, sent), {}};
}

std::string noTextVersionAfterFailedFetch(const std::string& fetchError) {
  if (fetchError.empty()) return "No text version: the page gave no text.";
  return "No text version, as the page could not be fetched: " + fetchError;
}

}  // namespace crawlspect
