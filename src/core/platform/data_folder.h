#pragma once
// Who the program is and where it keeps settings.ini and its working project
// files.
#include <string>

namespace crawlspect {

struct ProgramIdentity {
  std::string companyName;   // ZORVANE
  std::string productName;   // Crawlspect
  std::string captionText;   // "ZORVANE - Crawlspect": window caption, feedback "appname"
  std::string shortVersion;  // "4.7": major.minor of the file version
};

// Read from the version block.
ProgramIdentity programIdentity();

// Folder of the running executable, ending in "/".
std::string executableFolder();
// The user's application-data folder: $XDG_DATA_HOME when it is an absolute
// path, otherwise ~/.local/share; ends in "/".
std::string userAppDataFolder();

// Creates "chk.tmp" in the folder with create-new semantics and removes it
// again. False when the file could not be created, also when one of that name
// is already there.
bool isFolderWritable(const std::string& folder);

// The executable's folder when it is writable; otherwise <appData>/<company>/<product>/,
// created on the way (a failure to create it is not reported). Ends in "/".
std::string chooseDataFolder(const std::string& exeFolder, const std::string& appDataFolder,
                             const ProgramIdentity& identity);
// chooseDataFolder for this program and this user.
std::string dataFolder(const ProgramIdentity& identity);

}  // namespace crawlspect
