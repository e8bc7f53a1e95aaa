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
  const char* home = std::getenv("HOME");
  return withSeparator(std::string(home && home[0] ? home : "/tmp") + "/.local/share");
}

bool isFolderWritable(const std::string& folder) {
  const std::string probe = withSeparator(folder) + "chk.tmp";
  const int fd = ::open(probe.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

std::string chooseDataFolder(const std::string& exeFolder, const std::string& appDataFolder,
                             const ProgramIdentity& identity) {
  if (isFolderWritable(exeFolder)) return withSeparator(exeFolder);
  const std::filesystem::path product =
      std::filesystem::path(appDataFolder) / identity.companyName / identity.productName;
  // ~/.local/share itself may not exist yet on a fresh account.
  std::error_code ec;
  std::filesystem::create_directories(product, ec);
  return withSeparator(product.string());
}

std::string dataFolder(const ProgramIdentity& identity) {
  return chooseDataFolder(executableFolder(), userAppDataFolder(), identity);
}

}  // namespace crawlspect
