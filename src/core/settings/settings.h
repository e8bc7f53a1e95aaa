#pragma once
// The main window's stored options and placement: what is read from
// settings.ini at start, what each change handler writes, and "Reset to
// Defaults". The window only moves values between its controls and these
// functions.
#include <array>
#include <string>
#include <string_view>

#include "core/platform/desktop.h"
#include "core/settings/settings_file.h"

namespace crawlspect {

// The sixteen keys, in the order in which they are applied at start.
namespace settings_key {
inline constexpr const char* kLeft = "Left";
inline constexpr const char* kTop = "Top";
inline constexpr const char* kWidth = "Width";
inline constexpr const char* kHeight = "Height";
inline constexpr const char* kWindowState = "WindowState";
inline constexpr const char* kStartUrl = "StartURL";
inline constexpr const char* kShowOptions = "ShowOptions";
inline constexpr const char* kDomainOnly = "DomainOnly";
inline constexpr const char* kSubDomainOnly = "SubDomainOnly";
inline constexpr const char* kRemoveAnchors = "RemoveAnchors";
inline constexpr const char* kConnectionTimeout = "ConnectionTimeout";
inline constexpr const char* kResponseTimeout = "ResponseTimeout";
inline constexpr const char* kAgent = "Agent";
inline constexpr const char* kIgnoreExtensions = "IgnoreExtensions";
inline constexpr const char* kIgnoreUrls = "IgnoreURLs";
inline constexpr const char* kPageLimit = "PageLimit";
// Not one of the sixteen: "Standard" or "Classic", read after them.
inline constexpr const char* kLinkRules = "LinkRules";
// Beyond the sixteen: the "Max fetch time" field, in milliseconds.
inline constexpr const char* kMaxFetchTime = "MaxFetchTime";
// Beyond the sixteen: "Parallel requests" and "Max requests per second".
inline constexpr const char* kParallelRequests = "ParallelRequests";
inline constexpr const char* kMaxRequestsPerSecond = "MaxRequestsPerSecond";
// Beyond the sixteen: the "robots.txt" box, "Report", "Obey" or "Ignore".
inline constexpr const char* kRobotsTxt = "RobotsTxt";
// Beyond the sixteen: the "Check external links" box, "1" or "0".
inline constexpr const char* kCheckExternalLinks = "CheckExternalLinks";
}  // namespace settings_key

inline constexpr std::array<const char*, 16> kSettingsKeys = {settings_key::kLeft,
                                                              settings_key::kTop,
                                                              settings_key::kWidth,
                                                              settings_key::kHeight,
                                                              settings_key::kWindowState,
                                                              settings_key::kStartUrl,
                                                              settings_key::kShowOptions,
                                                              settings_key::kDomainOnly,
                                                              settings_key::kSubDomainOnly,
                                                              settings_key::kRemoveAnchors,
                                                              settings_key::kConnectionTimeout,
                                                              settings_key::kResponseTimeout,
                                                              settings_key::kAgent,
                                                              settings_key::kIgnoreExtensions,
                                                              settings_key::kIgnoreUrls,
                                                              settings_key::kPageLimit};

// The agent box's presets, the first being the built-in agent.
extern const std::array<std::string_view, 5> kAgentPresets;

inline constexpr int kPageLimitMin = 1;
inline constexpr int kPageLimitMax = 999999999;
inline constexpr int kPageLimitBuiltIn = 50;

// The controls' built-in values.
struct OptionValues {
  std::string startUrl;  // the maker's home page
  bool showOptions = false;
  bool subDomainOnly = false;  // false: "Domain Name" selected
  bool removeAnchors = true;
  std::string connectionTimeout = "10000";
  std::string responseTimeout = "10000";
  std::string maxFetchTime = "60000";
  std::string agent = std::string(kAgentPresets[0]);
  std::string ignoreExtensions =
      "ico jpg jpeg png gif bmp svg css js exe zip rar 7z apk pdf doc docx xls xlsx ppt pptx";
  std::string ignoreUrls;  // the "Ignore URLs" box's whole text, lines ended by CR LF
  int pageLimit = kPageLimitBuiltIn;
  bool classicLinkRules = false;    // "Link rules": Standard unless "Classic" is stored
  int parallelRequests = 1;         // the spin box brings a stored value into its range
  double maxRequestsPerSecond = 0;  // 0: no limit; a stored text that is no number >= 0 reads as 0
  int robotsTxt = 0;
  bool checkExternalLinks = false;  // "Check external links": off unless "1" is stored                // "robots.txt":
                                    // an index of kRobotsTxtChoices
};
// The "robots.txt" box's items, as shown and as stored.
inline constexpr std::array<const char*, 3> kRobotsTxtChoices = {"Report", "Obey", "Ignore"};
OptionValues builtInOptions(const std::string& makerHomePage);

// The option values stored in the file laid over the built-in ones: empty
// texts count as absent; "1" ticks "Show Options"; only "0" clears "Remove #
// Anchors"; "SubDomainOnly" "1" selects "Subdomain Name" whatever
// "DomainOnly" says (the window's handler then writes "DomainOnly" "0").
// Applied in the order of kSettingsKeys; the page limit only when present.
// "LinkRules" selects the classic rules only when it reads "Classic" (in any
// letter case); any other value, or none, gives the standard rules.
// "RobotsTxt" is one of kRobotsTxtChoices in any letter case, else "Report".
OptionValues storedOptions(const SettingsFile& file, const OptionValues& builtIn);

struct ScreenSize {
  int width = 0;
  int height = 0;
};

struct WindowRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const WindowRect&) const = default;
};

