#include "core/lookups/service_addresses.h"

#include "core/platform/text.h"
#include "core/settings/settings_file.h"

namespace crawlspect {

std::string_view serviceBase(Service service) {
  switch (service) {
    case Service::GoogleSearch:
      return "https://www.google.com";
    case Service::YahooSearch:
      return "https://search.yahoo.com";
    case Service::BingSearch:
      return "https://www.bing.com";
    case Service::YandexSearch:
      return "https://yandex.com";
    case Service::GoogleWebCache:
      return "https://webcache.googleusercontent.com";
    case Service::GooglePageSpeedInsights:
      return "https://developers.google.com";
    case Service::GoogleStructuredDataTestingTool:
      return "https://search.google.com";
    case Service::GoogleMobileFriendlyTest:
      return "https://search.google.com";
    case Service::GoogleRichResultsTest:
      return "https://search.google.com";
    case Service::WaybackMachine:
      return "https://web.archive.org";
    case Service::VirusTotal:
      return "https://www.virustotal.com";
    case Service::W3CValidator:
      return "https://validator.w3.org";
    case Service::Alexa:
      return "https://www.alexa.com";
    case Service::AmpValidator:
      return "https://validator.ampproject.org";
    case Service::AhrefsBacklinkChecker:
      return "https://ahrefs.com";
    case Service::GoogleAdsKeywordPlanner:
      return "https://ads.google.com";
    case Service::GoogleAnalytics:
      return "https://analytics.google.com";
    case Service::GoogleSearchConsole:
      return "https://search.google.com";
    case Service::GoogleTrends:
      return "https://trends.google.com";
    case Service::Ubersuggest:
      return "https://neilpatel.com";
    case Service::YandexMetrica:
      return "https://metrika.yandex.com";
  }
  return {};
}

ServiceHosts ServiceHosts::from(const SettingsFile& file) {
  ServiceHosts h;
  auto take = [&](const char* key, std::string& target) {
    auto v = file.value(key, service_key::kSection);
    if (v && !v->empty()) target = *v;
  };
  take(service_key::kMakerSite, h.makerSite);
  take(service_key::kFeedbackHost, h.feedbackHost);
  take(service_key::kFeedbackCaFile, h.feedbackCaFile);
  take(service_key::kHtml2TxtHost, h.html2txtHost);
  take(service_key::kHtml2TxtCaFile, h.html2txtCaFile);
  while (endsWith(h.makerSite, "/")) h.makerSite.pop_back();
  return h;
}

std::string makerHomePage(const ServiceHosts& hosts) { return hosts.makerSite + "/"; }
std::string makerCreditsPage(const ServiceHosts& hosts) { return hosts.makerSite + "/credits/"; }
std::string makerUninstallPage(const ServiceHosts& hosts) { return hosts.makerSite + "/uninstall/"; }

std::string onlineHelpAddress(const ServiceHosts& hosts, std::string_view productName) {
  std::string name = lowerAscii(productName);
  for (char& c : name)
    if (c == ' ') c = '-';
  return hosts.makerSite + "/help/" + name + "/";
}

std::string makerSiteLabel(const ServiceHosts& hosts) {
  std::string_view site = hosts.makerSite;
  const std::size_t scheme = site.find("://");
  if (scheme != std::string_view::npos) site.remove_prefix(scheme + 3);
  return std::string(site);
}

}  // namespace crawlspect
