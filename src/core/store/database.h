#pragma once
// The project database connection: one SQLite connection shared by the main
// thread and the crawl thread. Every statement runs under the database guard;
// a query reads its whole result while holding it. Values never become part
// of a statement's text: each "?" of a statement is bound to its value, so
// a text with quotes, SQL punctuation or any other bytes is stored exactly.
// A second connection of its own, on a thread of its own, copies the
// write-ahead log back into the file, so that no statement waits for that copy.
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace crawlspect {

class LogCopier;

class DbError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

using DbValue = std::optional<std::string>;  // nullopt is NULL

// The value bound to one "?" of a statement: a text (an empty one is the
// empty text, not NULL), or NULL when nullopt. It only has to live as long as
// the call it is passed to.
using BoundValue = std::optional<std::string_view>;

struct QueryResult {
  std::vector<std::string> columns;
  std::vector<std::vector<DbValue>> rows;

  // Index of a column by name (case-insensitive), or -1.
  int columnIndex(std::string_view name) const;
  // Text of a cell; NULL and a missing column read as the empty text.
  std::string text(std::size_t row, std::string_view column) const;
  std::string text(std::size_t row, std::size_t column) const;
  bool isNull(std::size_t row, std::string_view column) const;
};

// One row of a running query, valid only while its callback runs.
class RowView {
 public:
  std::size_t size() const;
  bool isNull(std::size_t column) const;
  // NULL and a missing column read as the empty text.
  std::string_view text(std::size_t column) const;
  // An integer cell as its decimal text, written into buffer rather than
  // converted inside the database; any other cell as text().
  std::string_view text(std::size_t column, char (&buffer)[24]) const;
  // Index of a column by name (case-insensitive), or -1.
  int columnIndex(std::string_view name) const;

 private:
  friend class Database;
  explicit RowView(sqlite3_stmt* stmt) : m_stmt(stmt) {}
  sqlite3_stmt* m_stmt;
};

// The three tables every statement needs, plus indexes on the looked-up
// columns of PAGES and TAGS.
extern const char* const kProjectSchema;
// RESPONSES and REDIRECTS with their indexes, ROBOTS_TXT and ROBOTS_BLOCKED:
// what opening a project of an older version adds, and the schema version (PRAGMA user_version) they make.
extern const char* const kResponseSchema;
inline constexpr int kSchemaVersion = 2;
// The indexes the grouped and looked-up LINKS statements read.
extern const char* const kLinkIndexes;

// Copies a project file that may come from anyone to dest (replaced) through
// SQLite, never byte by byte: the file is opened read-only with its schema
// distrusted (no functions from views or triggers, defensive mode), read in
// one read transaction (a lock held by another writer is waited for up to
// lockWait), and refused unless PAGES, TAGS and LINKS are tables with their
// columns, RESPONSES and REDIRECTS are missing or tables with theirs, and
// there is no trigger. Raises DbError with the reason.
void copyUntrustedProject(const std::string& source, const std::string& dest, int lockWaitMs);

class Database {
 public:
  Database();
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Opens the file (created when missing) in WAL mode, without syncs. A
  // connection for reading only maps up to 1 GB of the file for its scans
  // and copies no log back; a writing one maps 64 MB, so that a large
  // project's pages do not all end up in the process's memory.
  void connect(const std::string& path, bool forReading = false);
  void disconnect();
  bool isConnected() const;
  std::string path() const;

  // execute, query and forEachRow run exactly one statement, whose "?" markers
  // take values in order; a text holding more than one statement, or values
  // not matching its markers in number, is the caller's mistake
  // (std::logic_error). Each text is prepared once per connection and kept:
  // pass the fixed texts of statements.h, never a text with values in it.
  // Each raises DbError with the database's error text.
  void execute(std::string_view sql, std::initializer_list<BoundValue> values = {});
  void execute(std::string_view sql, std::span<const BoundValue> values);
  QueryResult query(std::string_view sql, std::initializer_list<BoundValue> values = {});
  // Hands every row to onRow as it is read, without a copy of the whole
  // result. The guard is held meanwhile, so onRow must not use the database.
  // When the statement fails part-way, the rows already handed over belong to
  // no valid result.
  void forEachRow(std::string_view sql, std::initializer_list<BoundValue> values,
                  const std::function<void(const RowView&)>& onRow);
  void forEachRow(std::string_view sql, const std::function<void(const RowView&)>& onRow) {
    forEachRow(sql, {}, onRow);
  }
  // Any number of statements without values, run as written and not kept:
  // the schema, pragmas, and statements of other tools' making.
  void executeScript(std::string_view sql);
  // begin, the statement, commit (also when the statement failed); then rethrows.
  void executeInOwnTransaction(std::string_view sql, std::initializer_list<BoundValue> values);
  // A batch of statements committed together: begin returns false (and no
  // batch is open) when a transaction is already open or the begin failed.
  // End commits; a commit that fails leaves no transaction open.
  bool beginBatch();
  void endBatch();
  bool inTransaction() const;
  // Consistent copy of the whole database to dest through SQLite's backup API.
  void backupTo(const std::string& dest);

  // The log length (in pages) at which the second connection starts copying
  // it back; for the next connect. Tests set it low to make copies happen.
  void setLogCopyFrames(int frames) { m_logCopyFrames = frames; }

  // Creates the project tables and all their indexes when they are missing.
  void ensureSchema();
  // Adds the tables of later schema versions to a project of an older one
  // (never altering a table it has) and sets its version. Raises DbError.
  void upgradeSchema();
  // Creates the LINKS indexes when they are missing. Built at once over a
  // full table they cost a fraction of keeping them row by row; failures are
  // ignored, as no statement needs an index.
  void ensureLinkIndexes();

 private:
  // Hashes a kept statement's text for lookups by view, without a copy.
  struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
  };
  // The kept statement of a one-statement text, prepared on its first use;
  // nullptr for a text without a statement.
  sqlite3_stmt* keptStatement(std::string_view sql);
  void bindValues(sqlite3_stmt* stmt, std::span<const BoundValue> values);
  void executeLocked(std::string_view sql, std::span<const BoundValue> values);
  void stepRows(std::string_view sql, std::span<const BoundValue> values,
                const std::function<void(sqlite3_stmt*)>& onStart, const std::function<void(const RowView&)>& onRow);
  void closeLocked();
  mutable std::mutex m_guard;
  sqlite3* m_db = nullptr;
  std::string m_path;
  std::unordered_map<std::string, sqlite3_stmt*, TextHash, std::equal_to<>> m_kept;  // by statement text
  std::unique_ptr<LogCopier> m_copier;
  int m_logCopyFrames = 16384;  // 64 MB of log
};

