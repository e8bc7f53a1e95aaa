#include "core/about/version_info.h"

namespace crawlspect {

namespace {
constexpr const char* kCompany = "ZORVANE";
constexpr const char* kProduct = "Crawlspect";
}  // namespace

FileVersionNumber fileVersionNumber() {
  return {CRAWLSPECT_VERSION_MAJOR, CRAWLSPECT_VERSION_MINOR, CRAWLSPECT_VERSION_PATCH, CRAWLSPECT_VERSION_TWEAK};
}

VersionInfo readVersionInfo() {
  const FileVersionNumber v = fileVersionNumber();
  const std::string number = std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.release) +
                             "." + std::to_string(v.build);
  VersionInfo d;
  d.companyName = kCompany;
  d.fileDescription = std::string(kProduct) + " website crawler and SEO audit";
  d.fileVersion = number;
  d.internalName = kProduct;
  d.legalCopyright = std::string("Copyright (C) ") + kCompany;
  d.originalFileName = "crawlspect";
  d.productName = kProduct;
  d.productVersion = number;
  // legalTrademarks, comments, privateBuild and specialBuild stay empty in this build.
  return d;
}

}  // namespace crawlspect
