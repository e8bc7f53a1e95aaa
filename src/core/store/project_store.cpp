#include "core/store/project_store.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <filesystem>
#include <unordered_map>

#include "core/crawl/fetch_outcome.h"
#include "core/crawl/internal_url_list.h"
#include "core/platform/problem_reporter.h"
#include "core/store/statements.h"

namespace crawlspect {

namespace fs = std::filesystem;

void removeDatabaseFiles(const std::string& path) {
  std::error_code ec;
  fs::remove(path, ec);
  fs::remove(path + "-wal", ec);
  fs::remove(path + "-shm", ec);
  fs::remove(path + "-journal", ec);
}

ProjectStore::ProjectStore(Database& db, ProblemReporter& problems, std::string dataFolder, std::string templatePath)
    : m_db(db), m_problems(problems), m_dataFolder(std::move(dataFolder)), m_templatePath(std::move(templatePath)) {}

const std::string& ProjectStore::chooseWorkingFile(std::mt19937& random) {
  std::uniform_int_distribution<int> number(0, 999998);
  for (;;) {
    const fs::path candidate = fs::path(m_dataFolder) / ("project" + std::to_string(number(random)) + ".db");
    std::error_code ec;
    if (!fs::exists(candidate, ec)) {
      m_workingFile = candidate.string();
      return m_workingFile;
    }
  }
}

void ProjectStore::connectWorkingFile(bool createTables) {
  try {
    m_db.connect(m_workingFile);
    if (createTables) m_db.executeScript(kProjectSchema);
  } catch (const DbError& e) {
    m_problems.reportProblem("", connectionErrorReport(e.what()));
  }
}

void ProjectStore::freshReset() {
  m_db.disconnect();
  removeDatabaseFiles(m_workingFile);
  std::error_code ec;
  const bool haveTemplate = fs::exists(m_templatePath, ec);
  if (haveTemplate) fs::copy_file(m_templatePath, m_workingFile, fs::copy_options::overwrite_existing, ec);
  connectWorkingFile(!haveTemplate);
  m_linkIndexesPending = m_deferLinkIndexes;
  if (!m_deferLinkIndexes) m_db.ensureLinkIndexes();
}

void ProjectStore::keepLinkIndexesFromNow() {
  if (!m_linkIndexesPending) return;
  m_linkIndexesPending = false;
  m_db.ensureLinkIndexes();
}

bool ProjectStore::openProject(const std::string& projectPath, InternalUrlList& list,
                               const RegionalSettings& regional) {
  m_db.disconnect();
  // A stale log of an earlier working file must not be replayed into the copy.
  removeDatabaseFiles(m_workingFile);
  QueryResult pages;
  try {
    // Through SQLite, not as bytes: a project being written elsewhere, or one
    // with a journal still to roll back, must not be read torn.
    copyUntrustedProject(projectPath, m_workingFile, kProjectLockWaitMs);
    connectWorkingFile(false);
    m_db.upgradeSchema();
    pages = m_db.query(sql::kSelectPageUrls);
  } catch (const DbError& e) {
    m_problems.reportProblem("", statementErrorReport(e.what()));
    // As before a refused file: a connection whose statements report their failure.
    if (!m_db.isConnected()) connectWorkingFile(false);
    list.clear();
    return false;
  }
  std::vector<std::string> urls;
  urls.reserve(pages.rows.size());
  for (std::size_t i = 0; i < pages.rows.size(); ++i) urls.push_back(pages.text(i, 0));
  list.assign(urls);
  restoreLoadTimes(list, regional);
  m_db.ensureLinkIndexes();
  m_linkIndexesPending = false;
  return true;
}

void ProjectStore::restoreLoadTimes(InternalUrlList& list, const RegionalSettings& regional) {
  std::unordered_map<std::string, std::size_t> position;
  const std::vector<UrlRow> rows = list.snapshot();
  position.reserve(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) position.emplace(rows[i].url, i);
  try {
    m_db.forEachRow(sql::kSelectLoadTimes, [&](const RowView& row) {
      const auto found = position.find(std::string(row.text(0)));
      if (found == position.end()) return;
      const std::string_view ms = row.text(1);
      double value = 0;
      const auto [end, ec] = std::from_chars(ms.data(), ms.data() + ms.size(), value);
      if (ec == std::errc() && end == ms.data() + ms.size() && value >= 0)
        list.setLoadTime(found->second, formatLoadTime(value / 1000.0, regional));
    });
  } catch (const DbError& e) {
    m_problems.reportProblem("", statementErrorReport(e.what()));
  }
}

namespace {

// Where a save to dest really goes: a symbolic link is followed, so that the
// file it names is replaced and the link stays a link.
fs::path saveTarget(const fs::path& dest) {
  fs::path target = dest;
  std::error_code ec;
  for (int hop = 0; hop < 40 && fs::is_symlink(target, ec); ++hop) {
    const fs::path next = fs::read_symlink(target, ec);
    if (ec) break;
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  return target;
}

// The temporary files of a save to target that was killed before its rename:
// "<name>.part<pid>" and its companions, of a process that no longer runs (a
// save of another running copy is left alone).
void removeStaleParts(const fs::path& target) {
  const std::string prefix = target.filename().string() + ".part";
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    std::string number = name.substr(prefix.size());
    for (const std::string_view companion : {"-wal", "-shm", "-journal"})
      if (number.size() > companion.size() && number.ends_with(companion))
        number.resize(number.size() - companion.size());
    if (number.empty() || number.size() > 9 || number.find_first_not_of("0123456789") != std::string::npos) continue;
    const auto pid = static_cast<pid_t>(std::stol(number));
    if (pid == ::getpid() || (::kill(pid, 0) != 0 && errno == ESRCH)) {
      std::error_code ignored;
      fs::remove(it->path(), ignored);
    }
  }
}

}  // namespace

void ProjectStore::saveCopy(const std::string& dest) {
  if (!m_db.isConnected()) return;  // nothing crawled or opened yet: nothing to save
  const std::string target = saveTarget(dest).string();
  removeStaleParts(target);
  const std::string temp = target + ".part" + std::to_string(::getpid());
  removeDatabaseFiles(temp);
  // The saved file keeps the permissions of the one it replaces: a private
  // project stays private.
  struct stat old {};
  const bool replacing = ::stat(target.c_str(), &old) == 0;
  if (replacing) {
    // Made with those permissions before a byte is written, not opened up meanwhile.
    const int fd = ::open(temp.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, old.st_mode & 0777);
    if (fd >= 0) ::close(fd);
  }
  try {
    m_db.backupTo(temp);
  } catch (const DbError& e) {
    removeDatabaseFiles(temp);
    throw StoreError(e.what());
  }
  if (replacing && ::chmod(temp.c_str(), old.st_mode & 07777) != 0) {
    const std::string reason = std::error_code(errno, std::generic_category()).message();
    removeDatabaseFiles(temp);
    throw StoreError(reason);
  }
  std::error_code ec;
  fs::rename(temp, target, ec);
  if (ec) {
    removeDatabaseFiles(temp);
    throw StoreError(ec.message());
  }
}

void ProjectStore::close() {
  m_db.disconnect();
  if (!m_workingFile.empty()) removeDatabaseFiles(m_workingFile);
}

ProjectStore::Batch::Batch(ProjectStore& store) : m_store(store) { m_store.m_batching = true; }

ProjectStore::Batch::~Batch() {
  m_store.m_batching = false;
  m_store.flushLinks();
}

void ProjectStore::flushLinks() {
  if (m_pendingLinks.empty()) return;
  StatementBatch batch(m_db);
  m_pendingLinks.forEach([&](std::string_view sql, std::span<const BoundValue> values) { batch.execute(sql, values); });
  m_pendingLinks.clear();
  // Reported once the rows are committed, so no box waits on an open transaction.
  for (const auto& text : batch.finish()) m_problems.reportProblem("Error", statementErrorReport(text));
}

namespace {
constexpr std::size_t kLinksPerCommit = 10000;
constexpr std::size_t kLinkBytesPerCommit = 16u << 20;
}  // namespace

void ProjectStore::recordNewPage(const std::string& pageUrl) {
  try {
    m_db.executeInOwnTransaction(sql::kInsertNewPage, {pageUrl});
  } catch (const DbError& e) {
    m_problems.reportProblem("", statementErrorReport(e.what()));
  }
}

namespace {

std::string decimal(double value) {
  char buffer[32];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 3);
  return ec == std::errc() ? std::string(buffer, end) : "0";
}

}  // namespace

