#pragma once
// The program's version block. Linux executables carry no version resource, so
// the fields are fixed when the program is built (the numbers come from the
// project version in CMakeLists.txt).
#include <string>

namespace crawlspect {

struct VersionInfo {
  std::string companyName;
  std::string fileDescription;
  std::string fileVersion;
  std::string internalName;
  std::string legalCopyright;
  std::string legalTrademarks;
  std::string originalFileName;
  std::string productName;
  std::string productVersion;
  std::string comments;
  std::string privateBuild;
  std::string specialBuild;
};

// The numeric file version; major and minor make the short version.
struct FileVersionNumber {
  int major = 0;
  int minor = 0;
  int release = 0;
  int build = 0;
};

VersionInfo readVersionInfo();
FileVersionNumber fileVersionNumber();

}  // namespace crawlspect
