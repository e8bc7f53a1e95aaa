#include "main/store/database.h"

#include <sqlite3.h>

#include <charconv>

#include "platform/text.h"

namespace crawlspect {

const char* const kProjectSchema =
    "CREATE TABLE IF NOT EXISTS PAGES (URL TEXT, TITLE TEXT, DESCRIPTION TEXT, H1TAG TEXT);"
    "CREATE TABLE IF NOT EXISTS TAGS (URL TEXT, TAG TEXT, VALUE TEXT);"
    "CREATE TABLE IF NOT EXISTS LINKS (URL TEXT, LINK TEXT, FOLLOW TEXT, TYPE TEXT, ANCHOR TEXT);"
    "CREATE INDEX IF NOT EXISTS PAGES_URL ON PAGES(URL);"
    "CREATE INDEX IF NOT EXISTS PAGES_TITLE ON PAGES(TITLE);"
    "CREATE INDEX IF NOT EXISTS PAGES_DESCRIPTION ON PAGES(DESCRIPTION);"
    "CREATE INDEX IF NOT EXISTS TAGS_TAG_VALUE ON TAGS(TAG, VALUE);"
    "CREATE INDEX IF NOT EXISTS TAGS_TAG_URL ON TAGS(TAG, URL);"
    "CREATE INDEX IF NOT EXISTS LINKS_LINK ON LINKS(LINK);"
    "CREATE INDEX IF NOT EXISTS LINKS_ANCHOR ON LINKS(ANCHOR);";

std::string sqlQuote(std::string_view value) {
  std::string out;
  out.reserve(value.size() + 2);
  out += '\'';
  for (char c : value) {
    if (c == '\'') out += '\'';
    out += c;
  }
  out += '\'';
  return out;
}

int QueryResult::columnIndex(std::string_view name) const {
  const std::string wanted = lowerAscii(name);
  for (std::size_t i = 0; i < columns.size(); ++i)
    if (lowerAscii(columns[i]) == wanted) return static_cast<int>(i);
  return -1;
}

std::string QueryResult::text(std::size_t row, std::string_view column) const {
  const int c = columnIndex(column);
  if (c < 0) return {};
  return text(row, static_cast<std::size_t>(c));
}

std::string QueryResult::text(std::size_t row, std::size_t column) const {
  if (row >= rows.size() || column >= rows[row].size() || !rows[row][column]) return {};
  return *rows[row][column];
}

bool QueryResult::isNull(std::size_t row, std::string_view column) const {
  const int c = columnIndex(column);
  return c < 0 || row >= rows.size() || !rows[row][static_cast<std::size_t>(c)];
}

Database::~Database() { disconnect(); }

void Database::connect(const std::string& path) {
  std::lock_guard lock(guard_);
  if (db_) {
    sqlite3_close_v2(db_);
    db_ = nullptr;
  }
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                                 nullptr);
  if (rc != SQLITE_OK) {
    std::string msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close_v2(db);
    throw DbError(msg);
  }
  db_ = db;
  path_ = path;
  sqlite3_busy_timeout(db_, 5000);
  // Every statement still commits on its own; WAL spares each one an fsync.
  // A file that is no database fails here already; its first statement then
  // reports that, as with any other statement failure.
  // Reading through a memory map spares the grouped statements of the
  // refresh a copy of every page they scan; temporary sort trees stay in memory.
  sqlite3_exec(db_,
               "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA mmap_size=1073741824; "
               "PRAGMA temp_store=MEMORY;",
               nullptr, nullptr, nullptr);
}

void Database::disconnect() {
  std::lock_guard lock(guard_);
  if (db_) {
    sqlite3_close_v2(db_);
    db_ = nullptr;
  }
}

bool Database::isConnected() const {
  std::lock_guard lock(guard_);
  return db_ != nullptr;
}

std::string Database::path() const {
  std::lock_guard lock(guard_);
  return path_;
}

void Database::executeLocked(const std::string& sql) {
  if (!db_) throw DbError("Database is not connected");
  const char* tail = sql.c_str();
  const char* end = sql.c_str() + sql.size();
  while (tail < end) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, tail, static_cast<int>(end - tail), &stmt, &tail) != SQLITE_OK)
      throw DbError(sqlite3_errmsg(db_));
    if (!stmt) break;  // only white space or a comment remained
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) {
      std::string msg = sqlite3_errmsg(db_);
      sqlite3_finalize(stmt);
      throw DbError(msg);
    }
    sqlite3_finalize(stmt);
  }
}

void Database::execute(const std::string& sql) {
  std::lock_guard lock(guard_);
  executeLocked(sql);
}

std::size_t RowView::size() const { return static_cast<std::size_t>(sqlite3_column_count(stmt_)); }

