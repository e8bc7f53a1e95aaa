#include "core/results/csv_export.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>

#include "temp_dir.h"

using namespace crawlspect;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

const std::string kBom = "\xEF\xBB\xBF";

TEST(ExportForms, CsvHasHeaderAndEveryColumnPlainListTheFirstColumnOnly) {
  const Table sitemap = internalUrlTable({{"http://a.test/", "0,4", "7"}, {"http://a.test/new", "", "10"}});
  const ExportForms forms = buildExportForms(ExportId::Sitemap, sitemap, ';');
  EXPECT_EQ(forms.csv, kBom + "Page;Load_Time;URL_Length\r\nhttp://a.test/;0,4;7\r\nhttp://a.test/new;;10\r\n");
  EXPECT_EQ(forms.plainList, kBom + "http://a.test/\r\nhttp://a.test/new\r\n");

  const Table backlinks({"Source URL", "Anchor Text", "Type", "Follow"},
                        {{"http://a.test/1", "", "Internal", "NoFollow"}});
  EXPECT_EQ(buildExportForms(ExportId::Backlinks, backlinks, ',').csv,
            kBom + "Source_URL,Anchor_Text,Type,Follow\r\nhttp://a.test/1,,Internal,NoFollow\r\n");
}

TEST(ExportForms, EmptyListGivesHeaderOnlyOrJustTheByteOrderMark) {
  const ExportForms forms = buildExportForms(ExportId::H1Tags, emptyResultList(ResultListId::H1Tags), ',');
  EXPECT_EQ(forms.csv, kBom + "H1,Count\r\n");
  EXPECT_EQ(forms.plainList, kBom);
}

TEST(ExportForms, FieldsThatWouldBreakTheTableAreQuotedOthersStayAsShown) {
  const Table titles({"Title", "Count"},
                     {{"Tom, Jerry", "2"}, {"Say \"hi\"", "1"}, {"two\r\nlines", "1"}, {" a;b \"", "1"}});
  const ExportForms comma = buildExportForms(ExportId::Titles, titles, ',');
  EXPECT_EQ(comma.csv, kBom +
                           "Title,Count\r\n\"Tom, Jerry\",2\r\n\"Say \"\"hi\"\"\",1\r\n\"two\r\nlines\",1\r\n"
                           "\" a;b \"\"\",1\r\n");
  // The plain list has no fields to keep apart.
  EXPECT_EQ(comma.plainList, kBom + "Tom, Jerry\r\nSay \"hi\"\r\ntwo\r\nlines\r\n a;b \"\r\n");
  EXPECT_EQ(csvField("Tom, Jerry", ';'), "Tom, Jerry");
  EXPECT_EQ(csvField(" a;b ", ';'), "\" a;b \"");
}

TEST(ExportForms, OnlyACsvExtensionInAnyCaseChoosesTheTable) {
  const struct {
    const char* name;
    bool csv;
  } cases[] = {
      {"/tmp/out.csv", true},    {"/tmp/OUT.CSV", true},      {"/tmp/x.Csv", true},
      {"/tmp/out.txt", false},   {"/tmp/out.xls", false},     {"/tmp/out", false},
      {"/tmp/a.csv/out", false}, {"/tmp/out.csv.txt", false}, {"/tmp/out.txt.csv", true},
  };
  for (const auto& c : cases) EXPECT_EQ(wantsCsv(c.name), c.csv) << c.name;

  TempDir dir;
  const ExportForms forms{kBom + "Link,Count\r\n", kBom};
  ASSERT_NO_THROW(exportToFile(forms, dir.file("links.CSV")));
  ASSERT_NO_THROW(exportToFile(forms, dir.file("links")));
  EXPECT_EQ(readFile(dir.file("links.CSV")), forms.csv);
  EXPECT_EQ(readFile(dir.file("links")), forms.plainList);
}

// What a failed write says; empty when the write succeeded.
std::string writeFailure(const std::string& fileName, std::string_view bytes) {
  try {
    writeFileReplacing(fileName, bytes);
  } catch (const FileWriteError& e) {
    return e.what();
  }
  return "";
}

TEST(ExportWrite, ReplacesTheWholeFileAndLeavesNothingBeside) {
  TempDir dir;
  const std::string target = dir.file("titles.csv");
  writeFile(target, std::string(1000, 'x'));
  ASSERT_NO_THROW(writeFileReplacing(target, "short"));
  EXPECT_EQ(readFile(target), "short");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(ExportWrite, UnwritableTargetGivesNameAndReason) {
  TempDir dir;
  const std::string missingFolder = dir.file("gone/titles.csv");
  EXPECT_EQ(writeFailure(missingFolder, "x"), "Cannot write file \"" + missingFolder + "\": No such file or directory");
  std::filesystem::create_directory(dir.file("taken.csv"));
  EXPECT_EQ(writeFailure(dir.file("taken.csv"), "x"),
            "Cannot write file \"" + dir.file("taken.csv") + "\": Is a directory");
}

TEST(ExportWrite, FailureHalfwayLeavesTheOldFileUntouched) {
  TempDir dir;
  const std::string target = dir.file("sitemap.csv");
  writeFile(target, "old contents");
  // A file size limit makes the write fail after its first bytes, like a full disk.
  struct rlimit saved {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto* oldHandler = signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 8;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::string message = writeFailure(target, std::string(100, 'n'));
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, oldHandler);

  EXPECT_EQ(message, "Cannot write file \"" + target + "\": File too large");
  EXPECT_EQ(readFile(target), "old contents");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

}  // namespace
