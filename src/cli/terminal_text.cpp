#include "cli/terminal_text.h"

namespace crawlspect::cli {

namespace {

void appendEscape(std::string& out, unsigned char code) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += "\\x";
  out += kHex[code >> 4];
  out += kHex[code & 15];
}

}  // namespace

std::string terminalSafe(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if ((c < 0x20 && c != '\t') || c == 0x7F) {
      appendEscape(out, c);
    } else if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      appendEscape(out, static_cast<unsigned char>(text[i + 1]));  // a C1 control in UTF-8
      ++i;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace crawlspect::cli
