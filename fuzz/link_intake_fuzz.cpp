// Any page text through both link rule sets: the anchor-tag scan or the
// parsed page, and the intake of every link.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/crawl/link_intake.h"

namespace {
class CountingSink : public crawlspect::LinkSink {
 public:
  void addInternalUrl(const std::string& url) override { bytes += url.size(); }
  void storeLink(const std::string& link, const std::string& source, const std::string& follow,
                 const std::string& anchor, const std::string& type) override {
    bytes += link.size() + source.size() + follow.size() + anchor.size() + type.size();
  }
  std::size_t bytes = 0;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CountingSink sink;
  crawlspect::IntakeSettings settings;
  settings.ignoreExtensions = "css js pdf";
  settings.ignoreUrls = {"http://site.example/private"};
  for (const bool removeAnchors : {true, false}) {
    settings.removeAnchors = removeAnchors;
    settings.rules = removeAnchors ? crawlspect::LinkRules::Classic : crawlspect::LinkRules::Standard;
    settings.scope = removeAnchors ? crawlspect::CrawlScope::Domain : crawlspect::CrawlScope::Subdomain;
    crawlspect::LinkIntake intake(
        settings, [] { return std::string("http://site.example/"); }, sink);
    intake.scanLinks("http://site.example/dir/page.html", text);
    intake.scanLinks("https://site.example", text);
    // The same bytes as one link, as found on a page and as a start URL.
    intake.takeInLink(text, "http://site.example/a/b/c", "dofollow", text);
    intake.takeInLink(text, "", "", "");
  }
  return 0;
}
