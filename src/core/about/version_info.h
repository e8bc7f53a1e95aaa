#pragma once
// The program's version block. Linux executables carry no version resource, so
// the fields are fixed when the program is built (the numbers come from the
// project version in CMakeLists.txt).
#include <string>

namespace crawlspect {

struct TEXEVersionData {
  std::string CompanyName;
  std::string FileDescription;
  std::string FileVersion;
  std::string InternalName;
  std::string LegalCopyright;
  std::string LegalTrademarks;
  std::string OriginalFileName;
  std::string ProductName;
  std::string ProductVersion;
  std::string Comments;
  std::string PrivateBuild;
  std::string SpecialBuild;
};

// The numeric file version; major and minor make the short version.
struct FileVersionNumber {
  int major = 0;
  int minor = 0;
  int release = 0;
  int build = 0;
};

TEXEVersionData ReadVersionData();
FileVersionNumber fileVersionNumber();

}  // namespace crawlspect