bool RowView::isNull(std::size_t column) const {
  return column >= size() || sqlite3_column_type(stmt_, static_cast<int>(column)) == SQLITE_NULL;
}

std::string_view RowView::text(std::size_t column) const {
  if (isNull(column)) return {};
  const int c = static_cast<int>(column);
  const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, c));
  return p ? std::string_view(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, c))) : std::string_view();
}

std::string_view RowView::text(std::size_t column, char (&buffer)[24]) const {
  if (column >= size() || sqlite3_column_type(stmt_, static_cast<int>(column)) != SQLITE_INTEGER) return text(column);
  const long long value = sqlite3_column_int64(stmt_, static_cast<int>(column));
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string_view(buffer, static_cast<std::size_t>(end - buffer));
}

int RowView::columnIndex(std::string_view name) const {
  const std::string wanted = lowerAscii(name);
  for (std::size_t i = 0; i < size(); ++i)
    if (lowerAscii(sqlite3_column_name(stmt_, static_cast<int>(i))) == wanted) return static_cast<int>(i);
  return -1;
}

void Database::stepRows(const std::string& sql, const std::function<void(sqlite3_stmt*)>& onStart,
                        const std::function<void(const RowView&)>& onRow) {
  std::lock_guard lock(guard_);
  if (!db_) throw DbError("Database is not connected");
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr) != SQLITE_OK)
    throw DbError(sqlite3_errmsg(db_));
  if (!stmt) return;
  if (onStart) onStart(stmt);
  const RowView row(stmt);
  int rc;
  try {
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) onRow(row);
  } catch (...) {
    sqlite3_finalize(stmt);
    throw;
  }
  if (rc != SQLITE_DONE) {
    std::string msg = sqlite3_errmsg(db_);
    sqlite3_finalize(stmt);
    throw DbError(msg);
  }
  sqlite3_finalize(stmt);
}

QueryResult Database::query(const std::string& sql) {
  QueryResult result;
  auto columns = [&](sqlite3_stmt* stmt) {
    const int n = sqlite3_column_count(stmt);
    for (int i = 0; i < n; ++i) result.columns.emplace_back(sqlite3_column_name(stmt, i));
  };
  stepRows(sql, columns, [&](const RowView& view) {
    std::vector<DbValue> row;
    row.reserve(result.columns.size());
    for (std::size_t i = 0; i < result.columns.size(); ++i) {
      if (view.isNull(i))
        row.emplace_back(std::nullopt);
      else
        row.emplace_back(std::string(view.text(i)));
    }
    result.rows.push_back(std::move(row));
  });
  return result;
}

void Database::forEachRow(const std::string& sql, const std::function<void(const RowView&)>& onRow) {
  stepRows(sql, nullptr, onRow);
}

void Database::executeInOwnTransaction(const std::string& sql) {
  std::lock_guard lock(guard_);
  executeLocked("BEGIN;");
  std::string failure;
  bool failed = false;
  try {
    executeLocked(sql);
  } catch (const DbError& e) {
    failed = true;
    failure = e.what();
  }
  executeLocked("COMMIT;");
  if (failed) throw DbError(failure);
}

bool Database::beginBatch() {
  std::lock_guard lock(guard_);
  if (!db_ || !sqlite3_get_autocommit(db_)) return false;
  try {
    executeLocked("BEGIN;");
  } catch (const DbError&) {
    return false;
  }
  return true;
}

void Database::endBatch() {
  std::lock_guard lock(guard_);
  // A failure such as a full disk may have rolled the batch back already.
  if (!db_ || sqlite3_get_autocommit(db_)) return;
  executeLocked("COMMIT;");
}

void Database::backupTo(const std::string& dest) {
  std::lock_guard lock(guard_);
  if (!db_) throw DbError("Database is not connected");
  sqlite3* out = nullptr;
  if (sqlite3_open_v2(dest.c_str(), &out, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    std::string msg = out ? sqlite3_errmsg(out) : "cannot open " + dest;
    sqlite3_close_v2(out);
    throw DbError(msg);
  }
  sqlite3_backup* b = sqlite3_backup_init(out, "main", db_, "main");
  if (!b) {
    std::string msg = sqlite3_errmsg(out);
    sqlite3_close_v2(out);
    throw DbError(msg);
  }
  sqlite3_backup_step(b, -1);
  sqlite3_backup_finish(b);
  const int rc = sqlite3_errcode(out);
  std::string msg = sqlite3_errmsg(out);
  // A saved project is a single self-contained file, not a WAL pair.
  if (rc == SQLITE_OK) sqlite3_exec(out, "PRAGMA journal_mode=DELETE;", nullptr, nullptr, nullptr);
  sqlite3_close_v2(out);
  if (rc != SQLITE_OK) throw DbError(msg);
}

void Database::ensureSchema() { execute(kProjectSchema); }

}  // namespace crawlspect
