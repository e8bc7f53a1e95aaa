#pragma once
// The project database connection: one SQLite connection shared by the main
// thread and the crawl thread. Every statement runs under the database guard;
// a query reads its whole result while holding it. Statements are plain SQL
// text with values written by sqlQuote. A second connection of its own, on a
// thread of its own, copies the write-ahead log back into the file, so that
// no statement waits for that copy.
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
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

// Every text value of a statement: single quotes around it, inner single quotes doubled.
std::string sqlQuote(std::string_view value);

// The three tables every statement needs, plus indexes on the looked-up
// columns of PAGES and TAGS.
extern const char* const kProjectSchema;
// The indexes the grouped and looked-up LINKS statements read.
extern const char* const kLinkIndexes;

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

  // Each raises DbError with the database's error text.
  void execute(const std::string& sql);
  QueryResult query(const std::string& sql);
  // Hands every row to onRow as it is read, without a copy of the whole
  // result. The guard is held meanwhile, so onRow must not use the database.
  // When the statement fails part-way, the rows already handed over belong to
  // no valid result.
  void forEachRow(const std::string& sql, const std::function<void(const RowView&)>& onRow);
  // begin, the statement, commit (also when the statement failed); then rethrows.
  void executeInOwnTransaction(const std::string& sql);
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
  // Creates the LINKS indexes when they are missing. Built at once over a
  // full table they cost a fraction of keeping them row by row; failures are
  // ignored, as no statement needs an index.
  void ensureLinkIndexes();

 private:
  void executeLocked(const std::string& sql);
  void stepRows(const std::string& sql, const std::function<void(sqlite3_stmt*)>& onStart,
                const std::function<void(const RowView&)>& onRow);
  // A single insert or update whose only varying parts are string literals
  // runs as a kept prepared statement with the literals bound in their place:
  // the same rows and the same errors, without parsing every statement anew.
  // False when the text is not of that kind; it then runs as written.
  bool executeKept(const std::string& sql);
  void closeLocked();
  mutable std::mutex m_guard;
  sqlite3* m_db = nullptr;
  std::string m_path;
  std::unordered_map<std::string, sqlite3_stmt*> m_kept;  // by statement shape
  std::unique_ptr<LogCopier> m_copier;
  int m_logCopyFrames = 16384;  // 64 MB of log
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

  // A failure is kept, not thrown.
  void execute(const std::string& sql);
  // Commits. The error texts of every failure, first runs and second runs.
  std::vector<std::string> finish();

 private:
  void runAgainAlone();
  Database& m_db;
  bool m_together;
  std::vector<std::string> m_done;  // in the open transaction, in order
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
