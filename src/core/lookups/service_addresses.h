#pragma once
// Every outside address the program knows, in one place: the base address
// (scheme and host) of each public web tool, and the hosts of the maker's
// services. The maker's site, the feedback host and the text-rendering host can
// be pointed elsewhere from settings.ini (read only, never written).
#include <string>
#include <string_view>

namespace crawlspect {

class SettingsFile;

enum class Service {
  GoogleSearch,
  YahooSearch,
  BingSearch,
  YandexSearch,
  GoogleWebCache,
  GooglePageSpeedInsights,
  GoogleStructuredDataTestingTool,
  GoogleMobileFriendlyTest,
  GoogleRichResultsTest,
  WaybackMachine,
  VirusTotal,
  W3CValidator,
  Alexa,
  AmpValidator,
  AhrefsBacklinkChecker,
  GoogleAdsKeywordPlanner,
  GoogleAnalytics,
  GoogleSearchConsole,
  GoogleTrends,
  Ubersuggest,
  YandexMetrica,
};

// Scheme and host, no trailing "/".
std::string_view serviceBase(Service service);

// Optional keys of the section "Services" in settings.ini.
namespace service_key {
inline constexpr const char* kSection = "Services";
inline constexpr const char* kMakerSite = "MakerSite";            // scheme and host, e.g. https://www.zorvane.com
inline constexpr const char* kFeedbackHost = "FeedbackHost";      // host[:port]
inline constexpr const char* kFeedbackCaFile = "FeedbackCAFile";  // PEM file of trusted certificates
inline constexpr const char* kHtml2TxtHost = "Html2TxtHost";      // host[:port]
inline constexpr const char* kHtml2TxtCaFile = "Html2TxtCAFile";  // PEM file of trusted certificates
}  // namespace service_key

struct ServiceHosts {
  std::string makerSite = "https://www.zorvane.com";
  std::string feedbackHost = "www.zorvane.com";
  std::string feedbackCaFile;  // empty: the system's trusted certificates
  std::string html2txtHost = "www.w3.org";
  std::string html2txtCaFile;  // empty: the system's trusted certificates

  // The built-in values with whatever the file's "Services" section sets.
  static ServiceHosts from(const SettingsFile& file);
};

// The maker's pages.
std::string makerHomePage(const ServiceHosts& hosts);  // also the start URL's built-in value
std::string makerCreditsPage(const ServiceHosts& hosts);
std::string makerUninstallPage(const ServiceHosts& hosts);
// "Online Help": the product name in lower case, blanks turned into "-".
std::string onlineHelpAddress(const ServiceHosts& hosts, std::string_view productName);
// The host part of the maker's site, as the about box shows it.
std::string makerSiteLabel(const ServiceHosts& hosts);

}  // namespace crawlspect
