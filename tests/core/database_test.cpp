// Statements are prepared once per connection and kept, their values bound:
// what the connection stores and what it reports must be exactly the values
// and the database's own errors, whatever the values hold.
#include "core/store/database.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>

#include "core/store/statements.h"
#include "temp_dir.h"

using namespace crawlspect;

namespace {

class KeptStatements : public ::testing::Test {
 protected:
  void SetUp() override {
    db.connect(dir.file("project.db"));
    db.ensureSchema();
  }
  std::string lastValue() { return db.query("SELECT VALUE FROM TAGS ORDER BY rowid DESC LIMIT 1;").text(0, 0); }

  testsupport::TempDir dir;
  Database db;
};

TEST_F(KeptStatements, StoreEveryValueAsWritten) {
  const std::string values[] = {
      "",
      "it's",
      "''",
      "'",
      "a;b); insert into TAGS (URL,TAG,VALUE) values ('x','y','z');",
      "-- not a comment /* nor this */",
      "? ?1 :name @name $name #x",
      "\"double\" [bracket] `tick`",
      "line\r\nbreak\ttab",
      "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80",
      "\xFF\xFE broken utf-8",
      std::string(200000, 'x') + "'" + std::string(10, 'y'),
  };
  for (const std::string& value : values) {
    db.execute(sql::kInsertTag, {"http://a.test/", "H1", value});
    EXPECT_EQ(lastValue(), value) << value.substr(0, 80);
  }
  // Updates too, and the same statement again with other values.
  db.execute(sql::kInsertNewPage, {"http://a.test/o'k"});
  db.execute(sql::kUpdatePageFacts, {"T'1", "", "http://a.test/o'k"});
  db.execute(sql::kUpdatePageFacts, {"T2", "D'2", "http://a.test/o'k"});
  const QueryResult page = db.query("SELECT TITLE, DESCRIPTION FROM PAGES;");
  ASSERT_EQ(page.rows.size(), 1u);
  EXPECT_EQ(page.text(0, 0), "T2");
  EXPECT_EQ(page.text(0, 1), "D'2");
  EXPECT_EQ(db.query("SELECT COUNT(*) FROM TAGS;").text(0, 0), std::to_string(std::size(values)));
}

// The empty text stays a text, whichever way it is passed; only nullopt is NULL.
TEST_F(KeptStatements, EmptyTextIsNotNull) {
  const BoundValue values[] = {std::string_view(), std::string_view(""), std::string(), "", std::nullopt};
  for (const BoundValue& value : values) db.execute(sql::kInsertTag, {"u", "H1", value});
  const QueryResult rows = db.query("SELECT typeof(VALUE), VALUE IS NULL FROM TAGS ORDER BY rowid;");
  ASSERT_EQ(rows.rows.size(), 5u);
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(rows.text(i, 0), "text") << i;
  EXPECT_EQ(rows.text(4, 0), "null");
  // And a lookup by the empty text finds the empty texts, not the NULL.
  EXPECT_EQ(db.query(sql::kSelectTagsWithValue, {"H1", std::string_view()}).rows.size(), 4u);
}

TEST_F(KeptStatements, ScriptsRunAsWritten) {
  // Two statements in one text, a blob literal, a comment, upper-case keywords.
  db.executeScript(
      "insert into TAGS (URL,TAG,VALUE) values ('u','A','1'); insert into TAGS (URL,TAG,VALUE) values "
      "('u','A','2');");
  db.executeScript("insert into TAGS (URL,TAG,VALUE) values ('u','B',X'41');");
  db.executeScript("INSERT INTO TAGS (URL,TAG,VALUE) VALUES ('u','C','3') -- trailing comment\n;");
  const QueryResult rows = db.query("SELECT TAG, VALUE, typeof(VALUE) FROM TAGS ORDER BY rowid;");
  ASSERT_EQ(rows.rows.size(), 4u);
  EXPECT_EQ(rows.text(1, 1), "2");
  EXPECT_EQ(rows.text(2, 2), "blob");
  EXPECT_EQ(rows.text(3, 1), "3");
}

// A kept statement never silently drops a second statement or a value.
TEST_F(KeptStatements, RefuseTextsAndValuesThatDoNotFit) {
  EXPECT_THROW(db.execute("insert into TAGS (URL) values ('a'); insert into TAGS (URL) values ('b');"),
               std::logic_error);
  EXPECT_THROW(db.execute(sql::kInsertTag, {"u", "H1"}), std::logic_error);
  EXPECT_THROW(db.execute(sql::kInsertTag, {"u", "H1", "v", "w"}), std::logic_error);
  EXPECT_THROW(db.query(sql::kSelectPage), std::logic_error);
  EXPECT_EQ(db.query("SELECT COUNT(*) FROM TAGS;").text(0, 0), "0");
  // The statement is still usable after a refused run.
  db.execute(sql::kInsertTag, {"u", "H1", "v"});
  EXPECT_EQ(lastValue(), "v");
}

TEST_F(KeptStatements, ReportTheDatabasesOwnErrors) {
  db.execute(sql::kInsertTag, {"http://a.test/", "H1", "x"});  // the statement is kept now
  db.executeScript("DROP TABLE TAGS;");
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      db.execute(sql::kInsertTag, {"http://a.test/", "H1", "y"});
      FAIL() << "insert into a dropped table succeeded";
    } catch (const DbError& e) {
      EXPECT_STREQ(e.what(), "no such table: TAGS");
    }
  }
  // Once the table is back, the kept statement works again.
  db.executeScript(kProjectSchema);
  db.execute(sql::kInsertTag, {"http://a.test/", "H1", "z"});
  EXPECT_EQ(lastValue(), "z");
  // A malformed text keeps its own syntax error, kept or run as a script.
  for (const bool script : {false, true}) {
    try {
      if (script)
        db.executeScript("insert into PAGES (URL) values ('a' 'b');");
      else
        db.execute("insert into PAGES (URL) values ('a' 'b');");
      FAIL() << "malformed insert succeeded";
    } catch (const DbError& e) {
      EXPECT_STREQ(e.what(), "near \"'b'\": syntax error");
    }
  }
}

