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

inline constexpr const char* kSettingsFileName = "settings.ini";
// The empty project every crawl starts from, supplied with the program.
inline constexpr const char* kTemplateFileName = "empty.db";

// Read from the version block.
ProgramIdentity programIdentity();

// Folder of the running executable, ending in "/".
std::string executableFolder();
// The user's application-data folder: $XDG_DATA_HOME when it is an absolute
// path, otherwise ~/.local/share; ends in "/".
std::string userAppDataFolder();
// The user's configuration folder: $XDG_CONFIG_HOME when it is an absolute
// path, otherwise ~/.config; ends in "/".
std::string userConfigFolder();

// Creates "chk.tmp" in the folder with create-new semantics and removes it
// again. False when the file could not be created, also when one of that name
// is already there.
bool isFolderWritable(const std::string& folder);

// Where settings.ini and the working project files live.
struct DataPlaces {
  std::string settingsFile;  // full path of settings.ini
  std::string workFolder;    // working project files; ends in "/"
};

// A program whose folder is writable (a build folder, a copy on a stick) is
// portable and keeps both beside itself. An installed one (its folder not
// writable, or laid out as installed: empty.db not beside it but in
// installedFilesFolder, so that root does not write into /usr/bin) keeps settings in
// <config>/crawlspect/settings.ini and working files in <appData>/crawlspect/,
// both folders created on the way (a failure to create them is not reported).
// A settings.ini that earlier versions kept in <appData>/<company>/<product>/
// is copied over once, so an upgrade keeps the user's settings.
DataPlaces chooseDataPlaces(const std::string& exeFolder, const std::string& configFolder,
                            const std::string& appDataFolder, const ProgramIdentity& identity);
// chooseDataPlaces for this program and this user.
DataPlaces dataPlaces(const ProgramIdentity& identity);

// The folder an installed program's read-only files (empty.db, license.txt)
// go to, relative to its executable: <prefix>/share/crawlspect/ for
// <prefix>/bin/. Ends in "/".
std::string installedFilesFolder(const std::string& exeFolder);
// True when exeFolder has the installed layout described above.
bool isInstalledLayout(const std::string& exeFolder);
// A file supplied with the program: beside the executable when it is there
// (a build folder or a portable copy), else in installedFilesFolder. The path
// beside the executable when it is in neither place.
std::string programFilePath(const std::string& exeFolder, const std::string& name);

}  // namespace crawlspect
