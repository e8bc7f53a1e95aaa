#pragma once
// The lookup menu and the "Tools" menu: which URL a command acts
// on, and the address each command hands to the browser. Under the standard
// link rules the URL goes into a tool's query percent-encoded, and the
// host-based tools get the host without its port; under the classic rules
// addresses are composed by plain concatenation.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/crawl/link_intake.h"
#include "core/lookups/service_addresses.h"
#include "core/platform/desktop.h"

namespace crawlspect {

// Where the lookup menu was last opened from: the arrow of "Check" or a right
// click in the Found Links list; neither before the menu was first opened.
enum class LookupSource { None, CheckButton, FoundLinks };

// The URL a command acts on: the selected Found Links row from the list
// (nothing without a selection), the start URL field's text, empty included,
// from the button, nothing before the menu was opened.
std::optional<std::string> lookupUrl(LookupSource source, const std::string& startUrlText,
                                     const std::optional<std::string>& selectedLink);

enum class LookupCommand {
  Check,
  CopyUrl,
  GoToUrl,
  AnalyzeUrl,
  Google,
  Yahoo,
  Bing,
  Yandex,
  CheckIndexAll,
  GoogleWebCache,
  GooglePageSpeedInsights,
  GoogleStructuredDataTestingTool,
  GoogleMobileFriendlyTest,
  GoogleRichResultsTest,
  WaybackMachine,
  DomainIpList,
  CheckHtmlWithW3CValidator,
  AlexaInfo,
  AmpValidator,
  RobotsTxt,
};

struct LookupMenuItem {
  enum class Kind { Command, Separator, Submenu };
  Kind kind = Kind::Command;
  std::string caption;
  LookupCommand command = LookupCommand::Check;
  std::string objectName;  // the menu entry's name, e.g. "googleIndexAction"
  bool isDefault = false;  // shown in bold
  std::vector<LookupMenuItem> children;
};

// The entries of the lookup menu, in order; "Check Index" carries its submenu.
const std::vector<LookupMenuItem>& lookupMenu();

// The address(es) a lookup opens for a URL: one for each lookup, four for
// "All" (Google, Yahoo, Bing, Yandex); none for Check, Copy URL and Analyze
// URL, the URL itself for Go to URL.
std::vector<std::string> lookupAddresses(LookupCommand command, const std::string& url,
                                         LinkRules rules = LinkRules::Standard);

// Runs a menu command that needs no window: Copy URL (clipboard), Go to URL and
// every lookup (browser). Check and Analyze URL belong to the window and are
// not run here. False when the command did nothing (no lookup URL, or a
// window command).
bool runLookupCommand(LookupCommand command, const std::optional<std::string>& url, Desktop& desktop,
                      LinkRules rules = LinkRules::Standard);

struct ToolsMenuItem {
  std::string caption;
  std::string objectName;
  std::string address;
};
// The seven fixed pages of the "Tools" menu, in order.
const std::vector<ToolsMenuItem>& toolsMenu();

}  // namespace crawlspect
