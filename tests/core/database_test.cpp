// The connection runs inserts and updates as kept prepared statements with
// their literals bound; what it stores and what it reports must be exactly
// what the statement text says.
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
      "? :name @name $name #x",
      "\"double\" [bracket] `tick`",
      "line\r\nbreak\ttab",
      "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80",
      "\xFF\xFE broken utf-8",
      std::string(200000, 'x') + "'" + std::string(10, 'y'),
  };
  for (const std::string& value : values) {
    db.execute(sql::insertTag("http://a.test/", "H1", value));
    EXPECT_EQ(lastValue(), value) << value.substr(0, 80);
  }
  // Updates too, and the same shape again with other values.
  db.execute(sql::insertNewPage("http://a.test/o'k"));
  db.execute(sql::updatePageFacts("T'1", "", "http://a.test/o'k"));
  db.execute(sql::updatePageFacts("T2", "D'2", "http://a.test/o'k"));
  const QueryResult page = db.query("SELECT TITLE, DESCRIPTION FROM PAGES;");
  ASSERT_EQ(page.rows.size(), 1u);
  EXPECT_EQ(page.text(0, 0), "T2");
  EXPECT_EQ(page.text(0, 1), "D'2");
  EXPECT_EQ(db.query("SELECT COUNT(*) FROM TAGS;").text(0, 0), std::to_string(std::size(values)));
}

TEST_F(KeptStatements, TextsOfOtherKindsRunAsWritten) {
  // Two statements in one text, a blob literal, a comment, upper-case keywords.
  db.execute("insert into TAGS (URL,TAG,VALUE) values ('u','A','1'); insert into TAGS (URL,TAG,VALUE) values "
             "('u','A','2');");
  db.execute("insert into TAGS (URL,TAG,VALUE) values ('u','B',X'41');");
  db.execute("INSERT INTO TAGS (URL,TAG,VALUE) VALUES ('u','C','3') -- trailing comment\n;");
  const QueryResult rows = db.query("SELECT TAG, VALUE, typeof(VALUE) FROM TAGS ORDER BY rowid;");
  ASSERT_EQ(rows.rows.size(), 4u);
  EXPECT_EQ(rows.text(1, 1), "2");
  EXPECT_EQ(rows.text(2, 2), "blob");
  EXPECT_EQ(rows.text(3, 1), "3");
}

TEST_F(KeptStatements, ReportTheSameErrorsAsTheText) {
  db.execute(sql::insertTag("http://a.test/", "H1", "x"));  // the shape is kept now
  db.execute("DROP TABLE TAGS;");
  try {
    db.execute(sql::insertTag("http://a.test/", "H1", "y"));
    FAIL() << "insert into a dropped table succeeded";
  } catch (const DbError& e) {
    EXPECT_STREQ(e.what(), "no such table: TAGS");
  }
  // A malformed text keeps its own syntax error, not one about the shape.
  try {
    db.execute("insert into PAGES (URL) values ('a' 'b');");
    FAIL() << "malformed insert succeeded";
  } catch (const DbError& e) {
    EXPECT_STREQ(e.what(), "near \"'b'\": syntax error");
  }
}

TEST_F(KeptStatements, DoNotOutliveTheirConnection) {
  db.execute(sql::insertNewPage("http://a.test/1"));
  const std::string second = dir.file("second.db");
  db.connect(second);
  db.ensureSchema();
  db.execute(sql::insertNewPage("http://a.test/2"));
  EXPECT_EQ(db.query(sql::kSelectPageUrls).text(0, 0), "http://a.test/2");
  // Back on the first file, the shape kept for the second one is gone.
  db.connect(dir.file("project.db"));
  db.execute(sql::insertNewPage("http://a.test/3"));
  const QueryResult first = db.query(sql::kSelectPageUrls);
  ASSERT_EQ(first.rows.size(), 2u);
  EXPECT_EQ(first.text(1, 0), "http://a.test/3");
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
    for (int i = 0; i < 400; ++i, ++rows) db.execute(sql::insertTag("http://a.test/" + std::to_string(rows), "H2", value));
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

// A batch commits once, yet must leave exactly what its statements leave
// when each commits on its own: a failed statement undoes nothing else, also
// when a full disk has rolled the open transaction back.
TEST(StatementBatch, LeavesWhatOneCommitEachLeaves) {
  struct Outcome {
    std::vector<std::string> rows;
    std::multiset<std::string> failures;
  };
  std::vector<std::string> statements;
  for (int i = 0; i < 60; ++i) {
    statements.push_back(sql::insertTag("http://a.test/" + std::to_string(i), "H2", std::string(1500, 'a' + i % 26)));
    if (i == 7) statements.push_back("insert into NO_SUCH_TABLE (X) values ('x');");
    if (i == 9) statements.push_back("update TAGS set VALUE='changed' where URL='http://a.test/3';");
  }
  auto run = [&](bool together, int roomInPages) {
    testsupport::TempDir dir;
    Database db;
    db.connect(dir.file("project.db"));
    db.ensureSchema();
    const int pages = std::stoi(db.query("PRAGMA page_count").text(0, 0));
    db.execute("PRAGMA max_page_count=" + std::to_string(pages + roomInPages));
    Outcome out;
    std::optional<StatementBatch> batch;
    if (together) batch.emplace(db);
    for (const auto& statement : statements) {
      if (batch) {
        batch->execute(statement);
        continue;
      }
      try {
        db.execute(statement);
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