// Statements with copies of their values, for running them later: the values
// of all of them share one buffer, so that keeping a page's statements costs
// a few allocations rather than a few for every statement, and none at all
// once a cleared list has grown to its size.
class StatementList {
 public:
  void add(std::string_view sql, std::span<const BoundValue> values);
  void add(std::string_view sql, std::initializer_list<BoundValue> values) {
    add(sql, std::span<const BoundValue>(values.begin(), values.size()));
  }
  bool empty() const { return m_entries.empty(); }
  std::size_t size() const { return m_entries.size(); }
  std::size_t valueBytes() const { return m_bytes.size(); }
  void clear();
  // Hands each statement and its values to run, in the order they were added.
  void forEach(const std::function<void(std::string_view sql, std::span<const BoundValue> values)>& run) const;

 private:
  struct Entry {
    std::size_t text;        // in m_texts
    std::size_t firstValue;  // in m_values
    std::size_t valueCount;
  };
  struct Value {
    std::size_t offset;  // in m_bytes
    std::size_t size;
    bool isNull;
  };
  std::vector<std::string> m_texts;  // each text once
  std::string m_bytes;
  std::vector<Value> m_values;
  std::vector<Entry> m_entries;
};

// Statements that each take effect on their own, written in one commit.
// A failed statement undoes nothing else, as it would on its own: when a
// failure (a full disk, an I/O error, a failed commit) has rolled the whole
// transaction back, the statements that had taken effect before it are run
// again, each on its own. Every failure's error text is kept, in the order
// they happened, for the caller to report once the batch is over.
class StatementBatch {
 public:
  explicit StatementBatch(Database& db);
  ~StatementBatch();
  StatementBatch(const StatementBatch&) = delete;
  StatementBatch& operator=(const StatementBatch&) = delete;

  // A failure is kept, not thrown. The batch keeps its own copy of the
  // statement, for running it again on its own.
  void execute(std::string_view sql, std::initializer_list<BoundValue> values) {
    execute(sql, std::span<const BoundValue>(values.begin(), values.size()));
  }
  void execute(std::string_view sql, std::span<const BoundValue> values);
  // Commits. The error texts of every failure, first runs and second runs.
  std::vector<std::string> finish();

 private:
  void runAgainAlone();
  Database& m_db;
  bool m_together;
  StatementList m_done;  // in the open transaction, in order
  std::vector<std::string> m_failures;
};

}  // namespace crawlspect

namespace crawlspect {
// "Exception raised with message: " + the database's text.
inline std::string statementErrorReport(const std::string& dbText) {
  return "Exception raised with message: " + dbText;
}
// The connection error report has no colon and no blank before the text.
inline std::string connectionErrorReport(const std::string& dbText) { return "Exception raised with message" + dbText; }
}  // namespace crawlspect
