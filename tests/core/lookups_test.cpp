#include <gtest/gtest.h>

#include "core/lookups/web_lookups.h"
#include "core/platform/loop_desktop.h"
#include "core/settings/settings_file.h"
#include "temp_dir.h"

using namespace crawlspect;
using C = LookupCommand;

namespace {

TEST(LookupAddresses, ComposedWithoutEncoding) {
  struct Case {
    C command;
    std::string url;
    std::string address;
  };
  const std::string q = "https://shop.example.com:8080/list?a=1&b=two words&c=%41";
  const Case cases[] = {
      {C::Google, q, "https://www.google.com/search?q=site:" + q},
      {C::Yahoo, q, "https://search.yahoo.com/search?p=url:shop.example.com:8080/list?a=1&b=two words&c=%41"},
      {C::Bing, q, "https://www.bing.com/search?q=url:" + q},
      {C::Yandex, q, "https://yandex.com/search/?text=url:" + q},
      {C::GoogleWebCache, q, "https://webcache.googleusercontent.com/search?q=cache:" + q},
      {C::GooglePageSpeedInsights, q, "https://developers.google.com/speed/pagespeed/insights/?url=" + q},
      {C::GoogleStructuredDataTestingTool, q, "https://search.google.com/structured-data/testing-tool/u/0/#url=" + q},
      {C::GoogleMobileFriendlyTest, q, "https://search.google.com/test/mobile-friendly?url=" + q},
      {C::GoogleRichResultsTest, q, "https://search.google.com/test/rich-results?url=" + q},
      {C::WaybackMachine, q, "https://web.archive.org/web/*/" + q},
      {C::CheckHtmlWithW3CValidator, q, "https://validator.w3.org/check?uri=" + q},
      {C::AmpValidator, q, "https://validator.ampproject.org/#url=" + q},
      {C::GoToUrl, q, q},
      // Host-only lookups drop the path.
      {C::DomainIpList, "http://a.example.org/deep/page.html",
       "https://www.virustotal.com/gui/domain/a.example.org/relations"},
      {C::AlexaInfo, "https://a.example.org/", "https://www.alexa.com/siteinfo/a.example.org"},
      {C::RobotsTxt, "https://a.example.org/x/y/", "https://a.example.org/robots.txt"},
      {C::RobotsTxt, "http://a.example.org", "http://a.example.org/robots.txt"},
      // A start URL field without a scheme is read as the crawl will read it.
      {C::RobotsTxt, "a.example.org/x", "http://a.example.org/robots.txt"},
      {C::Yahoo, "HTTPS://A.example.org/p", "https://search.yahoo.com/search?p=url:A.example.org/p"},
      {C::Google, "a.example.org/x", "https://www.google.com/search?q=site:a.example.org/x"},
      // An empty start URL: nothing appended, opened all the same.
      {C::Bing, "", "https://www.bing.com/search?q=url:"},
      {C::Yahoo, "", "https://search.yahoo.com/search?p=url:"},
  };
  for (const Case& c : cases) {
    const auto addresses = lookupAddresses(c.command, c.url, LinkRules::Classic);
    ASSERT_EQ(addresses.size(), 1u) << c.url;
    EXPECT_EQ(addresses[0], c.address) << c.url;
  }
}

// Under the standard rules the URL is one query value, whatever it holds, and
// the host-based tools get the bare host.
TEST(LookupAddresses, StandardEncodesTheUrlAndDropsThePortOfHosts) {
  struct Case {
    C command;
    std::string url;
    std::string address;
  };
  const std::string q = "http://x.example/?q=a&area=default#frag";
  const std::string encoded = "http%3A%2F%2Fx.example%2F%3Fq%3Da%26area%3Ddefault%23frag";
  const Case cases[] = {
      {C::Google, q, "https://www.google.com/search?q=site:" + encoded},
      {C::Yahoo, q, "https://search.yahoo.com/search?p=url:x.example%2F%3Fq%3Da%26area%3Ddefault%23frag"},
      {C::GooglePageSpeedInsights, q, "https://developers.google.com/speed/pagespeed/insights/?url=" + encoded},
      {C::CheckHtmlWithW3CValidator, "http://x.example/a b/\xC3\xA4",
       "https://validator.w3.org/check?uri=http%3A%2F%2Fx.example%2Fa%20b%2F%C3%A4"},
      {C::DomainIpList, "http://Shop.Example.com:8080/p",
       "https://www.virustotal.com/gui/domain/shop.example.com/relations"},
      {C::AlexaInfo, "shop.example.com:8080", "https://www.alexa.com/siteinfo/shop.example.com"},
      {C::AlexaInfo, "http://[::1]:8080/", "https://www.alexa.com/siteinfo/[::1]"},
      // robots.txt lives on the host and port of the site.
      {C::RobotsTxt, "http://shop.example.com:8080/p", "http://shop.example.com:8080/robots.txt"},
      {C::WaybackMachine, q, "https://web.archive.org/web/*/" + q},
  };
  for (const Case& c : cases) {
    const auto addresses = lookupAddresses(c.command, c.url);
    ASSERT_EQ(addresses.size(), 1u) << c.url;
    EXPECT_EQ(addresses[0], c.address) << c.url;
  }
}

TEST(LookupCommands, AllOpensFourIndexChecksInOrder) {
  LoopDesktop desktop;
  const std::string url = "http://example.com/p?x=1&y=2";
  EXPECT_TRUE(runLookupCommand(C::CheckIndexAll, url, desktop, LinkRules::Classic));
  EXPECT_EQ(desktop.openedAddresses(), (std::vector<std::string>{
                                           "https://www.google.com/search?q=site:" + url,
                                           "https://search.yahoo.com/search?p=url:example.com/p?x=1&y=2",
                                           "https://www.bing.com/search?q=url:" + url,
                                           "https://yandex.com/search/?text=url:" + url,
                                       }));
}

TEST(LookupCommands, PopupSourceDecidesTheUrl) {
  LoopDesktop desktop;
  const std::optional<std::string> noSelection;
  // "List" without a selected row, or no source yet: nothing happens.
  for (C command : {C::Check, C::CopyUrl, C::GoToUrl, C::AnalyzeUrl, C::Google, C::RobotsTxt}) {
    EXPECT_FALSE(lookupUrl(LookupSource::FoundLinks, "http://start/", noSelection));
    EXPECT_FALSE(runLookupCommand(command, lookupUrl(LookupSource::FoundLinks, "http://start/", noSelection), desktop));
    EXPECT_FALSE(
        runLookupCommand(command, lookupUrl(LookupSource::None, "http://start/", std::string("http://row/")), desktop));
  }
  EXPECT_TRUE(desktop.openedAddresses().empty());
  EXPECT_EQ(desktop.clipboard(), "");

  EXPECT_EQ(lookupUrl(LookupSource::FoundLinks, "http://start/", std::string("http://row/")), "http://row/");
  EXPECT_EQ(lookupUrl(LookupSource::CheckButton, "http://start/", std::string("http://row/")), "http://start/");

  // "Copy URL" from the button copies the field's text, an empty one included.
  desktop.setClipboardText("before");
  EXPECT_TRUE(
      runLookupCommand(C::CopyUrl, lookupUrl(LookupSource::CheckButton, "", std::string("http://row/")), desktop));
  EXPECT_EQ(desktop.clipboard(), "");
}

TEST(LookupMenus, EntriesInOrder) {
  std::vector<std::string> captions;
  for (const auto& item : lookupMenu()) {
    captions.push_back(item.kind == LookupMenuItem::Kind::Separator ? "-" : item.caption);
    for (const auto& child : item.children) captions.push_back(">" + child.caption);
  }
  EXPECT_EQ(captions, (std::vector<std::string>{"Check",
                                                "Copy URL",
                                                "Go to URL",
                                                "Analyze URL...",
                                                "-",
                                                "Check Index",
                                                ">Google",
                                                ">Yahoo",
                                                ">Bing",
                                                ">Yandex",
                                                ">All",
                                                "Google Web Cache",
                                                "Google PageSpeed Insights",
                                                "Google Structured Data Testing Tool",
                                                "Google Mobile Friendly Test",
                                                "Google Rich Results Test",
                                                "Wayback Machine",
                                                "Domain IP List",
                                                "Check HTML with W3C Validator",
                                                "Alexa Info",
                                                "AMP Validator",
                                                "Robots.txt"}));
  EXPECT_TRUE(lookupMenu().front().isDefault);

  std::vector<std::string> tools;
  for (const auto& t : toolsMenu()) tools.push_back(t.caption + " " + t.address);
  EXPECT_EQ(tools, (std::vector<std::string>{
                       "Ahrefs Backlink Checker https://ahrefs.com/backlink-checker",
                       "Google Ads Keyword Planner https://ads.google.com/home/tools/keyword-planner/",
                       "Google Analytics https://analytics.google.com",
                       "Google Search Console https://search.google.com/search-console",
                       "Google Trends https://trends.google.com", "Ubersuggest https://neilpatel.com/ubersuggest/",
                       "Yandex Metrica https://metrika.yandex.com/list"}));
}

TEST(ServiceConfiguration, OptionalKeysOverrideTheBuiltInHosts) {
  testsupport::TempDir dir;
  const std::string path = dir.file("settings.ini");
  SettingsFile file(path);
  EXPECT_EQ(ServiceHosts::from(file).html2txtHost, "www.w3.org");
  testsupport::writeFile(path,
                         "[Settings]\nStartURL=x\n[services]\nmakersite=http://127.0.0.1:81/\n"
                         "FeedbackHost=127.0.0.1:82\nHtml2TxtHost=127.0.0.1:83\n");
  const ServiceHosts hosts = ServiceHosts::from(file);
  EXPECT_EQ(hosts.feedbackHost, "127.0.0.1:82");
  EXPECT_EQ(hosts.html2txtHost, "127.0.0.1:83");
  EXPECT_EQ(makerHomePage(hosts), "http://127.0.0.1:81/");
  EXPECT_EQ(onlineHelpAddress(hosts, "Web Mapper"), "http://127.0.0.1:81/help/web-mapper/");
  EXPECT_EQ(makerSiteLabel(ServiceHosts{}), "www.zorvane.com");
}

}  // namespace
