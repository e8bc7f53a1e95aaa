#include "core/settings/settings.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "core/platform/text.h"

namespace crawlspect {

namespace k = settings_key;

const std::array<std::string_view, 5> kAgentPresets = {
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/87.0.4280.88 "
    "Safari/537.36",
    "Mozilla/5.0 (Windows NT 6.1) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/41.0.2228.0 Safari/537.36",
    "Mozilla/5.0 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)",
    "Mozilla/5.0 (compatible; bingbot/2.0; +http://www.bing.com/bingbot.htm)",
    "Mozilla/5.0 (compatible; Yahoo! Slurp; http://help.yahoo.com/help/us/ysearch/slurp)",
};

OptionValues builtInOptions(const std::string& makerHomePage) {
  OptionValues v;
  v.startUrl = makerHomePage;
  return v;
}

namespace {

constexpr const char* kStandardLinkRules = "Standard";
constexpr const char* kClassicLinkRules = "Classic";

void takeText(const SettingsFile& file, const char* key, std::string& target) {
  auto v = file.value(key);
  if (v && !v->empty()) target = *v;
}

}  // namespace

OptionValues storedOptions(const SettingsFile& file, const OptionValues& builtIn) {
  OptionValues v = builtIn;
  takeText(file, k::kStartUrl, v.startUrl);
  if (file.value(k::kShowOptions) == "1") v.showOptions = true;
  if (file.value(k::kDomainOnly) == "1") v.subDomainOnly = false;
  if (file.value(k::kSubDomainOnly) == "1") v.subDomainOnly = true;
  v.removeAnchors = file.value(k::kRemoveAnchors) != "0";
  v.checkExternalLinks = file.value(k::kCheckExternalLinks) == "1";
  takeText(file, k::kConnectionTimeout, v.connectionTimeout);
  takeText(file, k::kResponseTimeout, v.responseTimeout);
  takeText(file, k::kMaxFetchTime, v.maxFetchTime);
  takeText(file, k::kAgent, v.agent);
  takeText(file, k::kIgnoreExtensions, v.ignoreExtensions);
  if (auto urls = file.value(k::kIgnoreUrls); urls && !urls->empty()) v.ignoreUrls = decodeMultiLine(*urls);
  if (file.hasKey(k::kPageLimit)) v.pageLimit = clampPageLimit(file.readInteger(k::kPageLimit, kPageLimitBuiltIn));
  v.parallelRequests = file.readInteger(k::kParallelRequests, v.parallelRequests);
  if (auto rate = file.value(k::kMaxRequestsPerSecond); rate && !rate->empty()) {
    double parsed = 0;
    const auto [end, ec] = std::from_chars(rate->data(), rate->data() + rate->size(), parsed);
    const bool whole = ec == std::errc() && end == rate->data() + rate->size();
    v.maxRequestsPerSecond = whole && std::isfinite(parsed) && parsed > 0 ? parsed : 0;
  }
  v.classicLinkRules = lowerAscii(file.value(k::kLinkRules).value_or("")) == lowerAscii(kClassicLinkRules);
  const std::string robots = lowerAscii(file.value(k::kRobotsTxt).value_or(""));
  for (std::size_t i = 0; i < kRobotsTxtChoices.size(); ++i)
    if (robots == lowerAscii(kRobotsTxtChoices[i])) v.robotsTxt = static_cast<int>(i);
  return v;
}

WindowPlacement storedPlacement(const SettingsFile& file, ScreenSize screen) {
  WindowPlacement p;
  // A stored size that is not positive is no window size; it is treated like
  // an unreadable one.
  const int width = file.readInteger(k::kWidth, 0);
  p.normal.width = width > 0 && width <= screen.width ? width : screen.height;
  const int height = file.readInteger(k::kHeight, 0);
  p.normal.height = height > 0 && height <= screen.height ? height : static_cast<int>(std::lround(screen.width / 2.3));
  if (file.hasKey(k::kLeft) && file.hasKey(k::kTop)) {
    p.normal.left = file.readInteger(k::kLeft, 0);
    p.normal.top = file.readInteger(k::kTop, 0);
  } else {
    p.normal.left = (screen.width - p.normal.width) / 2;
    p.normal.top = (screen.height - p.normal.height) / 2;
  }
  p.maximized = file.value(k::kWindowState) != "Normal";
  return p;
}

int pageLimitOfText(std::string_view text) {
  int v = 0;
  return parseInt32(text, v) ? v : kPageLimitMin;
}

int clampPageLimit(int value) {
  if (value < kPageLimitMin) return kPageLimitMin;
  if (value > kPageLimitMax) return kPageLimitMax;
  return value;
}

SettingsWriter::SettingsWriter(SettingsFile& file, ProblemReporter& problems, std::string appTitle)
    : m_file(file), m_problems(problems), m_appTitle(std::move(appTitle)) {}

std::string SettingsWriter::failureMessage() const { return "Unable to write to " + m_file.path(); }

void SettingsWriter::beginLoad() {
  m_loading = true;
  m_failedWhileLoading = false;
}

void SettingsWriter::endLoad() {
  m_loading = false;
  if (m_failedWhileLoading) m_problems.reportProblem(m_appTitle, failureMessage(), MessageIcon::Error);
  m_failedWhileLoading = false;
}

bool SettingsWriter::write(const char* key, std::string_view value) { return m_file.writeString(key, value); }

void SettingsWriter::done(bool ok) {
  if (ok) return;
  if (m_loading)
    m_failedWhileLoading = true;
  else
    m_problems.reportProblem(m_appTitle, failureMessage(), MessageIcon::Error);
}

void SettingsWriter::saveStartUrl(std::string_view text) { done(write(k::kStartUrl, text)); }
void SettingsWriter::saveShowOptions(bool shown) { done(write(k::kShowOptions, shown ? "1" : "0")); }

void SettingsWriter::saveScope(bool subDomainOnly) {
  // The second key is not tried once the first failed: one message per change.
  done(write(k::kDomainOnly, subDomainOnly ? "0" : "1") && write(k::kSubDomainOnly, subDomainOnly ? "1" : "0"));
}

void SettingsWriter::saveRemoveAnchors(bool ticked) { done(write(k::kRemoveAnchors, ticked ? "1" : "0")); }
void SettingsWriter::saveCheckExternalLinks(bool ticked) { done(write(k::kCheckExternalLinks, ticked ? "1" : "0")); }
void SettingsWriter::saveConnectionTimeout(std::string_view text) { done(write(k::kConnectionTimeout, text)); }
void SettingsWriter::saveResponseTimeout(std::string_view text) { done(write(k::kResponseTimeout, text)); }
void SettingsWriter::saveMaxFetchTime(std::string_view text) { done(write(k::kMaxFetchTime, text)); }
void SettingsWriter::saveAgent(std::string_view text) { done(write(k::kAgent, text)); }
void SettingsWriter::saveIgnoreExtensions(std::string_view text) { done(write(k::kIgnoreExtensions, text)); }
void SettingsWriter::saveIgnoreUrls(std::string_view text) { done(write(k::kIgnoreUrls, encodeMultiLine(text))); }
void SettingsWriter::savePageLimit(int value) { done(write(k::kPageLimit, std::to_string(value))); }
void SettingsWriter::saveLinkRules(bool classic) {
  done(write(k::kLinkRules, classic ? kClassicLinkRules : kStandardLinkRules));
}

void SettingsWriter::saveParallelRequests(int count) { done(write(k::kParallelRequests, std::to_string(count))); }

void SettingsWriter::saveMaxRequestsPerSecond(double rate) {
  char text[32];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, rate);
  done(write(k::kMaxRequestsPerSecond, ec == std::errc() ? std::string_view(text, end - text) : "0"));
}

void SettingsWriter::saveRobotsTxt(int choice) {
  if (choice >= 0 && choice < static_cast<int>(kRobotsTxtChoices.size()))
    done(write(k::kRobotsTxt, kRobotsTxtChoices[static_cast<std::size_t>(choice)]));
}

void SettingsWriter::savePlacement(WindowShowState state, const WindowRect& outer) {
  if (!m_armed || state == WindowShowState::Minimized) return;
  if (state == WindowShowState::Maximized) {
    done(write(k::kWindowState, "Maximized"));
    return;
  }
  done(write(k::kLeft, std::to_string(outer.left)) && write(k::kTop, std::to_string(outer.top)) &&
       write(k::kHeight, std::to_string(outer.height)) && write(k::kWidth, std::to_string(outer.width)) &&
       write(k::kWindowState, "Normal"));
}

void resetToDefaults(Desktop& desktop, const std::string& settingsPath) {
  std::error_code ec;
  std::filesystem::remove(settingsPath, ec);
  desktop.processEvents();
  desktop.startProgramCopy({});
}

}  // namespace crawlspect
