#include "core/platform/data_folder.h"

#include <gtest/gtest.h>

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

TEST(DataFolder, ExecutableFolderWhenWritableElseThePerUserFolder) {
  TempDir exe, appData;
  const ProgramIdentity id = programIdentity();
  const std::string exeFolder = exe.path().string();
  EXPECT_EQ(chooseDataFolder(exeFolder, appData.path().string(), id), exeFolder + "/");
  EXPECT_FALSE(std::filesystem::exists(exe.path() / "chk.tmp"));  // the probe leaves nothing behind

  // A "chk.tmp" already there counts as not writable (and is left alone).
  testsupport::writeFile(exe.file("chk.tmp"), "mine");
  const std::string expected = (appData.path() / "share" / "ZORVANE" / "Crawlspect").string() + "/";
  EXPECT_EQ(chooseDataFolder(exeFolder, (appData.path() / "share").string(), id), expected);
  EXPECT_TRUE(std::filesystem::is_directory(expected));
  EXPECT_EQ(testsupport::readFile(exe.file("chk.tmp")), "mine");

  EXPECT_EQ(chooseDataFolder(exe.file("missing"), (appData.path() / "share").string(), id), expected);
}

}  // namespace
