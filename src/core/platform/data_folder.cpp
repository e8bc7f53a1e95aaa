#include "core/platform/data_folder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "core/about/version_info.h"

namespace crawlspect {

namespace {

std::string withSeparator(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::string homeFolder() {
  const char* home = std::getenv("HOME");
  return withSeparator(home && home[0] ? home : "/tmp");
}

// The per-user folders' name: what an installed program is called on the command line.
constexpr const char* kInstalledName = "crawlspect";

}  // namespace

ProgramIdentity programIdentity() {
  const VersionInfo data = readVersionInfo();
  const FileVersionNumber number = fileVersionNumber();
  ProgramIdentity id;
  id.companyName = data.companyName;
  id.productName = data.productName;
  id.captionText = id.companyName + " - " + id.productName;
  id.shortVersion = std::to_string(number.major) + "." + std::to_string(number.minor);
  return id;
}

std::string executableFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return withSeparator(std::filesystem::current_path(ec).string());
  return withSeparator(exe.parent_path().string());
}

std::string userAppDataFolder() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && xdg[0] == '/') return withSeparator(xdg);
  return homeFolder() + ".local/share/";
}

std::string userConfigFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return withSeparator(xdg);
  return homeFolder() + ".config/";
}

bool isFolderWritable(const std::string& folder) {
  const std::string probe = withSeparator(folder) + "chk.tmp";
  const int fd = ::open(probe.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

DataPlaces chooseDataPlaces(const std::string& exeFolder, const std::string& configFolder,
                            const std::string& appDataFolder, const ProgramIdentity& identity) {
  namespace fs = std::filesystem;
  if (!isInstalledLayout(exeFolder) && isFolderWritable(exeFolder))
    return {withSeparator(exeFolder) + kSettingsFileName, withSeparator(exeFolder)};
  // ~/.config and ~/.local/share themselves may not exist yet on a fresh account.
  std::error_code ec;
  const fs::path config = fs::path(configFolder) / kInstalledName;
  const fs::path work = fs::path(appDataFolder) / kInstalledName;
  fs::create_directories(config, ec);
  fs::create_directories(work, ec);
  const fs::path settings = config / kSettingsFileName;
  const fs::path earlier = fs::path(appDataFolder) / identity.companyName / identity.productName / kSettingsFileName;
  if (!fs::exists(settings, ec) && fs::is_regular_file(earlier, ec))
    fs::copy_file(earlier, settings, fs::copy_options::skip_existing, ec);
  return {settings.string(), withSeparator(work.string())};
}

DataPlaces dataPlaces(const ProgramIdentity& identity) {
  return chooseDataPlaces(executableFolder(), userConfigFolder(), userAppDataFolder(), identity);
}

std::string installedFilesFolder(const std::string& exeFolder) {
  return withSeparator(
      (std::filesystem::path(exeFolder) / CRAWLSPECT_INSTALLED_FILES_FROM_BIN).lexically_normal().string());
}

bool isInstalledLayout(const std::string& exeFolder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  return !fs::is_regular_file(fs::path(exeFolder) / kTemplateFileName, ec) &&
         fs::is_regular_file(fs::path(installedFilesFolder(exeFolder)) / kTemplateFileName, ec);
}

std::string programFilePath(const std::string& exeFolder, const std::string& name) {
  namespace fs = std::filesystem;
  const fs::path beside = fs::path(exeFolder) / name;
  std::error_code ec;
  if (fs::is_regular_file(beside, ec)) return beside.string();
  const fs::path installed = fs::path(installedFilesFolder(exeFolder)) / name;
  if (fs::is_regular_file(installed, ec)) return installed.string();
  return beside.string();
}

}  // namespace crawlspect
