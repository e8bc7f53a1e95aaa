#include "core/about/about_actions.h"

#include <filesystem>
#include <system_error>

namespace crawlspect {

std::string aboutCaption(const ProgramIdentity& identity) { return "About " + identity.productName; }

std::string aboutProductLine(const ProgramIdentity& identity) {
  return identity.productName + " " + identity.shortVersion;
}

std::optional<std::string> licenseAddress(const std::string& programFolder) {
  const std::filesystem::path license = programFilePath(programFolder, kLicenseFileName);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(license, ec)) return std::nullopt;
  return "file://" + std::filesystem::absolute(license, ec).string();
}

void MenuReopenGuard::menuClosed(const void* button, const void* menu, Clock::time_point when) {
  m_button = button;
  m_menu = menu;
  m_closedAt = when;
}

bool MenuReopenGuard::shouldOpen(const void* button, const void* menu, Clock::time_point now) {
  if (m_button && button == m_button && menu == m_menu && now - m_closedAt < std::chrono::milliseconds(100)) {
    m_button = nullptr;
    m_menu = nullptr;
    return false;
  }
  return true;
}

}  // namespace crawlspect