struct WindowPlacement {
  WindowRect normal;  // the outer rectangle of the restored window
  bool maximized = true;
};

// The placement at start, from the stored Left/Top/Width/Height/WindowState and
// the primary screen's size.
WindowPlacement storedPlacement(const SettingsFile& file, ScreenSize screen);

// The page limit as the spin edit holds it: the integer of its text, 1 when it
// is none; and brought into range when the field is left.
int pageLimitOfText(std::string_view text);
int clampPageLimit(int value);

enum class WindowShowState { Normal, Maximized, Minimized };

// The window's change handlers, each writing its key at once. A write that
// fails reports "Unable to write to <path>" as a problem, once per
// change; the change in the window stands.
class SettingsWriter {
 public:
  SettingsWriter(SettingsFile& file, ProblemReporter& problems, std::string appTitle);

  // While loading, controls that take a stored value write it back; if the
  // file is not writable that would be one message per control, so failures
  // are gathered and endLoad() reports them once. Loading goes on with every key.
  void beginLoad();
  void endLoad();

  void saveStartUrl(std::string_view text);
  void saveShowOptions(bool shown);
  // "Domain Name" selected: DomainOnly "1" then SubDomainOnly "0";
  // "Subdomain Name": DomainOnly "0" then SubDomainOnly "1".
  void saveScope(bool subDomainOnly);
  void saveRemoveAnchors(bool ticked);
  void saveConnectionTimeout(std::string_view text);
  void saveResponseTimeout(std::string_view text);
  void saveMaxFetchTime(std::string_view text);
  void saveAgent(std::string_view text);
  void saveIgnoreExtensions(std::string_view text);
  void saveIgnoreUrls(std::string_view text);
  void savePageLimit(int value);
  void saveLinkRules(bool classic);
  void saveParallelRequests(int count);
  void saveMaxRequestsPerSecond(double rate);
  // An index of kRobotsTxtChoices.
  void saveRobotsTxt(int choice);
  void saveCheckExternalLinks(bool ticked);

  // Placement saving, off until armed (after the stored placement is applied).
  // Normal: Left, Top, Height, Width, then WindowState "Normal". Maximized: only
  // WindowState "Maximized". Minimized: nothing. Call it on size changes only.
  void armPlacement() { m_armed = true; }
  bool placementArmed() const { return m_armed; }
  void savePlacement(WindowShowState state, const WindowRect& outer);

  std::string failureMessage() const;

 private:
  bool write(const char* key, std::string_view value);
  void done(bool ok);

  SettingsFile& m_file;
  ProblemReporter& m_problems;
  std::string m_appTitle;
  bool m_loading = false;
  bool m_failedWhileLoading = false;
  bool m_armed = false;
};

inline constexpr const char* kRestartQuestion = "Restart Application?";

// "Reset to Defaults" answered with Yes: deletes settings.ini, lets pending
// window work run and starts a fresh copy of the program. The caller then ends
// its message loop as "Exit" does.
void resetToDefaults(Desktop& desktop, const std::string& settingsPath);

}  // namespace crawlspect
