// Any text written through any statement of the catalogue reads back
// unchanged and is found again by the lookups that take it.
#include <gtest/gtest.h>

#include <random>

#include "core/store/database.h"
#include "core/store/statements.h"
#include "core/platform/text.h"
#include "temp_dir.h"

using namespace crawlspect;

namespace {

// Texts built from the awkward parts: quotes, backslashes, SQL punctuation,
// control characters (no NUL: page texts end at their first), and characters
// from every plane.
std::string randomText(std::mt19937& random) {
  static const char32_t kPieces[] = {U'\'', U'"', U'\\', U';', U'-', U'%', U'_', U'(', U')', U' ', U'\t',
                                     U'\r', U'\n', 0x01,  0x1F,  0x7F,  0xE9,  0x4E2D, 0xFFFD, 0x1F600,
                                     0x2A6D6, 0xE0041, 0x10FFFD, U'a', U'Z', U'0'};
  std::uniform_int_distribution<std::size_t> length(0, 24), piece(0, std::size(kPieces) - 1);
  std::string text;
  for (std::size_t i = length(random); i > 0; --i) appendUtf8(text, kPieces[piece(random)]);
  return text;
}

TEST(QuotingProperty, EveryStatementRoundTripsAnyText) {
  testsupport::TempDir dir;
  Database db;
  db.connect(dir.file("q.db"));
  db.ensureSchema();
  std::mt19937 random(2024);
  for (int round = 0; round < 300; ++round) {
    const std::string url = "u" + std::to_string(round) + randomText(random);
    const std::string title = randomText(random), description = randomText(random), value = randomText(random);
    const std::string anchor = randomText(random) + std::to_string(round);
    SCOPED_TRACE("round " + std::to_string(round));

    db.executeInOwnTransaction(sql::insertNewPage(url));
    db.execute(sql::updatePageFacts(title, description, url));
    db.execute(sql::updatePageH1(value, url));
    db.execute(sql::insertPageFacts(url + "#2", title, description));
    db.execute(sql::insertTag(url, "H1", value));
    db.execute(sql::insertLink(url, url + "->", value, title, anchor));

    auto page = db.query(sql::selectPage(url));
    ASSERT_EQ(page.rows.size(), 1u);
    EXPECT_EQ(page.text(0, "TITLE"), title);
    EXPECT_EQ(page.text(0, "DESCRIPTION"), description);
    EXPECT_EQ(page.text(0, "H1TAG"), value);
    EXPECT_EQ(db.query(sql::selectTagsOfPage("H1", url)).text(0, "VALUE"), value);
    bool found = false;
    for (const auto& row : db.query(sql::selectTagsWithValue("H1", value)).rows) found = found || row[0] == url;
    EXPECT_TRUE(found);
    auto link = db.query(sql::selectLinksTo(url + "->"));
    ASSERT_EQ(link.rows.size(), 1u);
    EXPECT_EQ(link.text(0, "URL"), url);
    EXPECT_EQ(link.text(0, "FOLLOW"), value);
    EXPECT_EQ(link.text(0, "TYPE"), title);
    EXPECT_EQ(link.text(0, "ANCHOR"), anchor);
    EXPECT_EQ(db.query(sql::groupLinksWithAnchor(anchor)).text(0, 0), url + "->");
    found = false;
    for (const auto& row : db.query(sql::selectUrlsWithTitle(title)).rows) found = found || row[0] == url;
    EXPECT_TRUE(found);
    found = false;
    for (const auto& row : db.query(sql::selectUrlsWithDescription(description)).rows) found = found || row[0] == url;
    EXPECT_TRUE(found);
  }
}

}  // namespace
