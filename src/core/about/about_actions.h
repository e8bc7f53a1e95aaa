#pragma once
// The about window's texts and commands that need no window.
#include <chrono>
#include <optional>
#include <string>

#include "core/platform/data_folder.h"

namespace crawlspect {

// "About Crawlspect".
std::string aboutCaption(const ProgramIdentity& identity);
// "Crawlspect 4.7".
std::string aboutProductLine(const ProgramIdentity& identity);

inline constexpr const char* kLicenseFileName = "license.txt";
// The message box shown when the program's folder holds no license file.
inline constexpr const char* kLicenseMissingTitle = "License";
inline constexpr const char* kLicenseMissingText = "File not found!";

// "License...": the file:// address of license.txt in the program's folder
// (or where the installed program keeps it), for the desktop's viewer of text
// files; nothing when the file is missing.
std::optional<std::string> licenseAddress(const std::string& programFolder);

// The Info button's menu: a click on the button that arrives less than 100 ms
// after its menu closed is the click that closed it, and must not open it again.
class MenuReopenGuard {
 public:
  using Clock = std::chrono::steady_clock;
  void menuClosed(const void* button, const void* menu, Clock::time_point when);
  // False (and the remembered close forgotten) for that click; true otherwise.
  bool shouldOpen(const void* button, const void* menu, Clock::time_point now);

 private:
  const void* m_button = nullptr;
  const void* m_menu = nullptr;
  Clock::time_point m_closedAt{};
};

}  // namespace crawlspect
