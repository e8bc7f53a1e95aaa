#include "core/store/database.h"

#include <sqlite3.h>

#include <charconv>
#include <condition_variable>
#include <filesystem>
#include <thread>

#include "core/platform/text.h"

namespace crawlspect {

// Schema version 2: each robots.txt fetch, and the internal URLs the files disallow.
#define CRAWLSPECT_ROBOTS_SCHEMA                                                                            \
  "CREATE TABLE IF NOT EXISTS ROBOTS_TXT (URL TEXT, STATUS INTEGER, FINAL_STATUS INTEGER, FINAL_URL TEXT, " \
  "HOPS INTEGER, CONTENT_TYPE TEXT, BYTES INTEGER, TTFB_MS REAL, TIME_MS REAL, ERROR TEXT);"                \
  "CREATE TABLE IF NOT EXISTS ROBOTS_BLOCKED (URL TEXT);"

// Schema version 1: RESPONSES and REDIRECTS beside the three first tables
// (and the tables of the later versions after them).
#define CRAWLSPECT_RESPONSE_SCHEMA                                                                             \
  "CREATE TABLE IF NOT EXISTS RESPONSES (URL TEXT, STATUS INTEGER, FINAL_STATUS INTEGER, FINAL_URL TEXT, "     \
  "HOPS INTEGER, CONTENT_TYPE TEXT, BYTES INTEGER, TTFB_MS REAL, TIME_MS REAL, ERROR TEXT, EXTERNAL INTEGER);" \
  "CREATE TABLE IF NOT EXISTS REDIRECTS (URL TEXT, HOP INTEGER, TARGET TEXT, STATUS INTEGER);"                 \
  "CREATE INDEX IF NOT EXISTS RESPONSES_URL ON RESPONSES(URL);"                                                \
  "CREATE INDEX IF NOT EXISTS REDIRECTS_URL ON REDIRECTS(URL);" CRAWLSPECT_ROBOTS_SCHEMA

const char* const kProjectSchema =
    "CREATE TABLE IF NOT EXISTS PAGES (URL TEXT, TITLE TEXT, DESCRIPTION TEXT, H1TAG TEXT);"
    "CREATE TABLE IF NOT EXISTS TAGS (URL TEXT, TAG TEXT, VALUE TEXT);"
    "CREATE TABLE IF NOT EXISTS LINKS (URL TEXT, LINK TEXT, FOLLOW TEXT, TYPE TEXT, ANCHOR TEXT);"
    "CREATE INDEX IF NOT EXISTS PAGES_URL ON PAGES(URL);"
    "CREATE INDEX IF NOT EXISTS PAGES_TITLE ON PAGES(TITLE);"
    "CREATE INDEX IF NOT EXISTS PAGES_DESCRIPTION ON PAGES(DESCRIPTION);"
    "CREATE INDEX IF NOT EXISTS TAGS_TAG_VALUE ON TAGS(TAG, VALUE);"
    "CREATE INDEX IF NOT EXISTS TAGS_TAG_URL ON TAGS(TAG, URL);" CRAWLSPECT_RESPONSE_SCHEMA "PRAGMA user_version=2;";

const char* const kResponseSchema = CRAWLSPECT_RESPONSE_SCHEMA;
#undef CRAWLSPECT_RESPONSE_SCHEMA
#undef CRAWLSPECT_ROBOTS_SCHEMA

const char* const kLinkIndexes =
    "CREATE INDEX IF NOT EXISTS LINKS_LINK ON LINKS(LINK);"
    "CREATE INDEX IF NOT EXISTS LINKS_ANCHOR ON LINKS(ANCHOR);";

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

namespace {

constexpr char kCacheSize[] = "PRAGMA cache_size=-65536;";  // 64 MB

// More kept statements than the program has means texts made up at run time
// (tests, other tools' statements): they are all dropped and prepared anew.
constexpr std::size_t kMaxKept = 64;

// Resets a kept statement and drops its values once a run is over, however
// it ended: a statement left mid-way would hold its read or write open.
class KeptRun {
 public:
  explicit KeptRun(sqlite3_stmt* stmt) : m_stmt(stmt) {}
  ~KeptRun() {
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
  }
  KeptRun(const KeptRun&) = delete;
  KeptRun& operator=(const KeptRun&) = delete;

