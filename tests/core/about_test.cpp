#include <gtest/gtest.h>

#include <filesystem>

#include "core/about/about_actions.h"
#include "core/about/letter_rain.h"
#include "temp_dir.h"

using namespace crawlspect;

namespace {

TEST(LetterRain, MatrixAndDropsFollowTheWindowSize) {
  LetterRain rain;
  rain.start(456, 374);
  EXPECT_EQ(rain.matrixWidth(), 57);
  EXPECT_EQ(rain.matrixHeight(), 31);
  ASSERT_EQ(rain.drops().size(), 114u);
  for (std::size_t i = 0; i < rain.drops().size(); ++i) {
    const RainDrop& d = rain.drops()[i];
    EXPECT_EQ(d.column, static_cast<int>(i % 57));
    EXPECT_TRUE(d.row >= 0 && d.row < 31 && d.speed >= 1 && d.speed <= 3 && d.brightness >= 0 && d.brightness <= 99);
  }
  rain.start(80000, 100);
  EXPECT_EQ(rain.drops().size(), 5000u);
  rain.start(7, 11);
  EXPECT_TRUE(rain.drops().empty());
  EXPECT_TRUE(rain.tick().empty());
}

TEST(LetterRain, ColoursAndErasedRow) {
  const DropColours c = dropColours(99);
  EXPECT_EQ(c.head, (Rgb{148, 252, 98}));
  EXPECT_EQ(c.trail, (Rgb{49, 84, 32}));
  EXPECT_EQ(dropColours(0).head, (Rgb{0, 0, 0}));
  const std::tuple<int, int, int> rows[] = {{10, 31, 2},  {0, 31, 24}, {39, 31, 31}, {40, 31, 0},
                                            {32, 31, 24}, {0, 2, 2},   {5, 0, 0}};
  for (const auto& [head, height, erased] : rows) EXPECT_EQ(eraseRow(head, height), erased) << head << " " << height;
}

TEST(LetterRain, TicksDrawEraseTrailHeadAndMoveEverySpeedFrames) {
  // random(3) gives 1 (letter "o", speed 2), everything else 0 (row 0, brightness 0).
  LetterRain rain([](int n) { return n == 3 ? 1 : 0; });
  rain.start(8, 48);  // one column, four rows: two drops
  ASSERT_EQ(rain.drops().size(), 2u);
  EXPECT_EQ(rain.drops()[0].speed, 2);

  std::vector<int> rows;
  for (int frame = 0; frame < 12; ++frame) {
    const std::vector<RainDraw> draws = rain.tick();
    // Both drops are alike: the first half of the draws is the first drop's.
    ASSERT_EQ(draws.size() % 2, 0u);
    const std::vector<RainDraw> first(draws.begin(), draws.begin() + static_cast<long>(draws.size() / 2));
    const int head = first.back().row;
    rows.push_back(head);
    ASSERT_EQ(first.size(), head > 0 ? 3u : 2u);
    EXPECT_EQ(first[0].kind, RainDraw::Kind::EraseCell);
    EXPECT_EQ(first[0].row, eraseRow(head, 4));
    if (head > 0) {
      EXPECT_EQ(first[1].row, head - 1);
      EXPECT_EQ(first[1].colour, dropColours(0).trail);
    }
    EXPECT_EQ(first.back().kind, RainDraw::Kind::Letter);
    EXPECT_EQ(first.back().letter, 'o');
    EXPECT_EQ(rain.drops()[0].letter, 'o');
  }
  // Moves on frames 0, 2, 4, ...; past row matrixHeight + 1 = 5 it starts again at 0.
  EXPECT_EQ(rows, (std::vector<int>{0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 0}));
  EXPECT_EQ(rain.frame(), 12);
}

TEST(AboutActions, InfoMenuClickThatClosedItDoesNotReopenIt) {
  using namespace std::chrono_literals;
  MenuReopenGuard guard;
  int button, menu, other;
  const auto t = MenuReopenGuard::Clock::now();
  EXPECT_TRUE(guard.shouldOpen(&button, &menu, t));
  guard.menuClosed(&button, &menu, t);
  EXPECT_TRUE(guard.shouldOpen(&other, &menu, t + 10ms));
  EXPECT_FALSE(guard.shouldOpen(&button, &menu, t + 99ms));
  EXPECT_TRUE(guard.shouldOpen(&button, &menu, t + 99ms));  // forgotten after use
  guard.menuClosed(&button, &menu, t);
  EXPECT_TRUE(guard.shouldOpen(&button, &menu, t + 100ms));
}

TEST(AboutActions, LicenseIsOpenedOnlyWhenItIsAFile) {
  testsupport::TempDir dir;
  EXPECT_EQ(licenseAddress(dir.path().string()), std::nullopt);
  std::filesystem::create_directories(dir.path() / "folder" / "license.txt");
  EXPECT_EQ(licenseAddress((dir.path() / "folder").string()), std::nullopt);

  testsupport::writeFile(dir.file("license.txt"), "terms");
  EXPECT_EQ(licenseAddress(dir.path().string()), "file://" + dir.file("license.txt"));

  const ProgramIdentity id = programIdentity();
  EXPECT_EQ(aboutCaption(id), "About Crawlspect");
  EXPECT_EQ(aboutProductLine(id), "Crawlspect 4.7");
}

TEST(AboutActions, InstalledProgramFindsTheLicenseUnderItsPrefix) {
  testsupport::TempDir prefix;
  const std::filesystem::path bin = prefix.path() / "bin";
  const std::filesystem::path files = prefix.path() / "share" / "crawlspect";
  std::filesystem::create_directories(bin);
  std::filesystem::create_directories(files);
  testsupport::writeFile((files / "license.txt").string(), "terms");
  EXPECT_EQ(licenseAddress(bin.string()), "file://" + (files / "license.txt").string());
  // A portable copy's own license beside it wins.
  testsupport::writeFile((bin / "license.txt").string(), "terms");
  EXPECT_EQ(licenseAddress(bin.string()), "file://" + (bin / "license.txt").string());
}

}  // namespace
