#include "main/store/project_store.h"

#include <unistd.h>

#include <filesystem>

#include "main/crawler/internal_url_list.h"
#include "main/store/statements.h"
#include "platform/desktop.h"

namespace crawlspect {

namespace fs = std::filesystem;

void removeDatabaseFiles(const std::string& path) {
  std::error_code ec;
  fs::remove(path, ec);
  fs::remove(path + "-wal", ec);
  fs::remove(path + "-shm", ec);
  fs::remove(path + "-journal", ec);
}

ProjectStore::ProjectStore(Database& db, Desktop& desktop, std::string dataFolder, std::string templatePath)
    : db_(db), desktop_(desktop), dataFolder_(std::move(dataFolder)), templatePath_(std::move(templatePath)) {}

const std::string& ProjectStore::chooseWorkingFile(std::mt19937& random) {
  std::uniform_int_distribution<int> number(0, 999998);
  for (;;) {
    const fs::path candidate = fs::path(dataFolder_) / ("project" + std::to_string(number(random)) + ".db");
    std::error_code ec;
    if (!fs::exists(candidate, ec)) {
      workingFile_ = candidate.string();
      return workingFile_;
    }
  }
}

void ProjectStore::connectWorkingFile(bool createTables) {
  try {
    db_.connect(workingFile_);
    if (createTables) db_.execute(kProjectSchema);
  } catch (const DbError& e) {
    desktop_.report("", connectionErrorReport(e.what()));
  }
}

void ProjectStore::freshReset() {
  db_.disconnect();
  removeDatabaseFiles(workingFile_);
  std::error_code ec;
  const bool haveTemplate = fs::exists(templatePath_, ec);
  if (haveTemplate) fs::copy_file(templatePath_, workingFile_, fs::copy_options::overwrite_existing, ec);
  desktop_.processEvents();
  connectWorkingFile(!haveTemplate);
  linkIndexesPending_ = deferLinkIndexes_;
  if (!deferLinkIndexes_) db_.ensureLinkIndexes();
}

void ProjectStore::keepLinkIndexesFromNow() {
  if (!linkIndexesPending_) return;
  linkIndexesPending_ = false;
  db_.ensureLinkIndexes();
}

bool ProjectStore::openProject(const std::string& projectPath, InternalUrlList& list) {
  db_.disconnect();
  // A stale log of an earlier working file must not be replayed into the copy.
  removeDatabaseFiles(workingFile_);
  std::error_code ec;
  fs::copy_file(projectPath, workingFile_, fs::copy_options::overwrite_existing, ec);
  if (!ec && fs::exists(projectPath + "-wal", ec))
    fs::copy_file(projectPath + "-wal", workingFile_ + "-wal", fs::copy_options::overwrite_existing, ec);
  connectWorkingFile(false);
  QueryResult pages;
  try {
    pages = db_.query(sql::kSelectPageUrls);
  } catch (const DbError& e) {
    desktop_.report("", statementErrorReport(e.what()));
    list.clear();
    return false;
  }
  std::vector<std::string> urls;
  urls.reserve(pages.rows.size());
  for (std::size_t i = 0; i < pages.rows.size(); ++i) urls.push_back(pages.text(i, 0));
  list.assign(urls);
  db_.ensureLinkIndexes();
  linkIndexesPending_ = false;
  return true;
}

std::string ProjectStore::saveCopy(const std::string& dest) {
  if (!db_.isConnected()) return {};  // nothing crawled or opened yet: nothing to save
  const std::string temp = dest + ".part" + std::to_string(::getpid());
  removeDatabaseFiles(temp);
  try {
    db_.backupTo(temp);
  } catch (const DbError& e) {
    removeDatabaseFiles(temp);
    return e.what();
  }
  std::error_code ec;
  fs::rename(temp, dest, ec);
  if (ec) {
    removeDatabaseFiles(temp);
    return ec.message();
  }
  return {};
}

void ProjectStore::close() {
  db_.disconnect();
  if (!workingFile_.empty()) removeDatabaseFiles(workingFile_);
}

ProjectStore::Batch::Batch(ProjectStore& store) : store_(store) { store_.batching_ = true; }

ProjectStore::Batch::~Batch() {
  store_.batching_ = false;
  store_.flushLinks();
}

void ProjectStore::flushLinks() {
  if (pendingLinks_.empty()) return;
  StatementBatch batch(db_);
  for (const auto& statement : pendingLinks_) batch.execute(statement);
  pendingLinks_.clear();
  // Reported once the rows are committed, so no box waits on an open transaction.
  for (const auto& text : batch.finish()) desktop_.report("Error", statementErrorReport(text));
}

void ProjectStore::RecordNewPage(const std::string& pageUrl) {
  try {
    db_.executeInOwnTransaction(sql::insertNewPage(pageUrl));
  } catch (const DbError& e) {
    desktop_.report("", statementErrorReport(e.what()));
  }
}

void ProjectStore::StoreLink(const std::string& link, const std::string& sourcePage, const std::string& follow,
                             const std::string& anchor, const std::string& type) {
  if (batching_) {
    pendingLinks_.push_back(sql::insertLink(sourcePage, link, follow, type, anchor));
    return;
  }
  try {
    db_.execute(sql::insertLink(sourcePage, link, follow, type, anchor));
  } catch (const DbError& e) {
    desktop_.report("Error", statementErrorReport(e.what()));
  }
}

}  // namespace crawlspect