// A kept "SELECT *" reads the columns the table has now, not those it had
// when the statement was first prepared.
TEST_F(KeptStatements, FollowTheTablesAsTheyAreNow) {
  db.execute(sql::kInsertTag, {"u", "H1", "v"});
  EXPECT_EQ(db.query(sql::kSelectTagsOfPage, {"H1", "u"}).columns, (std::vector<std::string>{"URL", "TAG", "VALUE"}));
  db.executeScript("ALTER TABLE TAGS ADD COLUMN NOTE TEXT; UPDATE TAGS SET NOTE='n';");
  const QueryResult tags = db.query(sql::kSelectTagsOfPage, {"H1", "u"});
  EXPECT_EQ(tags.columns, (std::vector<std::string>{"URL", "TAG", "VALUE", "NOTE"}));
  EXPECT_EQ(tags.text(0, "NOTE"), "n");
}

TEST_F(KeptStatements, DoNotOutliveTheirConnection) {
  db.execute(sql::kInsertNewPage, {"http://a.test/1"});
  const std::string second = dir.file("second.db");
  db.connect(second);
  db.ensureSchema();
  db.execute(sql::kInsertNewPage, {"http://a.test/2"});
  EXPECT_EQ(db.query(sql::kSelectPageUrls).text(0, 0), "http://a.test/2");
  // Back on the first file, the statement kept for the second one is gone.
  db.connect(dir.file("project.db"));
  db.execute(sql::kInsertNewPage, {"http://a.test/3"});
  const QueryResult first = db.query(sql::kSelectPageUrls);
  ASSERT_EQ(first.rows.size(), 2u);
  EXPECT_EQ(first.text(1, 0), "http://a.test/3");
}

// A query left part-way by its row callback must not stay mid-result: it would
// keep its read of the file open, and its next run would fail to take values.
TEST_F(KeptStatements, AQueryEndedByItsCallbackStartsAfreshNextTime) {
  for (const char* url : {"http://a.test/1", "http://a.test/2"}) db.execute(sql::kInsertNewPage, {url});
  EXPECT_THROW(db.forEachRow(sql::kSelectPageUrls, [](const RowView&) { throw std::runtime_error("stop"); }),
               std::runtime_error);
  std::vector<std::string> urls;
  db.forEachRow(sql::kSelectPageUrls, [&](const RowView& row) { urls.emplace_back(row.text(0)); });
  EXPECT_EQ(urls, (std::vector<std::string>{"http://a.test/1", "http://a.test/2"}));
}

}  // namespace

