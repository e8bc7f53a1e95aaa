#include "core/about/version_info.h"

namespace crawlspect {

namespace {
constexpr const char* kCompany = "ZORVANE";
constexpr const char* kProduct = "Crawlspect";
}  // namespace

FileVersionNumber fileVersionNumber() {
  return {CRAWLSPECT_VERSION_MAJOR, CRAWLSPECT_VERSION_MINOR, CRAWLSPECT_VERSION_PATCH, CRAWLSPECT_VERSION_TWEAK};
}

TEXEVersionData ReadVersionData() {
  const FileVersionNumber v = fileVersionNumber();
  const std::string number = std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.release) +
                             "." + std::to_string(v.build);
  TEXEVersionData d;
  d.CompanyName = kCompany;
  d.FileDescription = std::string(kProduct) + " website crawler and SEO audit";
  d.FileVersion = number;
  d.InternalName = kProduct;
  d.LegalCopyright = std::string("Copyright (C) ") + kCompany;
  d.OriginalFileName = "crawlspect";
  d.ProductName = kProduct;
  d.ProductVersion = number;
  // LegalTrademarks, Comments, PrivateBuild and SpecialBuild are not part of this build's block.
  return d;
}

}  // namespace crawlspect
