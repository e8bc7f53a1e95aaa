#pragma once
// The main window: the start line, the crawl's options, the result tabs, the
// status bar and the menus. It starts and stops the crawl, shows what the run
// reports, and keeps the window's settings. Its parts do their own jobs:
// StartLine (the start URL and the Check button), OptionsPanel (the options
// and their settings), ResultTabs (the audit and the lists, with
// ResultRefresh bringing them up to date), ExportCommands (the lists to
// files), MainMenus (the menu bar's commands), LookupMenu (the lookups on the
// start URL or a found link), StatusPanels (the run's progress) and
// StoredPlacement (the window's place on screen).
#include <QMainWindow>
#include <memory>
#include <string>

#include "core/crawl/crawl_run.h"
#include "core/crawl/internal_url_list.h"
#include "core/crawl/page_fetcher.h"
#include "core/lookups/service_addresses.h"
#include "core/platform/data_folder.h"
#include "core/platform/regional.h"
#include "core/settings/settings.h"
#include "core/store/database.h"
#include "core/store/project_store.h"
#include "gui/mainwindow/file_dialogs.h"
#include "gui/mainwindow/result_refresh.h"
#include "gui/mainwindow/stored_placement.h"
#include "gui/qt_desktop.h"

class QTimer;

namespace crawlspect::ui {

class ExportCommands;
class LookupMenu;
class MainMenus;
class OptionsPanel;
class ResultTabs;
class StartLine;
class StatusPanels;

struct AppSetup {
  std::string dataFolder;         // holds the working project files
  std::string templatePath;       // empty.db beside the program
  std::string projectPath;        // named on the command line; empty for none
  std::string settingsFile = {};  // settings.ini; empty for the one in dataFolder
};

class MainWindow : public QMainWindow, private CrawlObserver {
  Q_OBJECT
 public:
  explicit MainWindow(AppSetup setup, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Once the window is shown: the working file, then a project named on the command line.
  void openStartupProject();
  // Shown as the stored placement says: maximized, or the stored rectangle.
  void showAsStored() { m_placement.show(); }

  // For the window tests and the refresh bench; the controls themselves are
  // found by their object names.
  CrawlRun& crawlRun() { return *m_run; }
  // The fetcher every run and the analysis window share.
  const PageFetcher& fetcher() const { return m_fetcher; }
  Database& database() { return m_db; }
  const std::string& workingFile() const { return m_store.workingFile(); }
  // True while a refresh is being computed away from this thread.
  bool refreshRunning() const { return m_refresh.running(); }
  // Stands in for the file dialogs: given the dialog's name ("exportFileDialog",
  // "openProjectDialog", "saveProjectDialog"), returns the chosen file or "" for
  // a cancel. Empty: the real dialogs.
  using FileChooser = FileDialogs::StandIn;
  void setFileChooser(FileChooser chooser) { m_files.setStandIn(std::move(chooser)); }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void applySettings();
  // Before the window goes: a run still going is stopped and waited for,
  // then the project is closed.
  void shutDown();

  // The "Check" button: starts a run with the window's settings, or stops the one going.
  void toggleRun();
  void startRun();
  void showOptionLines();
  void analyzeUrl(const std::string& url);
  void setBusyPointer(bool busy);
  // One last refresh of the result tabs, then no more until the next run.
  void finishRefreshes();

  // What the crawl run tells the window.
  void runStateChanged(RunState state) override;
  void startUrlAdopted(const std::string& url) override;
  void urlListCleared() override;
  void pageStarted(const PageProgress& page) override;
  void urlAdded(std::size_t index) override;
  void loadTimeKnown(std::size_t index) override;
  void pageFinished(std::size_t index, std::size_t total) override;
  void transferCutOff() override;
  void startUrlFailed(const std::string& reason) override;
  void externalCheckStarted(std::size_t links) override;
  void pageFailed(const std::string& message) override;
  void runFinished(RunEnd end) override;

  AppSetup m_setup;
  ProgramIdentity m_identity = programIdentity();
  QtDesktop m_desktop;
  SettingsFile m_settingsFile;
  ServiceHosts m_hosts;
  SettingsWriter m_writer;
  StoredPlacement m_placement{this, m_writer};
  RegionalSettings m_regional = RegionalSettings::fromEnvironment();
  Database m_db;
  ProjectStore m_store;
  InternalUrlList m_list;
  PageFetcher m_fetcher;
  std::unique_ptr<CrawlRun> m_run;
  bool m_busyPointer = false;
  FileDialogs m_files{this};

  // The window's parts. The tabs are declared before the refresh, which hands
  // them its results until it is gone.
  std::unique_ptr<StartLine> m_startLine;
  OptionsPanel* m_options = nullptr;
  std::unique_ptr<ResultTabs> m_results;
  ResultRefresh m_refresh;
  std::unique_ptr<ExportCommands> m_exports;
  std::unique_ptr<StatusPanels> m_status;
  std::unique_ptr<MainMenus> m_menus;
  std::unique_ptr<LookupMenu> m_lookupMenu;

  QTimer* m_refreshTimer = nullptr;
  QTimer* m_selectStartUrlTimer = nullptr;
};

}  // namespace crawlspect::ui
