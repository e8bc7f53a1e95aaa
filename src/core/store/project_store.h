#pragma once
// The project files around the one connection: the working project file in
// the data folder, the fresh copy of the template at every crawl start,
// opening a saved project, saving a copy, and the crawl's two inserts.
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/platform/regional.h"
#include "core/store/database.h"

namespace crawlspect {

class ProblemReporter;
class InternalUrlList;
struct FetchOutcome;

// A project file that could not be written; what() is the reason.
class StoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ProjectStore {
 public:
  // templatePath: the empty.db beside the executables; when it is missing the
  // fresh project gets the tables created directly.
  ProjectStore(Database& db, ProblemReporter& problems, std::string dataFolder, std::string templatePath);

  Database& database() { return m_db; }

  // "project" + number + ".db" in the data folder, for a number no existing file has.
  const std::string& chooseWorkingFile(std::mt19937& random);
  void setWorkingFile(std::string path) { m_workingFile = std::move(path); }
  const std::string& workingFile() const { return m_workingFile; }

  // Disconnect, delete the working file, copy the template over it, connect.
  void freshReset();
  // A run nobody reads from until it has ended (the command line) leaves the
  // LINKS indexes out of a fresh project and builds them once at the end
  // (Database::ensureLinkIndexes): a link then costs one row, not two random
  // index leaves more per commit. A window reads the lists every few
  // seconds during the run, so there they are kept from the start.
  void deferLinkIndexes(bool defer) { m_deferLinkIndexes = defer; }
  // True while the working project still lacks the LINKS indexes it deferred.
  bool linkIndexesPending() const { return m_linkIndexesPending; }
  // Builds them now and keeps them row by row from here on: for a run that
  // spends most of its time waiting for the network, where keeping them
  // costs nothing the run would notice, and the end of the run is spared
  // building them over the whole table.
  void keepLinkIndexesFromNow();
  // Copies the project file over the working file, connects, adds the tables
  // of this version when it is older, and rebuilds the internal URL list from
  // its pages in insertion order, with the load times of their last fetches.
  // False when it could not be read (the failure was reported).
  bool openProject(const std::string& projectPath, InternalUrlList& list,
                   const RegionalSettings& regional = RegionalSettings::fromEnvironment());
  // How long openProject waits for another program's lock on the file.
  static constexpr int kProjectLockWaitMs = 3000;
  // A consistent copy of the working project at dest (written beside it, then
  // renamed into place); nothing is written before the first crawl or
  // opening. Throws StoreError, leaving dest as it was, when it cannot be written.
  void saveCopy(const std::string& dest);
  // Disconnect and delete the working file with its companions; failures ignored.
  void close();

  // One page's links: storeLink keeps the rows and the end of the batch
  // writes them in their order in one commit, instead of one commit each
  // (a page with tens of thousands of links in a few, so that its rows never
  // all wait in memory at once).
  // Failures are still reported row by row; recordNewPage is not held back.
  class Batch {
   public:
    explicit Batch(ProjectStore& store);
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

   private:
    ProjectStore& m_store;
  };

  // The crawl thread's statements; failures are reported and the crawl goes on.
  void recordNewPage(const std::string& pageUrl);
  void storeLink(const std::string& link, const std::string& sourcePage, const std::string& follow,
                 const std::string& anchor, const std::string& type);
  // One RESPONSES row and a REDIRECTS row per hop (a ROBOTS_TXT row for a
  // robots.txt fetch); held back like a link in a batch.
  void recordResponse(const FetchOutcome& outcome);
  // A ROBOTS_BLOCKED row; held back like a link in a batch.
  void recordRobotsBlocked(const std::string& pageUrl);

 private:
  void connectWorkingFile(bool createTables);
  void flushLinks();
  void restoreLoadTimes(InternalUrlList& list, const RegionalSettings& regional);
  Database& m_db;
  ProblemReporter& m_problems;
  bool m_batching = false;
  bool m_deferLinkIndexes = false;
  bool m_linkIndexesPending = false;
  StatementList m_pendingLinks;
  std::string m_dataFolder;
  std::string m_templatePath;
  std::string m_workingFile;
};

// Removes a database file together with its -wal and -shm companions.
void removeDatabaseFiles(const std::string& path);

}  // namespace crawlspect