void ProjectStore::recordResponse(const FetchOutcome& outcome) {
  const std::string status = std::to_string(outcome.firstStatus);
  const std::string finalStatus = std::to_string(outcome.finalStatus);
  const std::string hops = std::to_string(outcome.hops.size());
  const std::string bytes = std::to_string(outcome.bodyBytes);
  const std::string ttfb = decimal(outcome.ttfbMs);
  const std::string time = decimal(outcome.timeMs);
  const std::string error = outcome.errorText();
  const std::string_view external = outcome.external ? "1" : "0";
  StatementList rows;
  StatementList& into = m_batching ? m_pendingLinks : rows;
  if (outcome.robotsFile)
    into.add(sql::kInsertRobotsTxt,
             {outcome.url, status, finalStatus, outcome.finalUrl, hops, outcome.contentType, bytes, ttfb, time, error});
  else
    into.add(sql::kInsertResponse, {outcome.url, status, finalStatus, outcome.finalUrl, hops, outcome.contentType,
                                    bytes, ttfb, time, error, external});
  // A robots.txt's redirects show in its FINAL_URL and HOPS.
  for (std::size_t i = 0; i < (outcome.robotsFile ? 0 : outcome.hops.size()); ++i)
    into.add(sql::kInsertRedirect,
             {outcome.url, std::to_string(i + 1), outcome.hops[i].target, std::to_string(outcome.hops[i].status)});
  if (m_batching) return;
  StatementBatch batch(m_db);
  rows.forEach([&](std::string_view sql, std::span<const BoundValue> values) { batch.execute(sql, values); });
  for (const auto& text : batch.finish()) m_problems.reportProblem("Error", statementErrorReport(text));
}

void ProjectStore::recordRobotsBlocked(const std::string& pageUrl) {
  if (m_batching) {
    m_pendingLinks.add(sql::kInsertRobotsBlocked, {pageUrl});
    return;
  }
  try {
    m_db.execute(sql::kInsertRobotsBlocked, {pageUrl});
  } catch (const DbError& e) {
    m_problems.reportProblem("Error", statementErrorReport(e.what()));
  }
}

void ProjectStore::storeLink(const std::string& link, const std::string& sourcePage, const std::string& follow,
                             const std::string& anchor, const std::string& type) {
  if (m_batching) {
    m_pendingLinks.add(sql::kInsertLink, {sourcePage, link, follow, type, anchor});
    if (m_pendingLinks.size() >= kLinksPerCommit || m_pendingLinks.valueBytes() >= kLinkBytesPerCommit) flushLinks();
    return;
  }
  try {
    m_db.execute(sql::kInsertLink, {sourcePage, link, follow, type, anchor});
  } catch (const DbError& e) {
    m_problems.reportProblem("Error", statementErrorReport(e.what()));
  }
}

}  // namespace crawlspect
