#include "core/platform/regional.h"

#include <langinfo.h>
#include <locale.h>

#include <charconv>
#include <cmath>
#include <cstdio>

namespace crawlspect {

RegionalSettings RegionalSettings::fromEnvironment() {
  char decimal = '.';
  if (locale_t loc = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0))) {
    const char* radix = nl_langinfo_l(RADIXCHAR, loc);
    if (radix && radix[0] && !radix[1]) decimal = radix[0];
    freelocale(loc);
  }
  return withDecimal(decimal);
}

std::string formatLoadTime(double seconds, const RegionalSettings& regional) {
  if (!(seconds >= 0)) seconds = 0;
  // Round half away from zero on tenths, as the "0.0" pattern does.
  const long long tenths = static_cast<long long>(std::floor(seconds * 10.0 + 0.5));
  std::string out = std::to_string(tenths / 10);
  out += regional.decimalSeparator;
  out += static_cast<char>('0' + tenths % 10);
  return out;
}

bool parseRegionalDecimal(const std::string& text, const RegionalSettings& regional, double& out) {
  std::string t = text;
  for (char& c : t) {
    if (c == regional.decimalSeparator)
      c = '.';
    else if (c == '.')
      return false;  // not the regional notation
  }
  if (t.empty()) return false;
  auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), out);
  return ec == std::errc() && ptr == t.data() + t.size();
}

}  // namespace crawlspect