 private:
  sqlite3_stmt* m_stmt;
};

}  // namespace

// Every connection: the schema comes from a file the user gave (the working
// file is a copy of it), so it may not change the schema behind SQLite's back
// (defensive mode), and views, triggers and indexes in it may call no function
// that is not harmless (trusted_schema off).
namespace {
void distrustSchema(sqlite3* db) {
  sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
}
}  // namespace

// A crawl commits a few hundred pages of index leaves for every fetched page.
// Copying the log back into the file on the committing connection (SQLite's
// own way, every 1,000 pages) cost that copy and its fsync on nearly every
// page; here it runs on a second connection and thread once the log holds
// a given number of pages, while the first connection goes on writing. Should
// the copy fall far behind, the committing connection copies as SQLite would.
// Neither syncs (see Database::connect).
class LogCopier {
 public:
  LogCopier(const std::string& path, int startFrames) : m_startFrames(startFrames) {
    if (sqlite3_open_v2(path.c_str(), &m_conn, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
      sqlite3_close_v2(m_conn);
      m_conn = nullptr;
      return;
    }
    distrustSchema(m_conn);
    sqlite3_exec(m_conn, "PRAGMA synchronous=OFF;", nullptr, nullptr, nullptr);
    m_thread = std::thread([this] { serve(); });
  }
  ~LogCopier() {
    {
      std::lock_guard lock(m_mutex);
      m_closing = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) m_thread.join();
    sqlite3_close_v2(m_conn);
  }
  LogCopier(const LogCopier&) = delete;
  LogCopier& operator=(const LogCopier&) = delete;

  // The WAL hook of the writing connection, called after each commit.
  static int committed(void* self, sqlite3* db, const char* schema, int frames) {
    auto* copier = static_cast<LogCopier*>(self);
    // Without a second connection, SQLite's own interval.
    if (frames >= 8 * copier->m_startFrames || (!copier->m_conn && frames >= 1000)) {
      sqlite3_wal_checkpoint_v2(db, schema, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
      return SQLITE_OK;
    }
    bool catchUp = false;
    {
      std::lock_guard lock(copier->m_mutex);
      if (frames < copier->m_lastFrames) {  // the log has started over
        ++copier->m_round;
        copier->m_copiedUpTo = 0;
      }
      copier->m_lastFrames = frames;
      if (frames < copier->m_startFrames || copier->m_copying) return SQLITE_OK;
      // The copy has caught up with all but the last few commits: the writer
      // copies those itself, so the log is complete and starts over at its
      // next transaction (it never would while commits keep coming in
      // during every copy).
      catchUp = copier->m_copiedUpTo > 0 && frames - copier->m_copiedUpTo <= copier->m_startFrames / 16;
      if (catchUp)
        copier->m_copiedUpTo = 0;
      else
        copier->m_requested = true;
    }
    if (catchUp)
      sqlite3_wal_checkpoint_v2(db, schema, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    else
      copier->m_wake.notify_all();
    return SQLITE_OK;
  }

 private:
  void serve() {
    std::unique_lock lock(m_mutex);
    for (;;) {
      m_wake.wait(lock, [this] { return m_closing || m_requested; });
      if (m_closing) return;
      m_requested = false;
      m_copying = true;
      const int round = m_round;
      lock.unlock();
      // Passive: copies what no reader still needs and never blocks the writer.
      int inLog = 0, copied = 0;
      const int rc = sqlite3_wal_checkpoint_v2(m_conn, nullptr, SQLITE_CHECKPOINT_PASSIVE, &inLog, &copied);
      lock.lock();
      if (rc == SQLITE_OK && copied >= inLog && round == m_round) m_copiedUpTo = copied;
      m_copying = false;
    }
  }

  const int m_startFrames;
  sqlite3* m_conn = nullptr;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  bool m_requested = false;
  bool m_copying = false;
  int m_round = 0;       // how often the log has started over
  int m_lastFrames = 0;  // its length after the last commit
  int m_copiedUpTo = 0;  // what the last copy of this round covered
  bool m_closing = false;
  std::thread m_thread;
};

Database::Database() = default;
Database::~Database() { disconnect(); }

void Database::closeLocked() {
  if (m_db) sqlite3_wal_hook(m_db, nullptr, nullptr);
  m_copier.reset();
  // A kept statement left unfinalized would hold the file open past the close.
  for (auto& [shape, stmt] : m_kept) sqlite3_finalize(stmt);
  m_kept.clear();
  if (m_db) {
    sqlite3_close_v2(m_db);
    m_db = nullptr;
  }
}

void Database::connect(const std::string& path, bool forReading) {
  std::lock_guard lock(m_guard);
  closeLocked();
  sqlite3* db = nullptr;
  const int rc =
      sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    std::string msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close_v2(db);
    throw DbError(msg);
  }
  m_db = db;
  m_path = path;
  distrustSchema(m_db);
  sqlite3_busy_timeout(m_db, 5000);
  // WAL spares each commit an fsync, and the log keeps the file whole when
  // the program is killed mid-write. The working file is never synced to the
  // disk: after a crash of the whole machine it is never opened again (the
  // next start picks a new working file), so a sync would buy nothing the
  // program could use. Saved projects are written with a full sync (backupTo).
  // A file that is no database fails here already; its first statement then
  // reports that, as with any other statement failure.
  // Reading through a memory map spares the grouped statements of the
  // refresh a copy of every page they scan, and their sorts stay in memory.
  // A writing connection maps less and sorts in temporary files beyond its
  // cache size: building an index or sorting millions of grouped rows then
  // takes a bounded amount of memory.
  sqlite3_exec(m_db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=OFF;", nullptr, nullptr, nullptr);
  sqlite3_exec(m_db,
               forReading ? "PRAGMA mmap_size=1073741824; PRAGMA temp_store=MEMORY;"
                          : "PRAGMA mmap_size=67108864; PRAGMA temp_store=FILE;",
               nullptr, nullptr, nullptr);
  // The larger cache keeps the index leaves the inserts land in from being
  // read back from the log or the file each time.
  sqlite3_exec(m_db, kCacheSize, nullptr, nullptr, nullptr);
  if (forReading) return;
  m_copier = std::make_unique<LogCopier>(path, m_logCopyFrames);
  sqlite3_wal_hook(m_db, &LogCopier::committed, m_copier.get());
}

void Database::disconnect() {
  std::lock_guard lock(m_guard);
  closeLocked();
}

bool Database::isConnected() const {
  std::lock_guard lock(m_guard);
  return m_db != nullptr;
}

std::string Database::path() const {
  std::lock_guard lock(m_guard);
  return m_path;
}

sqlite3_stmt* Database::keptStatement(std::string_view sql) {
  if (const auto found = m_kept.find(sql); found != m_kept.end()) return found->second;
  sqlite3_stmt* stmt = nullptr;
  const char* tail = nullptr;
  if (sqlite3_prepare_v3(m_db, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &stmt, &tail) !=
      SQLITE_OK)
    throw DbError(sqlite3_errmsg(m_db));
  if (!stmt) return nullptr;  // only white space or a comment
  // Anything but white space and comments after the statement would never run.
  sqlite3_stmt* rest = nullptr;
  const int restRc = sqlite3_prepare_v2(m_db, tail, static_cast<int>(sql.data() + sql.size() - tail), &rest, nullptr);
  sqlite3_finalize(rest);
  if (restRc != SQLITE_OK || rest) {
    sqlite3_finalize(stmt);
    throw std::logic_error("more than one statement in \"" + std::string(sql) + "\"");
  }
  if (m_kept.size() >= kMaxKept) {
    for (auto& [unused, old] : m_kept) sqlite3_finalize(old);
    m_kept.clear();
  }
  m_kept.emplace(sql, stmt);
  return stmt;
}

void Database::bindValues(sqlite3_stmt* stmt, std::span<const BoundValue> values) {
  if (sqlite3_bind_parameter_count(stmt) != static_cast<int>(values.size()))
    throw std::logic_error(std::to_string(values.size()) + " values for \"" + sqlite3_sql(stmt) + "\"");
  for (std::size_t i = 0; i < values.size(); ++i) {
    const int index = static_cast<int>(i + 1);
    const BoundValue& value = values[i];
    // A view of no text at all has no data pointer, which SQLite would take for
    // NULL; the empty text is stored as the empty text. The values outlive the
    // run, which resets the statement and drops them (KeptRun), so SQLite need
    // not copy them.
    const int rc = value ? sqlite3_bind_text64(stmt, index, value->data() ? value->data() : "", value->size(),
                                               SQLITE_STATIC, SQLITE_UTF8)
                         : sqlite3_bind_null(stmt, index);
    if (rc != SQLITE_OK) throw DbError(sqlite3_errmsg(m_db));
  }
}

void Database::executeLocked(std::string_view sql, std::span<const BoundValue> values) {
  if (!m_db) throw DbError("Database is not connected");
  sqlite3_stmt* stmt = keptStatement(sql);
  if (!stmt) return;
  const KeptRun run(stmt);
  bindValues(stmt, values);
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
  }
  if (rc != SQLITE_DONE) throw DbError(sqlite3_errmsg(m_db));
}

void Database::execute(std::string_view sql, std::initializer_list<BoundValue> values) {
  execute(sql, std::span<const BoundValue>(values.begin(), values.size()));
}

void Database::execute(std::string_view sql, std::span<const BoundValue> values) {
  std::lock_guard lock(m_guard);
  executeLocked(sql, values);
}

void Database::executeScript(std::string_view sql) {
  std::lock_guard lock(m_guard);
  if (!m_db) throw DbError("Database is not connected");
  const char* tail = sql.data();
  const char* end = sql.data() + sql.size();
  while (tail < end) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, tail, static_cast<int>(end - tail), &stmt, &tail) != SQLITE_OK)
      throw DbError(sqlite3_errmsg(m_db));
    if (!stmt) break;  // only white space or a comment remained
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) {
      std::string msg = sqlite3_errmsg(m_db);
      sqlite3_finalize(stmt);
      throw DbError(msg);
    }
    sqlite3_finalize(stmt);
  }
}

