#pragma once
// The user's regional notation. On Linux the decimal separator comes from the
// LC_NUMERIC locale of the environment (LC_ALL, LC_NUMERIC, LANG); there is no
// separate list separator, so it is ";" where the decimal separator is a comma
// and "," otherwise, as spreadsheet programs expect.
#include <string>

namespace crawlspect {

struct RegionalSettings {
  char decimalSeparator = '.';
  char listSeparator = ',';

  static RegionalSettings fromEnvironment();
  static RegionalSettings withDecimal(char decimal) { return {decimal, decimal == ',' ? ';' : ','}; }
};

// Seconds with exactly one decimal, rounded, in the regional notation ("0.4", "12,0").
std::string formatLoadTime(double seconds, const RegionalSettings& regional);
// Reads such a text back; false when it is not a number in that notation.
bool parseRegionalDecimal(const std::string& text, const RegionalSettings& regional, double& out);

}  // namespace crawlspect
