#include "core/lookups/web_lookups.h"

#include "core/crawl/url_functions.h"
#include "core/platform/text.h"

namespace crawlspect {

namespace {

using C = LookupCommand;

// The site root and bare address exist only for "http://" and "https://"
// URLs. The start URL field may still hold a bare host before the first crawl;
// the lookups that need the host read it the way the crawl will (scheme in
// lower case, "http://" put in front of anything else).
std::string asCrawled(const std::string& url) {
  if (url.empty()) return url;
  std::string u = url;
  const std::string low = lowerAscii(u.substr(0, 8));
  if (startsWith(low, "http://"))
    u.replace(0, 7, "http://");
  else if (startsWith(low, "https://"))
    u.replace(0, 8, "https://");
  if (u.compare(0, 4, "http") != 0) u = "http://" + u;
  return u;
}

// Every byte but the unreserved characters of RFC 3986 percent-encoded.
std::string queryValue(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
        c == '_' || c == '~') {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    }
  }
  return out;
}

// The host a host-based tool looks up: under the standard rules without its
// port (a tool knows hosts, not ports) and in lower case.
std::string lookupHost(const std::string& url, LinkRules rules) {
  const std::string root = bareAddress(siteRoot(asCrawled(url)));
  if (rules == LinkRules::Classic) return root;
  const auto normalised = resolveHttpUrl("", tidyHref(asCrawled(url)), false);
  return normalised ? normalised->host : root;
}

std::string at(Service s, std::string_view pathAndQuery, std::string_view value) {
  std::string a(serviceBase(s));
  a += pathAndQuery;
  a += value;
  return a;
}

LookupMenuItem item(std::string caption, C command, std::string objectName) {
  LookupMenuItem i;
  i.caption = std::move(caption);
  i.command = command;
  i.objectName = std::move(objectName);
  return i;
}

LookupMenuItem separator() {
  LookupMenuItem i;
  i.kind = LookupMenuItem::Kind::Separator;
  return i;
}

}  // namespace

std::optional<std::string> lookupUrl(LookupSource source, const std::string& startUrlText,
                                     const std::optional<std::string>& selectedLink) {
  if (source == LookupSource::FoundLinks) return selectedLink;
  if (source == LookupSource::CheckButton) return startUrlText;
  return std::nullopt;
}

const std::vector<LookupMenuItem>& lookupMenu() {
  static const std::vector<LookupMenuItem> menu = [] {
    std::vector<LookupMenuItem> m;
    m.push_back(item("Check", C::Check, "checkAction"));
    m.back().isDefault = true;
    m.push_back(item("Copy URL", C::CopyUrl, "copyUrlAction"));
    m.push_back(item("Go to URL", C::GoToUrl, "goToUrlAction"));
    m.push_back(item("Analyze URL...", C::AnalyzeUrl, "analyzeUrlAction"));
    m.push_back(separator());
    LookupMenuItem index;
    index.kind = LookupMenuItem::Kind::Submenu;
    index.caption = "Check Index";
    index.children = {item("Google", C::Google, "googleIndexAction"), item("Yahoo", C::Yahoo, "yahooIndexAction"),
                      item("Bing", C::Bing, "bingIndexAction"), item("Yandex", C::Yandex, "yandexIndexAction"),
                      item("All", C::CheckIndexAll, "allIndexesAction")};
    m.push_back(index);
    m.push_back(item("Google Web Cache", C::GoogleWebCache, "googleWebCacheAction"));
    m.push_back(item("Google PageSpeed Insights", C::GooglePageSpeedInsights, "pageSpeedInsightsAction"));
    m.push_back(
        item("Google Structured Data Testing Tool", C::GoogleStructuredDataTestingTool, "structuredDataTestAction"));
    m.push_back(item("Google Mobile Friendly Test", C::GoogleMobileFriendlyTest, "mobileFriendlyTestAction"));
    m.push_back(item("Google Rich Results Test", C::GoogleRichResultsTest, "richResultsTestAction"));
    m.push_back(item("Wayback Machine", C::WaybackMachine, "waybackMachineAction"));
    m.push_back(item("Domain IP List", C::DomainIpList, "domainIpListAction"));
    m.push_back(item("Check HTML with W3C Validator", C::CheckHtmlWithW3CValidator, "htmlValidatorAction"));
    m.push_back(item("Alexa Info", C::AlexaInfo, "alexaInfoAction"));
    m.push_back(item("AMP Validator", C::AmpValidator, "ampValidatorAction"));
    m.push_back(item("Robots.txt", C::RobotsTxt, "robotsTxtAction"));
    return m;
  }();
  return menu;
}

