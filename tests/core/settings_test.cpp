#include "core/settings/settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <thread>
#include <tuple>

#include "core/platform/loop_desktop.h"
#include "temp_dir.h"

using namespace crawlspect;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace crawlspect {
void PrintTo(const WindowRect& r, std::ostream* os) {
  *os << "{" << r.left << ", " << r.top << ", " << r.width << ", " << r.height << "}";
}
}  // namespace crawlspect

namespace {

const std::string kHome = "https://www.zorvane.com/";
constexpr ScreenSize kScreen{1920, 1080};

struct SettingsFixture : ::testing::Test {
  TempDir dir;
  std::string path = dir.file("settings.ini");
  SettingsFile file{path};
  LoopDesktop desktop;
  SettingsWriter writer{file, desktop, "Crawlspect"};

  void store(const std::string& body) { writeFile(path, "[Settings]\r\n" + body); }
  OptionValues options() const { return storedOptions(SettingsFile(path), builtInOptions(kHome)); }
};

TEST_F(SettingsFixture, FirstStartWithoutAFileUsesTheBuiltInValues) {
  const OptionValues v = options();
  EXPECT_EQ(v.startUrl, kHome);
  EXPECT_FALSE(v.showOptions);
  EXPECT_FALSE(v.subDomainOnly);
  EXPECT_TRUE(v.removeAnchors);
  EXPECT_EQ(v.connectionTimeout, "10000");
  EXPECT_EQ(v.responseTimeout, "10000");
  EXPECT_EQ(v.agent, kAgentPresets[0]);
  EXPECT_EQ(v.ignoreUrls, "");
  EXPECT_EQ(v.pageLimit, 50);

  // Maximized; restored it is as wide as the screen is high and width/2.3 high, centred.
  const WindowPlacement p = storedPlacement(file, kScreen);
  EXPECT_TRUE(p.maximized);
  EXPECT_EQ(p.normal, (WindowRect{420, 122, 1080, 835}));
  EXPECT_FALSE(std::filesystem::exists(path));  // reading never creates the file
}

TEST_F(SettingsFixture, EveryKeySurvivesARestart) {
  const std::string ignore = "/private/\r\n  /spaced \\ back\\slash\r\n\r\n/last\r\n";
  writer.armPlacement();
  writer.savePlacement(WindowShowState::Normal, {10, 20, 800, 600});
  writer.saveStartUrl("http://example.com/a?b=1&c=2");
  writer.saveShowOptions(true);
  writer.saveScope(true);
  writer.saveRemoveAnchors(false);
  writer.saveConnectionTimeout("1500");
  writer.saveResponseTimeout("2500");
  writer.saveAgent(std::string(kAgentPresets[3]));
  writer.saveIgnoreExtensions("png gif");
  writer.saveIgnoreUrls(ignore);
  writer.savePageLimit(1234);
  EXPECT_TRUE(desktop.messages().empty());

  const OptionValues v = options();
  EXPECT_EQ(v.startUrl, "http://example.com/a?b=1&c=2");
  EXPECT_TRUE(v.showOptions);
  EXPECT_TRUE(v.subDomainOnly);
  EXPECT_FALSE(v.removeAnchors);
  EXPECT_EQ(v.connectionTimeout, "1500");
  EXPECT_EQ(v.responseTimeout, "2500");
  EXPECT_EQ(v.agent, kAgentPresets[3]);
  EXPECT_EQ(v.ignoreExtensions, "png gif");
  EXPECT_EQ(v.ignoreUrls, ignore);
  EXPECT_EQ(v.pageLimit, 1234);
  const WindowPlacement p = storedPlacement(SettingsFile(path), kScreen);
  EXPECT_FALSE(p.maximized);
  EXPECT_EQ(p.normal, (WindowRect{10, 20, 800, 600}));

  // One section, key=value lines, the placement keys in their writing order.
  const std::string text = readFile(path);
  EXPECT_EQ(text.rfind("[Settings]", 0), 0u);
  EXPECT_NE(text.find("Left=10\nTop=20\nHeight=600\nWidth=800\nWindowState=Normal\n"), std::string::npos) << text;
  EXPECT_NE(text.find("DomainOnly=0\nSubDomainOnly=1\n"), std::string::npos);
}

TEST_F(SettingsFixture, OddStoredValuesReadAsTheWindowExpects) {
  struct Case {
    std::string body;
    int pageLimit;
    bool subDomainOnly, removeAnchors, showOptions;
  };
  const Case cases[] = {
      {"PageLimit=0x64\n", 100, false, true, false},
      {"PageLimit=abc\n", 50, false, true, false},
      {"PageLimit=0\n", 1, false, true, false},
      {"PageLimit=-7\n", 1, false, true, false},
      {"PageLimit=2000000000\n", 999999999, false, true, false},
      {"PageLimit=99999999999\n", 50, false, true, false},
      {"PageLimit=\n", 50, false, true, false},
      {"RemoveAnchors=no\nShowOptions=yes\n", 50, false, true, false},
      {"RemoveAnchors=0\nShowOptions=1\n", 50, false, false, true},
      {"DomainOnly=1\nSubDomainOnly=1\n", 50, true, true, false},
      {"DomainOnly=0\nSubDomainOnly=0\n", 50, false, true, false},
  };
  for (const Case& c : cases) {
    store(c.body);
    const OptionValues v = options();
    EXPECT_EQ(v.pageLimit, c.pageLimit) << c.body;
    EXPECT_EQ(v.subDomainOnly, c.subDomainOnly) << c.body;
    EXPECT_EQ(v.removeAnchors, c.removeAnchors) << c.body;
    EXPECT_EQ(v.showOptions, c.showOptions) << c.body;
  }
}

TEST_F(SettingsFixture, LinkRulesAreStandardUnlessClassicIsStored) {
  const std::pair<const char*, bool> cases[] = {
      {"", false}, {"LinkRules=Classic\n", true}, {"LinkRules=CLASSIC\n", true}, {"LinkRules=Old\n", false}};
  for (const auto& [body, classic] : cases) {
    store(body);
    EXPECT_EQ(options().classicLinkRules, classic) << body;
  }
  writer.saveLinkRules(true);
  EXPECT_TRUE(options().classicLinkRules);
  writer.saveLinkRules(false);
  EXPECT_FALSE(options().classicLinkRules);
  EXPECT_EQ(SettingsFile(path).value("LinkRules"), "Standard");
}

TEST_F(SettingsFixture, RequestRateReadsAsNoLimitUnlessAPositiveNumberIsStored) {
  const std::pair<const char*, double> cases[] = {{"", 0},
                                                  {"MaxRequestsPerSecond=2.5\n", 2.5},
                                                  {"MaxRequestsPerSecond=-3\n", 0},
                                                  {"MaxRequestsPerSecond=5 per second\n", 0},
                                                  {"MaxRequestsPerSecond=nan\n", 0},
                                                  {"MaxRequestsPerSecond=inf\n", 0}};
  for (const auto& [body, rate] : cases) {
    store(body);
    EXPECT_EQ(options().maxRequestsPerSecond, rate) << body;
  }
  writer.saveMaxRequestsPerSecond(0.5);
  writer.saveParallelRequests(8);
  EXPECT_EQ(options().maxRequestsPerSecond, 0.5);
  EXPECT_EQ(options().parallelRequests, 8);
  EXPECT_EQ(SettingsFile(path).value("MaxRequestsPerSecond"), "0.5");
}

TEST_F(SettingsFixture, RobotsTxtIsReportUnlessAnotherChoiceIsStored) {
  const std::pair<const char*, int> cases[] = {
      {"", 0}, {"RobotsTxt=Obey\n", 1}, {"RobotsTxt=ignore\n", 2}, {"RobotsTxt=Skip\n", 0}};
  for (const auto& [body, choice] : cases) {
    store(body);
    EXPECT_EQ(options().robotsTxt, choice) << body;
  }
  writer.saveRobotsTxt(1);
  EXPECT_EQ(SettingsFile(path).value("RobotsTxt"), "Obey");
  EXPECT_EQ(options().robotsTxt, 1);
}

TEST_F(SettingsFixture, ExternalLinksAreCheckedOnlyWhenStoredSo) {
  const std::pair<const char*, bool> cases[] = {{"", false},
                                                {"CheckExternalLinks=1\n", true},
                                                {"CheckExternalLinks=0\n", false},
                                                {"CheckExternalLinks=yes\n", false}};
  for (const auto& [body, ticked] : cases) {
    store(body);
    EXPECT_EQ(options().checkExternalLinks, ticked) << body;
  }
  writer.saveCheckExternalLinks(true);
  EXPECT_TRUE(options().checkExternalLinks);
}

TEST_F(SettingsFixture, EmptyTextValuesCountAsAbsent) {
  store("StartURL=\nConnectionTimeout=\nResponseTimeout=\nAgent=\nIgnoreExtensions=\nIgnoreURLs=\n");
  const OptionValues v = options();
  const OptionValues builtIn = builtInOptions(kHome);
  EXPECT_EQ(v.startUrl, builtIn.startUrl);
  EXPECT_EQ(v.connectionTimeout, "10000");
  EXPECT_EQ(v.agent, builtIn.agent);
  EXPECT_EQ(v.ignoreExtensions, builtIn.ignoreExtensions);
}

TEST_F(SettingsFixture, NamesMatchWithoutCaseAndOtherKeysAreKept) {
  writeFile(path,
            "; kept comment\n[SETTINGS]\nstarturl=http://a.example/\npagelimit=7\nMyOwnKey=mine\n"
            "[Services]\nFeedbackHost=127.0.0.1\n");
  EXPECT_EQ(options().startUrl, "http://a.example/");
  EXPECT_EQ(options().pageLimit, 7);

  writer.savePageLimit(8);
  // Another copy of the program writes meanwhile; its key survives our next write.
  SettingsFile other(path);
  ASSERT_TRUE(other.writeString("Agent", "other copy"));
  writer.saveStartUrl("http://b.example/");

  const std::string text = readFile(path);
  EXPECT_NE(text.find("pagelimit=8\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("PageLimit"), std::string::npos) << "no second line for the same key";
  EXPECT_NE(text.find("starturl=http://b.example/\n"), std::string::npos);
  EXPECT_NE(text.find("MyOwnKey=mine"), std::string::npos);
  EXPECT_NE(text.find("; kept comment"), std::string::npos);
  EXPECT_NE(text.find("FeedbackHost=127.0.0.1"), std::string::npos);
  EXPECT_EQ(options().agent, "other copy");
}

// Another copy of the program (or the command line) reads settings.ini while
// the window saves change after change: it always sees a whole file.
TEST_F(SettingsFixture, AReaderNeverSeesAHalfWrittenFile) {
  const std::string small(1000, 'a');
  const std::string large(200000, 'b');
  writeFile(path, "[Settings]\nStartUrl=" + small + "\n[Tail]\nLast=end\n");
  std::atomic<bool> writing{true};
  std::atomic<int> reads{0};
  int torn = 0;
  std::thread reader([&] {
    while (writing || reads == 0) {
      const std::string text = readFile(path);
      // The value line is whole and the key after it is there.
      const bool whole =
          text.find("Last=end") != std::string::npos &&
          (text.find("=" + small + "\n") != std::string::npos || text.find("=" + large + "\n") != std::string::npos);
      if (!whole) ++torn;
      ++reads;
    }
  });
  for (int i = 0; i < 200; ++i) writer.saveStartUrl(i % 2 ? small : large);
  writing = false;
  reader.join();
  EXPECT_EQ(torn, 0) << "of " << reads << " reads";
  EXPECT_TRUE(desktop.messages().empty());
}

TEST_F(SettingsFixture, OnlyAChangeIsWrittenKeepingTheFileModeAndLink) {
  const auto identity = [this] {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return std::tuple{st.st_ino, st.st_mtim.tv_sec, st.st_mtim.tv_nsec, st.st_mode & 07777};
  };
  writer.saveStartUrl("http://a.example/");
  writer.savePageLimit(7);
  ::chmod(path.c_str(), 0640);
  const auto before = identity();

  // Loading writes every control's value back, and handlers fire for unchanged text.
  writer.beginLoad();
  writer.saveStartUrl("http://a.example/");
  writer.savePageLimit(7);
  writer.endLoad();
  EXPECT_EQ(identity(), before);

  writer.savePageLimit(8);
  const auto after = identity();
  EXPECT_NE(std::get<0>(after), std::get<0>(before));  // a new file took the old one's place
  EXPECT_EQ(std::get<3>(after), 0640u);
  EXPECT_EQ(options().pageLimit, 8);

  // Through a link, the file it names is replaced and the link stays.
  const std::string real = dir.file("real.ini");
  std::filesystem::rename(path, real);
  std::filesystem::create_symlink(real, path);
  writer.savePageLimit(9);
  EXPECT_TRUE(std::filesystem::is_symlink(path));
  EXPECT_NE(readFile(real).find("PageLimit=9"), std::string::npos);
  EXPECT_EQ(options().startUrl, "http://a.example/");
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    EXPECT_EQ(entry.path().filename().string().find(".part"), std::string::npos) << entry.path();
  EXPECT_TRUE(desktop.messages().empty());
}

TEST(IniInteger, ReadsHexDecimalAndFallsBack) {
  const std::pair<std::string, int> cases[] = {
      {"0x64", 100}, {"0X1f", 31}, {"0x", 7},  {"0xg1", 7}, {"0xFFFFFFFF", -1}, {"0x123456789", 7}, {"42", 42},
      {"-42", -42},  {"+5", 5},    {"4 2", 7}, {"", 7},     {"2147483648", 7},  {"00012", 12},      {"x64", 7},
      {"1.5", 7},    {"-0x10", 7},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(readIniInteger(text, 7), expected) << text;
}

TEST(WindowPlacementAtStart, FollowsTheStoredSizeRules) {
  TempDir dir;
  const std::string path = dir.file("settings.ini");
  struct Case {
    std::string body;
    ScreenSize screen;
    WindowRect rect;
    bool maximized;
  };
  const Case cases[] = {
      {"Left=5\nTop=6\nWidth=700\nHeight=500\nWindowState=Normal\n", {1920, 1080}, {5, 6, 700, 500}, false},
      // Only one of Left and Top: centred.
      {"Left=5\nWidth=700\nHeight=500\n", {1920, 1080}, {610, 290, 700, 500}, true},
      // Too wide: as wide as the screen is high; too high: width / 2.3.
      {"Width=2000\nHeight=1100\n", {1920, 1080}, {420, 122, 1080, 835}, true},
      {"Width=0\nHeight=abc\n", {1366, 768}, {299, 87, 768, 594}, true},
      {"Width=-300\nHeight=-1\n", {1920, 1080}, {420, 122, 1080, 835}, true},
      {"Width=1920\nHeight=1080\nLeft=-8\nTop=0x10\n", {1920, 1080}, {-8, 16, 1920, 1080}, true},
      {"WindowState=normal\n", {1920, 1080}, {420, 122, 1080, 835}, true},
      {"WindowState=Maximized\n", {1920, 1080}, {420, 122, 1080, 835}, true},
  };
  for (const Case& c : cases) {
    writeFile(path, "[Settings]\n" + c.body);
    const WindowPlacement p = storedPlacement(SettingsFile(path), c.screen);
    EXPECT_EQ(p.normal, c.rect) << c.body;
    EXPECT_EQ(p.maximized, c.maximized) << c.body;
  }
}

TEST_F(SettingsFixture, PlacementIsSavedOnlyWhenArmedAndNotWhenMinimized) {
  writer.savePlacement(WindowShowState::Normal, {1, 2, 3, 4});
  EXPECT_FALSE(std::filesystem::exists(path));
  writer.armPlacement();
  writer.savePlacement(WindowShowState::Normal, {1, 2, 300, 400});
  writer.savePlacement(WindowShowState::Maximized, {0, 0, 1920, 1080});
  writer.savePlacement(WindowShowState::Minimized, {9, 9, 9, 9});
  const WindowPlacement p = storedPlacement(file, kScreen);
  EXPECT_TRUE(p.maximized);
  EXPECT_EQ(p.normal, (WindowRect{1, 2, 300, 400}));  // the last normal placement stays for the restore
  EXPECT_EQ(file.value("WindowState"), "Maximized");
}

TEST(PageLimitField, TextAndRange) {
  EXPECT_EQ(pageLimitOfText("75"), 75);
  EXPECT_EQ(pageLimitOfText(""), 1);  // a cleared field writes 1
  EXPECT_EQ(pageLimitOfText("12a"), 1);
  EXPECT_EQ(pageLimitOfText("1500000000"), 1500000000);  // written as typed ...
  EXPECT_EQ(clampPageLimit(1500000000), 999999999);      // ... and limited when the field is left
  EXPECT_EQ(clampPageLimit(0), 1);
}

TEST(MultiLineValue, EveryTextComesBackWithCrLfBreaks) {
  const std::pair<std::string, std::string> cases[] = {
      {"a\r\nb", "a\r\nb"},
      {"a\nb\rc", "a\r\nb\r\nc"},
      {"\r\n\r\nx\r\n", "\r\n\r\nx\r\n"},
      {"  lead and trail \t", "  lead and trail \t"},
      {"back\\slash \\n not a break \\x41", "back\\slash \\n not a break \\x41"},
      {"\"quoted\"", "\"quoted\""},
      {"; # = [x]", "; # = [x]"},
      {"", ""},
  };
  TempDir dir;
  SettingsFile file(dir.file("settings.ini"));
  for (const auto& [text, back] : cases) {
    ASSERT_TRUE(file.writeString("IgnoreURLs", encodeMultiLine(text)));
    EXPECT_EQ(decodeMultiLine(file.readString("IgnoreURLs", "?")), back) << text;
  }
  EXPECT_EQ(decodeMultiLine("a\\qb\\"), "a\\qb\\");  // hand-written single backslashes survive
}

TEST(SettingsWriteFailure, ReportsUnableToWriteOncePerChange) {
  TempDir dir;
  const std::string missingFolder = dir.file("gone") + "/settings.ini";
  const std::string directory = dir.file("settings.ini");
  std::filesystem::create_directory(directory);
  for (const std::string& path : {missingFolder, directory}) {
    SettingsFile file(path);
    LoopDesktop desktop;
    SettingsWriter writer(file, desktop, "Crawlspect");
    writer.saveScope(true);
    writer.armPlacement();
    writer.savePlacement(WindowShowState::Normal, {1, 2, 3, 4});
    ASSERT_EQ(desktop.messages().size(), 2u) << path;
    EXPECT_EQ(desktop.messages()[0].text, "Unable to write to " + path);
    EXPECT_EQ(desktop.messages()[0].icon, MessageIcon::Error);

    // Loading writes values back control by control: one message for all of them.
    writer.beginLoad();
    writer.saveStartUrl("x");
    writer.saveShowOptions(true);
    writer.saveRemoveAnchors(false);
    EXPECT_EQ(desktop.messages().size(), 2u);
    writer.endLoad();
    EXPECT_EQ(desktop.messages().size(), 3u);
  }
}

TEST_F(SettingsFixture, ResetDeletesTheFileAndStartsAFreshCopy) {
  writer.saveStartUrl("http://a.example/");
  resetToDefaults(desktop, path);
  EXPECT_FALSE(std::filesystem::exists(path));
  ASSERT_EQ(desktop.startedCopies().size(), 1u);
  EXPECT_TRUE(desktop.startedCopies()[0].empty());
  EXPECT_EQ(options().startUrl, kHome);
}

}  // namespace