std::size_t RowView::size() const { return static_cast<std::size_t>(sqlite3_column_count(m_stmt)); }

bool RowView::isNull(std::size_t column) const {
  return column >= size() || sqlite3_column_type(m_stmt, static_cast<int>(column)) == SQLITE_NULL;
}

std::string_view RowView::text(std::size_t column) const {
  if (isNull(column)) return {};
  const int c = static_cast<int>(column);
  const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, c));
  return p ? std::string_view(p, static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, c))) : std::string_view();
}

std::string_view RowView::text(std::size_t column, char (&buffer)[24]) const {
  if (column >= size() || sqlite3_column_type(m_stmt, static_cast<int>(column)) != SQLITE_INTEGER) return text(column);
  const long long value = sqlite3_column_int64(m_stmt, static_cast<int>(column));
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string_view(buffer, static_cast<std::size_t>(end - buffer));
}

int RowView::columnIndex(std::string_view name) const {
  const std::string wanted = lowerAscii(name);
  for (std::size_t i = 0; i < size(); ++i)
    if (lowerAscii(sqlite3_column_name(m_stmt, static_cast<int>(i))) == wanted) return static_cast<int>(i);
  return -1;
}

void Database::stepRows(std::string_view sql, std::span<const BoundValue> values,
                        const std::function<void(sqlite3_stmt*)>& onStart,
                        const std::function<void(const RowView&)>& onRow) {
  std::lock_guard lock(m_guard);
  if (!m_db) throw DbError("Database is not connected");
  sqlite3_stmt* stmt = keptStatement(sql);
  if (!stmt) return;
  const KeptRun run(stmt);
  bindValues(stmt, values);
  // After the first step: a kept statement is prepared again there when the
  // schema has changed since, and only then are its columns those of today.
  int rc = sqlite3_step(stmt);
  if (onStart) onStart(stmt);
  const RowView row(stmt);
  for (; rc == SQLITE_ROW; rc = sqlite3_step(stmt)) onRow(row);
  if (rc != SQLITE_DONE) throw DbError(sqlite3_errmsg(m_db));
}

