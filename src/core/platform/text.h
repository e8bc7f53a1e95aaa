#pragma once
// Text helpers shared by every subsystem. Core text is UTF-8 in std::string;
// lengths that the user sees or that rules compare are counted in UTF-16 code
// units, and lower-casing only ever touches A-Z so byte positions stay valid.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace crawlspect {

// Number of UTF-16 code units the UTF-8 text occupies (a character outside the
// Basic Multilingual Plane counts as 2). Invalid bytes count one unit each.
std::size_t utf16Length(std::string_view utf8);

// Copy with the letters A-Z lower-cased and nothing else changed.
std::string lowerAscii(std::string_view text);

// Removes every leading and trailing character whose code is 32 or less.
std::string trimControl(std::string_view text);
// Removes leading and trailing blanks (U+0020) only.
std::string trimBlanks(std::string_view text);

bool startsWith(std::string_view text, std::string_view prefix);
bool endsWith(std::string_view text, std::string_view suffix);
// Case-insensitive (A-Z only) search; returns npos when absent.
std::size_t findNoCase(std::string_view haystack, std::string_view needle, std::size_t from = 0);

// Runs of ASCII white space (space, tab, LF, FF, CR) become one blank; none
// is left at either end. What a search result shows of a title or a link text.
std::string collapseWhitespace(std::string_view text);

// Splits at CR LF, lone CR and lone LF. A break at the very end adds no empty
// line; two breaks in a row give an empty line; the text ends at its first NUL.
std::vector<std::string> splitLines(std::string_view text);

// Every line followed by CR LF, the last one included.
std::string joinLinesCrLf(const std::vector<std::string>& lines);

// Every line break (CR LF, lone CR or lone LF) written as CR LF; nothing else changes.
std::string withCrLfBreaks(std::string_view text);

// Appends the UTF-8 form of a Unicode code point.
void appendUtf8(std::string& out, char32_t cp);

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates,
// nothing above U+10FFFF).
bool isValidUtf8(std::string_view bytes);

// Replaces every ill-formed UTF-8 sequence with U+FFFD.
std::string sanitizeUtf8(std::string_view bytes);

// Integer parsing with the strictness of a 32-bit conversion: optional sign,
// decimal digits, surrounding blanks not allowed. False when out of range.
bool parseInt32(std::string_view text, int& out);

}  // namespace crawlspect
