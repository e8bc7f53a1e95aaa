#include "core/store/project_store.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "core/crawl/internal_url_list.h"
#include "core/platform/loop_desktop.h"
#include "temp_dir.h"

using namespace crawlspect;
using testsupport::TempDir;

namespace {

struct Store {
  explicit Store(const TempDir& dir) : store(db, desktop, dir.path().string(), dir.file("no-template.db")) {
    std::mt19937 random(3);
    store.chooseWorkingFile(random);
  }
  LoopDesktop desktop;
  Database db;
  ProjectStore store;
  InternalUrlList list;
};

// A real project of three pages, saved through the store.
std::string savedProject(const TempDir& dir, const std::string& name) {
  Store s(dir);
  s.store.freshReset();
  for (const char* url : {"http://b/", "http://a/", "http://c/it's"}) s.store.recordNewPage(url);
  const std::string path = dir.file(name);
  EXPECT_NO_THROW(s.store.saveCopy(path));
  s.store.close();
  return path;
}

TEST(ProjectStore, WorkingFileNamesAvoidExistingFiles) {
  TempDir dir;
  Store s(dir);
  s.store.freshReset();
  const std::string first = s.store.workingFile();
  ProjectStore other(s.db, s.desktop, dir.path().string(), "");
  std::mt19937 same(3);  // the same draw as the first store
  EXPECT_NE(other.chooseWorkingFile(same), first);
  EXPECT_EQ(std::filesystem::path(first).filename().string().rfind("project", 0), 0u);
}

TEST(ProjectStore, OpenRebuildsTheListAndCloseRemovesTheWorkingFile) {
  TempDir dir;
  const std::string saved = savedProject(dir, "saved.db");
  const std::string before = testsupport::readFile(saved);
  Store s(dir);
  ASSERT_TRUE(s.store.openProject(saved, s.list));
  std::vector<std::string> urls;
  for (const auto& row : s.list.snapshot()) urls.push_back(row.url);
  EXPECT_EQ(urls, (std::vector<std::string>{"http://b/", "http://a/", "http://c/it's"}));
  EXPECT_EQ(s.list.snapshot()[2].urlLength, "6");
  // Crawling on the working copy leaves the opened file alone.
  s.store.freshReset();
  EXPECT_EQ(testsupport::readFile(saved), before);
  const std::string working = s.store.workingFile();
  s.store.close();
  EXPECT_FALSE(std::filesystem::exists(working));
  EXPECT_FALSE(std::filesystem::exists(working + "-wal"));
}

// A project of the first version (three tables, no schema version) gains the
// response tables and the version number; its own tables stay as they were.
TEST(ProjectStore, AnOlderProjectGainsTheResponseTablesOnly) {
  TempDir dir;
  const std::string old = dir.file("old.db");
  {
    Database db;
    db.connect(old);
    db.executeScript(
        "CREATE TABLE PAGES (URL TEXT, TITLE TEXT, DESCRIPTION TEXT, H1TAG TEXT);"
        "CREATE TABLE TAGS (URL TEXT, TAG TEXT, VALUE TEXT);"
        "CREATE TABLE LINKS (URL TEXT, LINK TEXT, FOLLOW TEXT, TYPE TEXT, ANCHOR TEXT);"
        "INSERT INTO PAGES VALUES ('http://a/', 'T', 'D', 'H');");
  }
  const std::string schemaBefore =
      "SELECT name, sql FROM sqlite_master WHERE tbl_name IN ('PAGES','TAGS','LINKS') "
      "AND type='table' ORDER BY name";
  Store s(dir);
  ASSERT_TRUE(s.store.openProject(old, s.list));
  EXPECT_EQ(s.db.query("PRAGMA user_version").text(0, 0), std::to_string(kSchemaVersion));
  EXPECT_EQ(s.db.query("SELECT COUNT(*) FROM RESPONSES").text(0, 0), "0");
  EXPECT_EQ(s.db.query("SELECT COUNT(*) FROM REDIRECTS").text(0, 0), "0");
  EXPECT_EQ(s.db.query(schemaBefore).rows.size(), 3u);
  EXPECT_EQ(s.db.query("SELECT * FROM PAGES").rows, (std::vector<std::vector<DbValue>>{{"http://a/", "T", "D", "H"}}));
  EXPECT_EQ(s.list.snapshot()[0].loadTime, "");  // no fetch recorded: no load time
  // A fresh project is of this version; one claiming a later version without
  // the tables gets them and keeps its number.
  Store fresh(dir);
  fresh.store.freshReset();
  EXPECT_EQ(fresh.db.query("PRAGMA user_version").text(0, 0), std::to_string(kSchemaVersion));
  fresh.db.executeScript("DROP TABLE RESPONSES; PRAGMA user_version=7;");
  const std::string later = dir.file("later.db");
  fresh.store.saveCopy(later);
  fresh.store.close();
  Store reopened(dir);
  ASSERT_TRUE(reopened.store.openProject(later, reopened.list));
  EXPECT_EQ(reopened.db.query("PRAGMA user_version").text(0, 0), "7");
  EXPECT_EQ(reopened.db.query("SELECT COUNT(*) FROM RESPONSES").text(0, 0), "0");
  reopened.store.close();
  // Saved again, it opens as a project of this version.
  const std::string again = dir.file("again.db");
  s.store.saveCopy(again);
  Store t(dir);
  EXPECT_TRUE(t.store.openProject(again, t.list));
  EXPECT_TRUE(t.desktop.messages().empty());
  s.store.close();
  t.store.close();
}

TEST(ProjectStore, BrokenProjectFilesAreReportedAndLeftUntouched) {
  TempDir dir;
  const std::string good = testsupport::readFile(savedProject(dir, "good.db"));
  struct Case {
    const char* name;
    std::string bytes;
    const char* reason;
  };
  const Case cases[] = {
      {"text.db", "this is not a database, just some text\n", "file is not a database"},
      {"empty.db", "", "no such table: PAGES"},
      {"truncated.db", good.substr(0, good.size() / 2), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.file(c.name);
    testsupport::writeFile(path, c.bytes);
    Store s(dir);
    EXPECT_FALSE(s.store.openProject(path, s.list));
    EXPECT_EQ(s.list.size(), 0u);
    const auto messages = s.desktop.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text.rfind("Exception raised with message: ", 0), 0u) << messages[0].text;
    if (*c.reason) {
      EXPECT_EQ(messages[0].text, statementErrorReport(c.reason));
    }
    EXPECT_EQ(testsupport::readFile(path), c.bytes);
    s.store.close();
  }

  // A database of other tables.
  const std::string foreign = dir.file("foreign.db");
  {
    Database other;
    other.connect(foreign);
    other.executeScript("CREATE TABLE NOTES (TEXT TEXT); INSERT INTO NOTES VALUES ('keep me');");
  }
  Store s(dir);
  EXPECT_FALSE(s.store.openProject(foreign, s.list));
  ASSERT_EQ(s.desktop.messages().size(), 1u);
  EXPECT_EQ(s.desktop.messages()[0].text, statementErrorReport("no such table: PAGES"));
  Database check;
  check.connect(foreign);
  EXPECT_EQ(check.query("SELECT TEXT FROM NOTES").text(0, 0), "keep me");
}

TEST(ProjectStore, SaveCopyIsConsistentAndReportsAFolderItCannotWrite) {
  TempDir dir;
  Store s(dir);
  EXPECT_NO_THROW(s.store.saveCopy(dir.file("nothing-yet.db")));  // no project yet: nothing written
  EXPECT_FALSE(std::filesystem::exists(dir.file("nothing-yet.db")));
  s.store.freshReset();
  s.store.recordNewPage("http://a/");
  testsupport::writeFile(dir.file("plain"), "x");
  try {
    s.store.saveCopy(dir.file("plain") + "/out.db");
    ADD_FAILURE() << "saved below a plain file";
  } catch (const StoreError& e) {
    EXPECT_STRNE(e.what(), "");
  }
  testsupport::writeFile(dir.file("old.db"), "old contents");
  EXPECT_NO_THROW(s.store.saveCopy(dir.file("old.db")));
  Database copy;
  copy.connect(dir.file("old.db"));
  EXPECT_EQ(copy.query("SELECT URL FROM PAGES").text(0, 0), "http://a/");
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    EXPECT_EQ(entry.path().string().find(".part"), std::string::npos) << entry.path();
}

// A save replaces the file a symbolic link names, keeps the replaced file's
// permissions, and clears what a killed save to the same file left behind.
TEST(ProjectStore, SaveKeepsModeFollowsALinkAndClearsStaleParts) {
  TempDir dir;
  Store s(dir);
  s.store.freshReset();
  s.store.recordNewPage("http://a/");
  const std::string real = dir.file("real.db");
  testsupport::writeFile(real, "old");
  ::chmod(real.c_str(), 0600);
  std::filesystem::create_symlink("real.db", dir.file("link.db"));
  // A save killed before its rename, by a process that has ended since.
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ::waitpid(gone, nullptr, 0);
  const std::string stale = real + ".part" + std::to_string(gone);
  testsupport::writeFile(stale, "half");
  testsupport::writeFile(stale + "-journal", "half");
  // One of a process still running is left alone.
  const std::string running = real + ".part1";
  testsupport::writeFile(running, "busy");

  s.store.saveCopy(dir.file("link.db"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.db")));
  struct stat st {};
  ASSERT_EQ(::stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  Database copy;
  copy.connect(real);
  EXPECT_EQ(copy.query("SELECT URL FROM PAGES").text(0, 0), "http://a/");
  EXPECT_FALSE(std::filesystem::exists(stale));
  EXPECT_FALSE(std::filesystem::exists(stale + "-journal"));
  EXPECT_TRUE(std::filesystem::exists(running));
}

// Project files made to harm or to be read torn: each is refused with its
// reason, and the file stays as it was.
TEST(ProjectStore, HostileProjectFilesAreRefused) {
  TempDir dir;
  const std::string good = savedProject(dir, "good.db");
  struct Case {
    const char* name;
    const char* sql;  // run on a copy of the good project; empty: see below
    const char* reason;
  };
  // A writer that stopped mid-change (killed, or its machine lost power): the
  // file holds half of the change, the journal beside it the way back.
  const auto leaveHotJournal = [](const std::string& path) {
    const pid_t writer = ::fork();
    if (writer == 0) {
      sqlite3* db = nullptr;
      sqlite3_open(path.c_str(), &db);
      // A one-page cache makes the change spill into the file before any commit.
      sqlite3_exec(db,
                   "PRAGMA cache_size=1; BEGIN; UPDATE PAGES SET TITLE = hex(randomblob(3000));"
                   "INSERT INTO PAGES (URL) SELECT URL || 'x' FROM PAGES;",
                   nullptr, nullptr, nullptr);
      ::_exit(0);
    }
    ::waitpid(writer, nullptr, 0);
  };
  const Case cases[] = {
      {"view",
       "DROP TABLE PAGES; CREATE VIEW PAGES(URL,TITLE,DESCRIPTION,H1TAG) AS WITH RECURSIVE r(n) AS "
       "(SELECT 1 UNION ALL SELECT n+1 FROM r) SELECT n,n,n,n FROM r;",
       "not a project: PAGES is a view, not a table"},
      {"trigger", "CREATE TRIGGER t AFTER INSERT ON LINKS BEGIN DELETE FROM PAGES; END;",
       "not a project: it holds a trigger"},
      {"column", "DROP TABLE TAGS; CREATE TABLE TAGS (URL TEXT, TAG TEXT);",
       "not a project: TAGS does not have the columns URL,TAG,VALUE"},
      {"responses column", "DROP TABLE RESPONSES; CREATE TABLE RESPONSES (URL TEXT, STATUS INTEGER);",
       "not a project: RESPONSES does not have the columns "
       "URL,STATUS,FINAL_STATUS,FINAL_URL,HOPS,CONTENT_TYPE,BYTES,TTFB_MS,TIME_MS,ERROR,EXTERNAL"},
      {"locked", "", "the project is in use by another program (database is locked)"},
      {"hot journal", "",
       "the project was left in the middle of a change: its -journal file must be rolled back first"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.file(std::string(c.name) + ".db");
    std::filesystem::copy_file(good, path);
    // Another program's connection, in the saved project's own journal mode.
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &holder), SQLITE_OK);
    if (std::string(c.name) == "hot journal") {
      sqlite3_close(holder);
      holder = nullptr;
      leaveHotJournal(path);
      ASSERT_TRUE(std::filesystem::exists(path + "-journal"));
    } else if (*c.sql) {
      ASSERT_EQ(sqlite3_exec(holder, c.sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(holder);
      sqlite3_close(holder);
      holder = nullptr;
    } else {
      // A writer mid-transaction: a byte copy now would be torn.
      ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE; INSERT INTO PAGES (URL) VALUES ('http://half-written/');",
                             nullptr, nullptr, nullptr),
                SQLITE_OK);
    }
    const std::string bytes = testsupport::readFile(path);
    Store s(dir);
    EXPECT_FALSE(s.store.openProject(path, s.list));
    EXPECT_EQ(s.list.size(), 0u);
    const auto messages = s.desktop.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, statementErrorReport(c.reason));
    EXPECT_EQ(testsupport::readFile(path), bytes);
    s.store.close();
    sqlite3_close(holder);
  }

  // A project that is taken in is worked on as a copy whose schema is still
  // the user's: that connection, too, keeps the schema from changing behind
  // SQLite's back and from calling functions that are not harmless.
  Store s(dir);
  ASSERT_TRUE(s.store.openProject(good, s.list));
  s.db.execute("PRAGMA writable_schema=ON;");
  EXPECT_THROW(s.db.execute("UPDATE sqlite_master SET sql = sql WHERE name = 'PAGES';"), DbError);
  EXPECT_EQ(s.db.query("PRAGMA trusted_schema;").text(0, 0), "0");
  s.store.close();
}

std::string linkIndexes(Database& db) {
  std::string names;
  for (const auto& row :
       db.query("SELECT name FROM sqlite_master WHERE type='index' AND tbl_name='LINKS' ORDER BY name").rows)
    names += *row[0] + " ";
  return names;
}

// The LINKS indexes are kept from the start unless the run defers them; a
// deferred build, or a project opened without them, gets them once.
TEST(ProjectStore, LinkIndexesAreThereWheneverTheListsAreRead) {
  TempDir dir;
  const std::string both = "LINKS_ANCHOR LINKS_LINK ";
  Store s(dir);
  s.store.freshReset();
  EXPECT_EQ(linkIndexes(s.db), both);

  s.store.deferLinkIndexes(true);
  s.store.freshReset();
  EXPECT_EQ(linkIndexes(s.db), "");
  s.store.storeLink("http://a/x", "http://a/", "Follow", "anchor", "Internal");
  s.store.recordNewPage("http://a/");
  const std::string saved = dir.file("without.db");
  ASSERT_NO_THROW(s.store.saveCopy(saved));
  s.db.ensureLinkIndexes();
  EXPECT_EQ(linkIndexes(s.db), both);
  EXPECT_EQ(s.db.query("SELECT ANCHOR FROM LINKS where LINK='http://a/x';").text(0, 0), "anchor");

  Store opened(dir);
  ASSERT_TRUE(opened.store.openProject(saved, opened.list));
  EXPECT_EQ(linkIndexes(opened.db), both);
  EXPECT_EQ(opened.db.query("SELECT COUNT(*) FROM LINKS").text(0, 0), "1");
}

}  // namespace
