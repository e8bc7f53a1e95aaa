#include "core/platform/data_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "core/about/version_info.h"
#include "temp_dir.h"

using namespace crawlspect;
using testsupport::TempDir;

namespace {

TEST(ProgramIdentity, ComesFromTheVersionBlock) {
  const VersionInfo d = readVersionInfo();
  EXPECT_EQ(d.companyName, "ZORVANE");
  EXPECT_EQ(d.productName, "Crawlspect");
  EXPECT_EQ(d.fileVersion, "4.7.0.0");
  EXPECT_EQ(d.comments, "");
  EXPECT_EQ(d.privateBuild, "");
  EXPECT_EQ(d.specialBuild, "");
  const ProgramIdentity id = programIdentity();
  EXPECT_EQ(id.captionText, "ZORVANE - Crawlspect");
  EXPECT_EQ(id.shortVersion, "4.7");
}

// A per-user folder pair under one temporary folder.
struct UserFolders {
  TempDir home;
  std::string config() const { return (home.path() / "config").string(); }
  std::string data() const { return (home.path() / "share").string(); }
  DataPlaces installed() const {
    return {(home.path() / "config" / "crawlspect" / "settings.ini").string(),
            (home.path() / "share" / "crawlspect").string() + "/"};
  }
};

TEST(DataFolder, ExecutableFolderWhenWritableElseThePerUserFolders) {
  TempDir exe;
  UserFolders user;
  const ProgramIdentity id = programIdentity();
  const std::string exeFolder = exe.path().string();
  const DataPlaces portable = chooseDataPlaces(exeFolder, user.config(), user.data(), id);
  EXPECT_EQ(portable.settingsFile, exeFolder + "/settings.ini");
  EXPECT_EQ(portable.workFolder, exeFolder + "/");
  EXPECT_FALSE(std::filesystem::exists(exe.path() / "chk.tmp"));  // the probe leaves nothing behind
  EXPECT_FALSE(std::filesystem::exists(user.home.path() / "config"));

  // A "chk.tmp" already there counts as not writable (and is left alone).
  testsupport::writeFile(exe.file("chk.tmp"), "mine");
  const DataPlaces installed = chooseDataPlaces(exeFolder, user.config(), user.data(), id);
  EXPECT_EQ(installed.settingsFile, user.installed().settingsFile);
  EXPECT_EQ(installed.workFolder, user.installed().workFolder);
  EXPECT_TRUE(std::filesystem::is_directory(user.home.path() / "config" / "crawlspect"));
  EXPECT_TRUE(std::filesystem::is_directory(installed.workFolder));
  EXPECT_EQ(testsupport::readFile(exe.file("chk.tmp")), "mine");

  EXPECT_EQ(chooseDataPlaces(exe.file("missing"), user.config(), user.data(), id).workFolder,
            user.installed().workFolder);
}

// Root can write to /usr/bin: the installed layout alone must keep it out of there.
TEST(DataFolder, InstalledLayoutUsesThePerUserFoldersEvenWhenWritable) {
  TempDir prefix;
  UserFolders user;
  const std::filesystem::path bin = prefix.path() / "bin";
  const std::filesystem::path files = prefix.path() / "share" / "crawlspect";
  std::filesystem::create_directories(bin);
  std::filesystem::create_directories(files);
  testsupport::writeFile((files / "empty.db").string(), "");
  EXPECT_EQ(installedFilesFolder(bin.string()), files.string() + "/");
  EXPECT_TRUE(isInstalledLayout(bin.string()));
  EXPECT_EQ(chooseDataPlaces(bin.string(), user.config(), user.data(), programIdentity()).settingsFile,
            user.installed().settingsFile);
  EXPECT_EQ(programFilePath(bin.string(), "empty.db"), (files / "empty.db").string());

  // A copy with its own empty.db beside it is portable again, and uses that one.
  testsupport::writeFile((bin / "empty.db").string(), "");
  EXPECT_FALSE(isInstalledLayout(bin.string()));
  EXPECT_EQ(chooseDataPlaces(bin.string(), user.config(), user.data(), programIdentity()).workFolder,
            bin.string() + "/");
  EXPECT_EQ(programFilePath(bin.string(), "empty.db"), (bin / "empty.db").string());
  // Missing everywhere: the path beside the program, which the store treats as "no template".
  EXPECT_EQ(programFilePath(bin.string(), "license.txt"), (bin / "license.txt").string());
}

TEST(DataFolder, SettingsOfTheEarlierPerUserFolderAreCarriedOverOnce) {
  TempDir exe;
  UserFolders user;
  testsupport::writeFile(exe.file("chk.tmp"), "");  // not writable: installed
  const std::filesystem::path earlier = user.home.path() / "share" / "ZORVANE" / "Crawlspect";
  std::filesystem::create_directories(earlier);
  testsupport::writeFile((earlier / "settings.ini").string(), "[Settings]\nLimit=7\n");

  const DataPlaces places = chooseDataPlaces(exe.path().string(), user.config(), user.data(), programIdentity());
  EXPECT_EQ(testsupport::readFile(places.settingsFile), "[Settings]\nLimit=7\n");

  // Later changes are the user's and are never overwritten by the old file.
  testsupport::writeFile(places.settingsFile, "[Settings]\nLimit=9\n");
  chooseDataPlaces(exe.path().string(), user.config(), user.data(), programIdentity());
  EXPECT_EQ(testsupport::readFile(places.settingsFile), "[Settings]\nLimit=9\n");
}

TEST(DataFolder, PerUserFoldersFollowXdgVariablesOnlyWhenAbsolute) {
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  struct Case {
    const char* variable;
    std::string (*folder)();
    const char* fallback;
  };
  for (const Case& c : {Case{"XDG_CONFIG_HOME", &userConfigFolder, "/.config/"},
                        Case{"XDG_DATA_HOME", &userAppDataFolder, "/.local/share/"}}) {
    SCOPED_TRACE(c.variable);
    const char* saved = std::getenv(c.variable);
    const std::string savedValue = saved ? saved : "";
    ::setenv(c.variable, "/somewhere/else", 1);
    EXPECT_EQ(c.folder(), "/somewhere/else/");
    ::setenv(c.variable, "relative/path", 1);
    EXPECT_EQ(c.folder(), home + c.fallback);
    ::unsetenv(c.variable);
    EXPECT_EQ(c.folder(), home + c.fallback);
    if (saved) ::setenv(c.variable, savedValue.c_str(), 1);
  }
}

}  // namespace