QueryResult Database::query(std::string_view sql, std::initializer_list<BoundValue> values) {
  QueryResult result;
  auto columns = [&](sqlite3_stmt* stmt) {
    const int n = sqlite3_column_count(stmt);
    for (int i = 0; i < n; ++i) result.columns.emplace_back(sqlite3_column_name(stmt, i));
  };
  stepRows(sql, std::span<const BoundValue>(values.begin(), values.size()), columns, [&](const RowView& view) {
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

void Database::forEachRow(std::string_view sql, std::initializer_list<BoundValue> values,
                          const std::function<void(const RowView&)>& onRow) {
  stepRows(sql, std::span<const BoundValue>(values.begin(), values.size()), nullptr, onRow);
}

void Database::executeInOwnTransaction(std::string_view sql, std::initializer_list<BoundValue> values) {
  std::lock_guard lock(m_guard);
  executeLocked("BEGIN;", {});
  std::string failure;
  bool failed = false;
  try {
    executeLocked(sql, std::span<const BoundValue>(values.begin(), values.size()));
  } catch (const DbError& e) {
    failed = true;
    failure = e.what();
  }
  executeLocked("COMMIT;", {});
  if (failed) throw DbError(failure);
}

bool Database::beginBatch() {
  std::lock_guard lock(m_guard);
  if (!m_db || !sqlite3_get_autocommit(m_db)) return false;
  try {
    executeLocked("BEGIN;", {});
  } catch (const DbError&) {
    return false;
  }
  return true;
}

void Database::endBatch() {
  std::lock_guard lock(m_guard);
  // A failure such as a full disk may have rolled the batch back already.
  if (!m_db || sqlite3_get_autocommit(m_db)) return;
  try {
    executeLocked("COMMIT;", {});
  } catch (const DbError&) {
    if (!sqlite3_get_autocommit(m_db)) sqlite3_exec(m_db, "ROLLBACK;", nullptr, nullptr, nullptr);
    throw;
  }
}

bool Database::inTransaction() const {
  std::lock_guard lock(m_guard);
  return m_db && !sqlite3_get_autocommit(m_db);
}

StatementBatch::StatementBatch(Database& db) : m_db(db), m_together(db.beginBatch()) {}

StatementBatch::~StatementBatch() {
  if (m_together) finish();
}

void StatementList::add(std::string_view sql, std::span<const BoundValue> values) {
  // A list holds few distinct texts, most often one: the last one is looked at first.
  std::size_t text = m_texts.size();
  for (std::size_t i = m_texts.size(); i-- > 0;)
    if (m_texts[i] == sql) {
      text = i;
      break;
    }
  if (text == m_texts.size()) m_texts.emplace_back(sql);
  m_entries.push_back({text, m_values.size(), values.size()});
  for (const BoundValue& value : values) {
    m_values.push_back({m_bytes.size(), value ? value->size() : 0, !value});
    if (value) m_bytes.append(*value);
  }
}

void StatementList::clear() {
  // The texts stay: the next statements are most likely of the same ones.
  m_bytes.clear();
  m_values.clear();
  m_entries.clear();
}

void StatementList::forEach(
    const std::function<void(std::string_view sql, std::span<const BoundValue> values)>& run) const {
  std::vector<BoundValue> values;
  for (const Entry& entry : m_entries) {
    values.clear();
    for (std::size_t i = entry.firstValue; i < entry.firstValue + entry.valueCount; ++i) {
      const Value& value = m_values[i];
      if (value.isNull)
        values.emplace_back(std::nullopt);
      else
        values.emplace_back(std::string_view(m_bytes).substr(value.offset, value.size));
    }
    run(m_texts[entry.text], values);
  }
}

void StatementBatch::execute(std::string_view sql, std::span<const BoundValue> values) {
  try {
    m_db.execute(sql, values);
  } catch (const DbError& e) {
    m_failures.push_back(e.what());
    if (m_together && !m_db.inTransaction()) runAgainAlone();
    return;
  }
  if (m_together) m_done.add(sql, values);
}

void StatementBatch::runAgainAlone() {
  m_together = false;
  m_done.forEach([&](std::string_view sql, std::span<const BoundValue> values) {
    try {
      m_db.execute(sql, values);
    } catch (const DbError& e) {
      m_failures.push_back(e.what());
    }
  });
  m_done.clear();
}

std::vector<std::string> StatementBatch::finish() {
  if (m_together) {
    m_together = false;
    try {
      m_db.endBatch();
      m_done.clear();
    } catch (const DbError&) {
      runAgainAlone();
    }
  }
  return std::move(m_failures);
}

void Database::backupTo(const std::string& dest) {
  std::lock_guard lock(m_guard);
  if (!m_db) throw DbError("Database is not connected");
  sqlite3* out = nullptr;
  if (sqlite3_open_v2(dest.c_str(), &out, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    std::string msg = out ? sqlite3_errmsg(out) : "cannot open " + dest;
    sqlite3_close_v2(out);
    throw DbError(msg);
  }
  sqlite3_backup* b = sqlite3_backup_init(out, "main", m_db, "main");
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

void Database::ensureSchema() {
  executeScript(kProjectSchema);
  ensureLinkIndexes();
}

void Database::upgradeSchema() {
  int version = 0;
  {
    std::lock_guard lock(m_guard);
    if (!m_db) return;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, "PRAGMA user_version;", -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW)
      version = sqlite3_column_int(stmt, 0);
    sqlite3_finalize(stmt);
  }
  // Whatever number a file claims, the tables this version reads are made
  // when missing; a file of a later version keeps its number.
  executeScript(kResponseSchema);
  if (version < kSchemaVersion) executeScript("PRAGMA user_version=" + std::to_string(kSchemaVersion) + ";");
}

void Database::ensureLinkIndexes() {
  std::lock_guard lock(m_guard);
  if (!m_db) return;
  // The sort keeps up to a cache's worth of rows in memory before it spills
  // them into a temporary file; a smaller cache for the while bounds that.
  sqlite3_exec(m_db, "PRAGMA cache_size=-16384;", nullptr, nullptr, nullptr);
  sqlite3_exec(m_db, kLinkIndexes, nullptr, nullptr, nullptr);
  sqlite3_exec(m_db, kCacheSize, nullptr, nullptr, nullptr);
}

namespace {

struct Connection {
  sqlite3* db = nullptr;
  ~Connection() { sqlite3_close_v2(db); }
};

std::string oneText(sqlite3* db, const std::string& sql, const std::string& value) {
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) throw DbError(sqlite3_errmsg(db));
  if (!value.empty()) sqlite3_bind_text(stmt, 1, value.c_str(), -1, SQLITE_TRANSIENT);
  std::string out;
  const int rc = sqlite3_step(stmt);
  if (rc == SQLITE_ROW && sqlite3_column_text(stmt, 0))
    out = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
  sqlite3_finalize(stmt);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) throw DbError(sqlite3_errmsg(db));
  return out;
}

std::string columnsOf(sqlite3* db, const std::string& table) {
  return oneText(db, "SELECT group_concat(name, ',') FROM (SELECT name FROM pragma_table_info(?) ORDER BY cid)", table);
}

}  // namespace

void copyUntrustedProject(const std::string& source, const std::string& dest, int lockWaitMs) {
  Connection from;
  if (sqlite3_open_v2(source.c_str(), &from.db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK)
    throw DbError(from.db ? sqlite3_errmsg(from.db) : "out of memory");
  distrustSchema(from.db);
  sqlite3_busy_timeout(from.db, lockWaitMs);
  // One read transaction for the checks and the copy: a writer elsewhere can
  // neither tear the copy nor change what was checked.
  if (sqlite3_exec(from.db, "BEGIN; SELECT COUNT(*) FROM sqlite_master;", nullptr, nullptr, nullptr) != SQLITE_OK) {
    const int code = sqlite3_errcode(from.db);
    if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
      throw DbError("the project is in use by another program (" + std::string(sqlite3_errmsg(from.db)) + ")");
    // A program that was writing it stopped mid-change, and its journal holds
    // the way back. Rolling it back would write to the user's file; reading
    // past it would read the half-made change.
    if (sqlite3_extended_errcode(from.db) == SQLITE_READONLY_ROLLBACK)
      throw DbError("the project was left in the middle of a change: its -journal file must be rolled back first");
    throw DbError(sqlite3_errmsg(from.db));
  }
  static const struct {
    const char* table;
    const char* columns;
    bool optional;  // missing in a project of an older version
  } kTables[] = {
      {"PAGES", "URL,TITLE,DESCRIPTION,H1TAG", false},
      {"TAGS", "URL,TAG,VALUE", false},
      {"LINKS", "URL,LINK,FOLLOW,TYPE,ANCHOR", false},
      {"RESPONSES", "URL,STATUS,FINAL_STATUS,FINAL_URL,HOPS,CONTENT_TYPE,BYTES,TTFB_MS,TIME_MS,ERROR,EXTERNAL", true},
      {"REDIRECTS", "URL,HOP,TARGET,STATUS", true},
      {"ROBOTS_TXT", "URL,STATUS,FINAL_STATUS,FINAL_URL,HOPS,CONTENT_TYPE,BYTES,TTFB_MS,TIME_MS,ERROR", true},
      {"ROBOTS_BLOCKED", "URL", true}};
  for (const auto& [table, columns, optional] : kTables) {
    const std::string type = oneText(
        from.db, "SELECT type FROM sqlite_master WHERE name = ? COLLATE NOCASE AND type IN ('table','view')", table);
    if (type.empty() && optional) continue;
    // The words SQLite itself uses for a missing table, as before these checks.
    if (type.empty()) throw DbError(std::string("no such table: ") + table);
    if (type != "table") throw DbError(std::string("not a project: ") + table + " is a " + type + ", not a table");
    if (lowerAscii(columnsOf(from.db, table)) != lowerAscii(columns))
      throw DbError(std::string("not a project: ") + table + " does not have the columns " + columns);
  }
  if (oneText(from.db, "SELECT name FROM sqlite_master WHERE type = 'trigger' LIMIT 1", "") != "")
    throw DbError("not a project: it holds a trigger");

  std::error_code ec;
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) std::filesystem::remove(dest + suffix, ec);
  Connection to;
  if (sqlite3_open_v2(dest.c_str(), &to.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                      nullptr) != SQLITE_OK)
    throw DbError(to.db ? sqlite3_errmsg(to.db) : "out of memory");
  sqlite3_backup* b = sqlite3_backup_init(to.db, "main", from.db, "main");
  if (!b) throw DbError(sqlite3_errmsg(to.db));
  const int rc = sqlite3_backup_step(b, -1);
  sqlite3_backup_finish(b);
  if (rc != SQLITE_DONE) throw DbError(sqlite3_errstr(rc));
  sqlite3_exec(from.db, "COMMIT;", nullptr, nullptr, nullptr);
}

}  // namespace crawlspect