std::vector<std::string> lookupAddresses(LookupCommand command, const std::string& url, LinkRules rules) {
  const bool standard = rules == LinkRules::Standard;
  // The URL as the value of a tool's query: encoded, so that its own "&",
  // "#" and "?" stay part of it.
  const std::string value = standard ? queryValue(url) : url;
  switch (command) {
    case C::Check:
    case C::CopyUrl:
    case C::AnalyzeUrl:
      return {};
    case C::GoToUrl:
      return {url};
    case C::Google:
      return {at(Service::GoogleSearch, "/search?q=site:", value)};
    case C::Yahoo:
      return {at(Service::YahooSearch,
                 "/search?p=url:", standard ? queryValue(bareAddress(asCrawled(url))) : bareAddress(asCrawled(url)))};
    case C::Bing:
      return {at(Service::BingSearch, "/search?q=url:", value)};
    case C::Yandex:
      return {at(Service::YandexSearch, "/search/?text=url:", value)};
    case C::CheckIndexAll: {
      std::vector<std::string> all;
      for (C c : {C::Google, C::Yahoo, C::Bing, C::Yandex}) all.push_back(lookupAddresses(c, url, rules).front());
      return all;
    }
    case C::GoogleWebCache:
      return {at(Service::GoogleWebCache, "/search?q=cache:", value)};
    case C::GooglePageSpeedInsights:
      return {at(Service::GooglePageSpeedInsights, "/speed/pagespeed/insights/?url=", value)};
    case C::GoogleStructuredDataTestingTool:
      return {at(Service::GoogleStructuredDataTestingTool, "/structured-data/testing-tool/u/0/#url=", value)};
    case C::GoogleMobileFriendlyTest:
      return {at(Service::GoogleMobileFriendlyTest, "/test/mobile-friendly?url=", value)};
    case C::GoogleRichResultsTest:
      return {at(Service::GoogleRichResultsTest, "/test/rich-results?url=", value)};
    case C::WaybackMachine:
      return {at(Service::WaybackMachine, "/web/*/", url)};
    case C::DomainIpList:
      return {at(Service::VirusTotal, "/gui/domain/", lookupHost(url, rules) + "/relations")};
    case C::CheckHtmlWithW3CValidator:
      return {at(Service::W3CValidator, "/check?uri=", value)};
    case C::AlexaInfo:
      return {at(Service::Alexa, "/siteinfo/", lookupHost(url, rules))};
    case C::AmpValidator:
      return {at(Service::AmpValidator, "/#url=", value)};
    case C::RobotsTxt:
      return {siteRoot(asCrawled(url)) + "/robots.txt"};
  }
  return {};
}

bool runLookupCommand(LookupCommand command, const std::optional<std::string>& url, Desktop& desktop, LinkRules rules) {
  if (!url) return false;
  if (command == C::CopyUrl) {
    desktop.setClipboardText(*url);
    return true;
  }
  const std::vector<std::string> addresses = lookupAddresses(command, *url, rules);
  for (const std::string& a : addresses) desktop.openAddress(a);
  return !addresses.empty();
}

const std::vector<ToolsMenuItem>& toolsMenu() {
  static const std::vector<ToolsMenuItem> menu = {
      {"Ahrefs Backlink Checker", "backlinkCheckerAction", at(Service::AhrefsBacklinkChecker, "/backlink-checker", "")},
      {"Google Ads Keyword Planner", "keywordPlannerAction",
       at(Service::GoogleAdsKeywordPlanner, "/home/tools/keyword-planner/", "")},
      {"Google Analytics", "analyticsAction", at(Service::GoogleAnalytics, "", "")},
      {"Google Search Console", "searchConsoleAction", at(Service::GoogleSearchConsole, "/search-console", "")},
      {"Google Trends", "trendsAction", at(Service::GoogleTrends, "", "")},
      {"Ubersuggest", "ubersuggestAction", at(Service::Ubersuggest, "/ubersuggest/", "")},
      {"Yandex Metrica", "yandexMetricaAction", at(Service::YandexMetrica, "/list", "")},
  };
  return menu;
}

}  // namespace crawlspect
