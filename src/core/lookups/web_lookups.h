#pragma once
// The lookup menu (PopupMenu1) and the "Tools" menu: which URL a command acts
// on, and the address each command hands to the browser. Addresses are
// composed by plain concatenation; nothing is percent-encoded.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/lookups/service_addresses.h"
#include "core/platform/desktop.h"

namespace crawlspect {

// Where the lookup menu was last opened from: the arrow of "Check" ("Button")
// or a right click in the Found Links list ("List"); empty before either.
inline constexpr const char* kPopupSourceButton = "Button";
inline constexpr const char* kPopupSourceList = "List";

// The URL a command acts on: the selected Found Links row for "List" (nothing
// without a selection), the start URL field's text, empty included, for
// "Button", nothing for any other source.
std::optional<std::string> lookupUrl(std::string_view popupSource, const std::string& startUrlText,
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
  std::string handler;     // the window's handler name, e.g. "Google1Click"
  bool isDefault = false;  // shown in bold
  std::vector<LookupMenuItem> children;
};

// The entries of the lookup menu, in order; "Check Index" carries its submenu.
const std::vector<LookupMenuItem>& lookupMenu();

// The address(es) a lookup opens for a URL: one for each lookup, four for
// "All" (Google, Yahoo, Bing, Yandex); none for Check, Copy URL and Analyze
// URL, the URL itself for Go to URL.
std::vector<std::string> lookupAddresses(LookupCommand command, const std::string& url);

// Runs a menu command that needs no window: Copy URL (clipboard), Go to URL and
// every lookup (browser). Check and Analyze URL belong to the window and are
// not run here. False when the command did nothing (no lookup URL, or a
// window command).
bool runLookupCommand(LookupCommand command, const std::optional<std::string>& url, Desktop& desktop);

struct ToolsMenuItem {
  std::string caption;
  std::string handler;
  std::string address;
};
// The seven fixed pages of the "Tools" menu, in order.
const std::vector<ToolsMenuItem>& toolsMenu();

}  // namespace crawlspect
