// Every statement stores any text exactly as given and finds it again, however
// the text reads as SQL: values are bound, and each statement must bind them
// to the columns its comment in statements.h names.
#include "core/store/statements.h"

#include <gtest/gtest.h>

#include <random>

#include "core/pagefacts/page_record.h"
#include "core/platform/loop_desktop.h"
#include "core/results/detail_views.h"
#include "core/results/result_lists.h"
#include "core/store/database.h"
#include "core/store/project_store.h"
#include "temp_dir.h"

using namespace crawlspect;

namespace {

// Texts built from the awkward parts: quotes, backslashes, SQL punctuation and
// markers, control characters with NUL, UTF-8 from every plane and broken
// UTF-8 (lone lead and continuation bytes, an encoded surrogate, 0xFF).
std::string randomText(std::mt19937& random) {
  using namespace std::string_view_literals;
  // One kind of piece per line.
  // clang-format off
  static constexpr std::string_view kPieces[] = {
      "'", "''", "\"", "\\",
      ";", "--", "/*", "%", "_", "(", ")",
      "?", "?1", ":a", "@a", "$a",
      " ", "\t", "\r\n", "\0"sv, "\x01", "\x1F", "\x7F",
      "\xC3\xA9", "\xE4\xB8\xAD", "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBD",
      "\xC3", "\x80", "\xED\xA0\x80", "\xFF",
      "a", "Z", "0"};
  // clang-format on
  std::uniform_int_distribution<std::size_t> length(0, 24), piece(0, std::size(kPieces) - 1);
  std::string text;
  for (std::size_t i = length(random); i > 0; --i) text += kPieces[piece(random)];
  return text;
}

bool anyRowIs(const QueryResult& result, std::size_t column, const std::string& value) {
  for (const auto& row : result.rows)
    if (column < row.size() && row[column] == value) return true;
  return false;
}

TEST(Statements, EveryStatementRoundTripsAnyText) {
  testsupport::TempDir dir;
  Database db;
  db.connect(dir.file("q.db"));
  db.ensureSchema();
  std::mt19937 random(2024);
  for (int round = 0; round < 300; ++round) {
    // The first rounds take the texts that once took other paths: empty, a
    // lone NUL, and one past a megabyte.
    std::string value = round == 0 ? "" : round == 1 ? std::string(1, '\0') : randomText(random);
    if (round == 2) value = std::string(3 << 20, 'x') + "'" + randomText(random);
    const std::string url = "u" + std::to_string(round) + randomText(random);
    const std::string title = round < 3 ? value : randomText(random);
    const std::string description = randomText(random);
    const std::string anchor = randomText(random) + std::to_string(round);
    SCOPED_TRACE("round " + std::to_string(round));

    db.executeInOwnTransaction(sql::kInsertNewPage, {url});
    db.execute(sql::kUpdatePageFacts, {title, description, url});
    db.execute(sql::kUpdatePageH1, {value, url});
    db.execute(sql::kInsertPageFacts, {url + "#2", title, description});
    db.execute(sql::kInsertTag, {url, "H1", value});
    db.execute(sql::kInsertLink, {url, url + "->", value, title, anchor});

    const QueryResult page = db.query(sql::kSelectPage, {url});
    ASSERT_EQ(page.rows.size(), 1u);
    EXPECT_EQ(page.text(0, "TITLE"), title);
    EXPECT_EQ(page.text(0, "DESCRIPTION"), description);
    EXPECT_EQ(page.text(0, "H1TAG"), value);
    const QueryResult second = db.query(sql::kSelectPage, {url + "#2"});
    ASSERT_EQ(second.rows.size(), 1u);
    EXPECT_EQ(second.text(0, "TITLE"), title);
    EXPECT_EQ(second.text(0, "DESCRIPTION"), description);
    EXPECT_EQ(db.query(sql::kSelectTagsOfPage, {"H1", url}).text(0, "VALUE"), value);
    EXPECT_TRUE(anyRowIs(db.query(sql::kSelectTagsWithValue, {"H1", value}), 0, url));
    const QueryResult link = db.query(sql::kSelectLinksTo, {url + "->"});
    ASSERT_EQ(link.rows.size(), 1u);
    EXPECT_EQ(link.text(0, "URL"), url);
    EXPECT_EQ(link.text(0, "FOLLOW"), value);
    EXPECT_EQ(link.text(0, "TYPE"), title);
    EXPECT_EQ(link.text(0, "ANCHOR"), anchor);
    EXPECT_EQ(db.query(sql::kGroupLinksWithAnchor, {anchor}).text(0, 0), url + "->");
    EXPECT_TRUE(anyRowIs(db.query(sql::kSelectUrlsWithTitle, {title}), 0, url));
    EXPECT_TRUE(anyRowIs(db.query(sql::kSelectUrlsWithDescription, {description}), 0, url));
    bool grouped = false;
    db.forEachRow(sql::kGroupTags, {"H1"}, [&](const RowView& row) { grouped = grouped || row.text(0) == value; });
    EXPECT_TRUE(grouped);
  }
}

// A text that reads as SQL, through the crawl's, the page step's and the
// lists' own paths: stored and found exactly, nothing reported.
TEST(Statements, SqlPunctuationInValuesIsJustText) {
  const std::string value = "it's ? -- ; 100% '') or 1=1; --";
  testsupport::TempDir dir;
  LoopDesktop desktop;
  Database db;
  ProjectStore store(db, desktop, dir.path().string(), dir.file("no-template.db"));
  std::mt19937 random(5);
  store.chooseWorkingFile(random);
  store.freshReset();

  const std::string pageUrl = "http://a.test/" + value;
  store.recordNewPage(pageUrl);
  store.storeLink(value, pageUrl, value, value, "Internal");
  {
    ProjectStore::Batch batch(store);
    store.storeLink(value + "#batched", pageUrl, "Follow", value, "External");
  }
  savePageRecord(db, desktop, "Crawlspect", pageUrl,
                 "<title>" + value + "</title><meta name=description content=\"" + value + "\"><h1>" + value +
                     "</h1><h2>" + value + "</h2>");
  EXPECT_TRUE(desktop.messages().empty());

  EXPECT_EQ(db.query("SELECT URL, TITLE, DESCRIPTION, H1TAG FROM PAGES;").rows,
            (std::vector<std::vector<DbValue>>{{pageUrl, value, value, value}}));
  EXPECT_EQ(db.query("SELECT URL, LINK, FOLLOW, TYPE, ANCHOR FROM LINKS ORDER BY rowid;").rows,
            (std::vector<std::vector<DbValue>>{{pageUrl, value, value, "Internal", value},
                                               {pageUrl, value + "#batched", "Follow", "External", value}}));
  EXPECT_EQ(db.query("SELECT URL, TAG, VALUE FROM TAGS ORDER BY rowid;").rows,
            (std::vector<std::vector<DbValue>>{{pageUrl, "H1", value}, {pageUrl, "H2", value}}));

  // The lists show it, and selecting it finds its rows.
  for (ResultListId id : {ResultListId::H1Tags, ResultListId::H2Tags, ResultListId::Titles, ResultListId::Descriptions,
                          ResultListId::Anchors}) {
    SCOPED_TRACE(resultListCaption(id));
    const Table list = loadResultList(db, id, desktop);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list.cell(0, 0), value);
    EXPECT_EQ(lookupDetail(db, id, value, desktop).table.size(), id == ResultListId::Anchors ? 2u : 1u);
  }
  EXPECT_EQ(lookupDetail(db, ResultListId::Links, value, desktop).table.rows(),
            (std::vector<std::vector<std::string>>{{pageUrl, value, "Internal", value}}));
  const PageDetails details = lookupPageDetails(db, pageUrl, desktop);
  EXPECT_EQ(details.title, value);
  EXPECT_EQ(details.h1Lines, std::vector<std::string>{value});
  EXPECT_TRUE(desktop.messages().empty());
  store.close();
}

}  // namespace