namespace {

// The log is copied back by a second connection while the first one writes;
// nothing may be lost, doubled or damaged, also when the connection closes
// in the middle of a copy.
TEST(LogCopy, WritesGoOnWhileTheLogIsCopiedBack) {
  testsupport::TempDir dir;
  const std::string path = dir.file("project.db");
  Database db;
  db.setLogCopyFrames(32);
  const std::string value(3000, 'v');
  int rows = 0;
  for (int round = 0; round < 3; ++round) {
    db.connect(path);
    db.ensureSchema();
    for (int i = 0; i < 400; ++i, ++rows)
      db.execute(sql::kInsertTag, {"http://a.test/" + std::to_string(rows), "H2", value});
    // Ends with a copy most likely still running.
    db.disconnect();
  }
  Database check;
  check.connect(path);
  EXPECT_EQ(check.query("PRAGMA integrity_check").text(0, 0), "ok");
  const QueryResult counts = check.query("SELECT COUNT(*), COUNT(DISTINCT URL) FROM TAGS");
  EXPECT_EQ(counts.text(0, 0), std::to_string(rows));
  EXPECT_EQ(counts.text(0, 1), std::to_string(rows));
}

}  // namespace

namespace {

// What a list hands back is what was added, text by text and value by value,
// also after it was cleared and filled again.
TEST(StatementList, GivesBackEveryStatementAsAdded) {
  using Statement = std::pair<std::string, std::vector<DbValue>>;
  const std::vector<Statement> statements = {
      {"A ?", {"x"}},
      {"B ? ?", {"", std::nullopt}},
      {"A ?", {std::string(100000, 'y')}},
      {"C", {}},
      {"A ?", {std::string("nul\0inside", 10)}},
  };
  StatementList list;
  for (int round = 0; round < 2; ++round) {
    list.clear();
    EXPECT_TRUE(list.empty());
    for (const auto& [sql, values] : statements) list.add(sql, std::vector<BoundValue>(values.begin(), values.end()));
    std::vector<Statement> back;
    list.forEach([&](std::string_view sql, std::span<const BoundValue> values) {
      std::vector<DbValue> copies;
      for (const BoundValue& value : values) copies.push_back(value ? DbValue(std::string(*value)) : std::nullopt);
      back.emplace_back(std::string(sql), std::move(copies));
    });
    EXPECT_EQ(back, statements);
  }
}

// A batch commits once, yet must leave exactly what its statements leave
// when each commits on its own: a failed statement undoes nothing else, also
// when a full disk has rolled the open transaction back.
TEST(StatementBatch, LeavesWhatOneCommitEachLeaves) {
  struct Outcome {
    std::vector<std::string> rows;
    std::multiset<std::string> failures;
  };
  // The failing statement and the update are texts of their own, as other
  // tools' statements would be.
  struct Statement {
    std::string sql;
    std::vector<std::string> values;
  };
  std::vector<Statement> statements;
  for (int i = 0; i < 60; ++i) {
    statements.push_back(
        {std::string(sql::kInsertTag), {"http://a.test/" + std::to_string(i), "H2", std::string(1500, 'a' + i % 26)}});
    if (i == 7) statements.push_back({"insert into NO_SUCH_TABLE (X) values ('x');", {}});
    if (i == 9) statements.push_back({"update TAGS set VALUE='changed' where URL=?;", {"http://a.test/3"}});
  }
  auto bound = [](const Statement& statement) {
    return std::vector<BoundValue>(statement.values.begin(), statement.values.end());
  };
  auto run = [&](bool together, int roomInPages) {
    testsupport::TempDir dir;
    Database db;
    db.connect(dir.file("project.db"));
    db.ensureSchema();
    const int pages = std::stoi(db.query("PRAGMA page_count").text(0, 0));
    db.executeScript("PRAGMA max_page_count=" + std::to_string(pages + roomInPages));
    Outcome out;
    std::optional<StatementBatch> batch;
    if (together) batch.emplace(db);
    for (const auto& statement : statements) {
      const std::vector<BoundValue> values = bound(statement);
      if (batch) {
        batch->execute(statement.sql, values);
        continue;
      }
      try {
        db.execute(statement.sql, values);
      } catch (const DbError& e) {
        out.failures.insert(e.what());
      }
    }
    if (batch)
      for (const auto& text : batch->finish()) out.failures.insert(text);
    EXPECT_FALSE(db.inTransaction());
    for (const auto& row : db.query("SELECT URL, VALUE FROM TAGS ORDER BY rowid").rows)
      out.rows.push_back(*row[0] + " " + row[1]->substr(0, 8) + " " + std::to_string(row[1]->size()));
    return out;
  };
  for (int room : {1000, 30, 12}) {
    SCOPED_TRACE(room);
    const Outcome alone = run(false, room);
    const Outcome batched = run(true, room);
    EXPECT_EQ(batched.rows, alone.rows);
    EXPECT_EQ(batched.failures, alone.failures);
    if (room < 1000) {
      EXPECT_LT(alone.rows.size(), 60u);  // the disk did fill up
    }
  }
}

}  // namespace
