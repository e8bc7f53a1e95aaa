#pragma once
// settings.ini: an INI file whose section and key names match without regard
// to case. Every write reads the file afresh, changes one key and replaces the
// file at once (a new file renamed over it, so readers never see half of it),
// so keys written meanwhile by another copy of the program and any keys we do
// not know survive. A value that is already stored is not written again.
#include <optional>
#include <string>
#include <string_view>

namespace crawlspect {

class SettingsFile {
 public:
  static constexpr const char* kSection = "Settings";

  explicit SettingsFile(std::string path) : m_path(std::move(path)) {}
  const std::string& path() const { return m_path; }

  // The stored text, or nothing when the file, the section or the key is absent
  // (or the file cannot be read).
  std::optional<std::string> value(std::string_view key, std::string_view section = kSection) const;
  bool hasKey(std::string_view key, std::string_view section = kSection) const {
    return value(key, section).has_value();
  }
  std::string readString(std::string_view key, std::string_view fallback, std::string_view section = kSection) const;
  // See readIniInteger.
  int readInteger(std::string_view key, int fallback, std::string_view section = kSection) const;

  // False when the file could not be written (nothing else is reported here);
  // a file that is read-only for us stays unwritten.
  // Line breaks cannot live in an INI value: they are written as blanks; use
  // encodeMultiLine for text that must keep its lines.
  bool writeString(std::string_view key, std::string_view value, std::string_view section = kSection);
  bool writeInteger(std::string_view key, int value, std::string_view section = kSection);

 private:
  std::string m_path;
};

// An integer value as the settings file reads it: longer than two characters
// and beginning with "0x" or "0X" is hexadecimal, anything else decimal; text
// that is no 32-bit integer gives the fallback.
int readIniInteger(std::string_view text, int fallback);

// How a multi-line text is kept in one value: a backslash is written "\\", each
// line break (CR LF, lone CR or lone LF) "\n", and a blank or control character
// at either end of the value "\xHH", so that the reader's trimming cannot eat
// it. Decoding gives every line break back as CR LF; a backslash that starts no
// known escape stays as it is.
std::string encodeMultiLine(std::string_view text);
std::string decodeMultiLine(std::string_view stored);

}  // namespace crawlspect
