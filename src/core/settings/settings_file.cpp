#include "core/settings/settings_file.h"

#define SI_NO_CONVERSION
#include <SimpleIni.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/platform/file_replace.h"
#include "core/platform/text.h"

namespace crawlspect {

namespace {

void configure(CSimpleIniA& ini) {
  ini.SetUnicode(true);  // skips a UTF-8 byte-order mark; text passes through as bytes
  ini.SetSpaces(false);  // key=value, as the file has always been written
  ini.SetMultiLine(false);
  ini.SetQuotes(false);
}

enum class LoadResult { Loaded, Missing, Unreadable };

LoadResult load(const std::string& path, CSimpleIniA& ini) {
  configure(ini);
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (status.type() == std::filesystem::file_type::not_found) return LoadResult::Missing;
  if (ec || status.type() != std::filesystem::file_type::regular) return LoadResult::Unreadable;
  std::ifstream in(path, std::ios::binary);
  if (!in) return LoadResult::Unreadable;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) return LoadResult::Unreadable;
  const std::string data = bytes.str();
  return ini.LoadData(data) < 0 ? LoadResult::Unreadable : LoadResult::Loaded;
}

std::string singleLine(std::string_view value) {
  std::string out(value);
  for (char& c : out)
    if (c == '\r' || c == '\n') c = ' ';
  return out;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<std::string> SettingsFile::value(std::string_view key, std::string_view section) const {
  CSimpleIniA ini;
  if (load(m_path, ini) != LoadResult::Loaded) return std::nullopt;
  const char* v = ini.GetValue(std::string(section).c_str(), std::string(key).c_str(), nullptr);
  if (!v) return std::nullopt;
  return std::string(v);
}

std::string SettingsFile::readString(std::string_view key, std::string_view fallback, std::string_view section) const {
  auto v = value(key, section);
  return v ? *v : std::string(fallback);
}

int SettingsFile::readInteger(std::string_view key, int fallback, std::string_view section) const {
  auto v = value(key, section);
  return v ? readIniInteger(*v, fallback) : fallback;
}

bool SettingsFile::writeString(std::string_view key, std::string_view value, std::string_view section) {
  CSimpleIniA ini;
  // A file that exists but cannot be read is not overwritten: its other keys would be lost.
  if (load(m_path, ini) == LoadResult::Unreadable) return false;
  const std::string sectionName(section);
  const std::string keyName(key);
  const std::string text = singleLine(value);
  // Every change handler writes, keystroke by keystroke and at every start:
  // a value that is already stored is not written again.
  const char* stored = ini.GetValue(sectionName.c_str(), keyName.c_str(), nullptr);
  if (stored && text == stored) return true;
  if (ini.SetValue(sectionName.c_str(), keyName.c_str(), text.c_str()) < 0) return false;
  std::string data;
  if (ini.Save(data, false) < 0) return false;
  // Replaced as a whole: another copy of the program reading the file at
  // this moment sees the old file or the new one, never a truncated one.
  return replaceFileContents(m_path, data) == 0;
}

bool SettingsFile::writeInteger(std::string_view key, int value, std::string_view section) {
  return writeString(key, std::to_string(value), section);
}

int readIniInteger(std::string_view text, int fallback) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    const std::string_view digits = text.substr(2);
    if (digits.size() > 8) return fallback;
    std::uint32_t v = 0;
    for (char c : digits) {
      const int d = hexDigit(c);
      if (d < 0) return fallback;
      v = v * 16 + static_cast<std::uint32_t>(d);
    }
    return static_cast<int>(v);  // eight digits wrap into the negative range, as a 32-bit value does
  }
  int v = 0;
  return parseInt32(text, v) ? v : fallback;
}

std::string encodeMultiLine(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\r' || c == '\n') {
      out += "\\n";
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (static_cast<unsigned char>(c) <= 0x20 && (i == 0 || i + 1 == text.size())) {
      static const char* kHex = "0123456789ABCDEF";
      out += "\\x";
      out += kHex[static_cast<unsigned char>(c) >> 4];
      out += kHex[static_cast<unsigned char>(c) & 15];
    } else {
      out += c;
    }
  }
  return out;
}

std::string decodeMultiLine(std::string_view stored) {
  std::string out;
  out.reserve(stored.size() + 8);
  for (std::size_t i = 0; i < stored.size(); ++i) {
    const char c = stored[i];
    if (c != '\\' || i + 1 >= stored.size()) {
      out += c;
      continue;
    }
    const char next = stored[i + 1];
    if (next == '\\') {
      out += '\\';
      ++i;
    } else if (next == 'n') {
      out += "\r\n";
      ++i;
    } else if (next == 'x' && i + 3 < stored.size() && hexDigit(stored[i + 2]) >= 0 && hexDigit(stored[i + 3]) >= 0) {
      out += static_cast<char>(hexDigit(stored[i + 2]) * 16 + hexDigit(stored[i + 3]));
      i += 3;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace crawlspect
