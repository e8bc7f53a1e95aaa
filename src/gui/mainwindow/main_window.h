#pragma once
// The main window: start line, scope line, option lines, the eight result
// tabs, the status bar and the menus. It displays what the core computes and
// turns the user's commands into core calls.
#include <QMainWindow>
#include <QString>
#include <array>
#include <functional>
#include <atomic>
#include <memory>
#include <thread>
#include <optional>
#include <string>

#include "core/crawl/crawl_run.h"
#include "core/lookups/web_lookups.h"
#include "core/results/csv_export.h"
#include "core/results/result_lists.h"
#include "core/settings/settings.h"
#include "core/platform/data_folder.h"
#include "core/crawl/internal_url_list.h"
#include "core/crawl/page_fetcher.h"
#include "core/store/database.h"
#include "core/store/project_store.h"
#include "gui/qt_desktop.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QRadioButton;
class QSpinBox;
class QSplitter;
class QTabWidget;
class QTextEdit;
class QTimer;
class QToolButton;
class QTreeView;
class QWidget;
class QAction;
class QPoint;
class QAbstractItemModel;

namespace crawlspect::ui {

class TableModel;
class AuditView;
class UrlListModel;

struct AppSetup {
  std::string dataFolder;    // holds settings.ini and the working project files
  std::string templatePath;  // empty.db beside the program
  std::string projectPath;   // named on the command line; empty for none
};

class MainWindow : public QMainWindow, private CrawlObserver {
  Q_OBJECT
 public:
  explicit MainWindow(AppSetup setup, QWidget* parent = nullptr);
  ~MainWindow() override;

  CrawlRun& crawlRun() { return *m_run; }
  Database& database() { return m_db; }
  const std::string& workingFile() const { return m_store.workingFile(); }
  // Once the window is shown: the working file, then a project named on the command line.
  void openStartupProject();
  // Shown as the stored placement says: maximized, or the stored rectangle.
  void showAsStored();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Building the window.
  void buildStartLine(QWidget* area);
  void buildOptionLines(QWidget* area);
  void buildTabs();
  void buildMenus();
  QTreeView* makeList(const char* name, QAbstractItemModel* model);

  // Handlers.
  // The "Check" button: starts a run with the window's settings, or stops the one going.
  void toggleRun();
  void startRun();
  void showOptionLines();
  void resultTabChanged(int index);
  void refreshTick();
  void selectStartUrl();
  void newProject();
  void loadProject();
  void saveProjectAs();
  void openOnlineHelp();
  void refreshResults();
  void applySettings();
  void connectSettingsWriters();
  void buildLookupMenu(QMenu* menu, const std::vector<LookupMenuItem>& items);
  void runLookup(LookupCommand command);
  void showFoundLinkMenu(const QPoint& pos);
  void resetSettingsToDefaults();
  void savePlacementNow();
  void analyzeUrl(const std::string& url);
  std::optional<std::string> selectedFoundLink() const;
  void halveFoundLinksPanel();

  void showRunState(RunState state);
  void setOptionLinesEnabled(bool enabled);
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
  void pageFailed(const std::string& message) override;
  void runFinished(RunEnd end) override;

  AppSetup m_setup;
  ProgramIdentity m_identity = programIdentity();
  QtDesktop m_desktop;
  SettingsFile m_settingsFile;
  ServiceHosts m_hosts;
  SettingsWriter m_writer;
  LookupSource m_lookupSource = LookupSource::None;
  bool m_lookupMenuFromFoundLinks = false;
  bool m_startMaximized = true;
  Database m_db;
  ProjectStore m_store;
  InternalUrlList m_list;
  PageFetcher m_fetcher;
  std::unique_ptr<CrawlRun> m_run;
  bool m_busyPointer = false;

 public:
  // Controls, named as the rest of the program and the tests know them.
  QWidget* m_startLine = nullptr;
  QLineEdit* m_startUrlEdit = nullptr;
  QToolButton* m_checkButton = nullptr;
  QCheckBox* m_showOptionsCheck = nullptr;
  QWidget* m_scopeLine = nullptr;
  QRadioButton* m_domainScopeRadio = nullptr;
  QRadioButton* m_hostScopeRadio = nullptr;
  QCheckBox* m_removeAnchorsCheck = nullptr;
  QSpinBox* m_pageLimitSpin = nullptr;
  QWidget* m_timeoutsLine = nullptr;
  QLineEdit* m_connectionTimeoutEdit = nullptr;
  QLineEdit* m_responseTimeoutEdit = nullptr;
  QComboBox* m_userAgentCombo = nullptr;
  QWidget* m_ignoreExtensionsLine = nullptr;
  QLineEdit* m_ignoreExtensionsEdit = nullptr;
  QWidget* m_ignoreUrlsPanel = nullptr;
  QPlainTextEdit* m_ignoreUrlsEdit = nullptr;
  QSplitter* m_optionsSplitter = nullptr;
  QTabWidget* m_resultTabs = nullptr;
  QTreeView* m_summaryView = nullptr;
  AuditView* m_auditView = nullptr;
  QTreeView* m_internalUrlsView = nullptr;
  QWidget* m_pageDetailsPanel = nullptr;
  QPlainTextEdit* m_pageTitleBox = nullptr;  // title
  QPlainTextEdit* m_pageDescriptionBox = nullptr;  // META description
  QPlainTextEdit* m_pageH1Box = nullptr;  // H1 lines
  QPlainTextEdit* m_pageH2Box = nullptr;  // H2 lines
  QLabel* m_titleLengthLabel = nullptr;
  QLabel* m_descriptionLengthLabel = nullptr;
  QLabel* m_h1CountLabel = nullptr;
  QLabel* m_h2CountLabel = nullptr;
  QTreeView* m_foundLinksView = nullptr;
  QWidget* m_linkSourcesPanel = nullptr;
  QLabel* m_linkSourcesCaption = nullptr;
  QTreeView* m_linkSourcesView = nullptr;
  QTreeView* m_titlesView = nullptr;
  QTreeView* m_titlePagesView = nullptr;
  QTreeView* m_descriptionsView = nullptr;
  QTreeView* m_descriptionPagesView = nullptr;
  QTreeView* m_h1TagsView = nullptr;
  QTreeView* m_h1PagesView = nullptr;
  QTreeView* m_h2TagsView = nullptr;
  QTreeView* m_h2PagesView = nullptr;
  QTreeView* m_anchorsView = nullptr;
  QTreeView* m_anchorPagesView = nullptr;
  QLabel* m_statusPanels[3] = {nullptr, nullptr, nullptr};
  QTimer* m_refreshTimer = nullptr;
  QTimer* m_selectStartUrlTimer = nullptr;
  QMenu* m_lookupMenu = nullptr;
  QAction* m_updateNotificationsAction = nullptr;

  // Models of the lists.
  UrlListModel* urlModel = nullptr;
  TableModel* summaryModel = nullptr;
  struct ResultTab {
    QTreeView* list = nullptr;
    TableModel* model = nullptr;
    QLabel* caption = nullptr;
    QTreeView* detail = nullptr;
    TableModel* detailModel = nullptr;
  };
  std::array<ResultTab, 6> resultTabs;  // by ResultListId
  ResultTab& tab(ResultListId id) { return resultTabs[static_cast<std::size_t>(id)]; }
  // True while a refresh is being computed away from this thread.
  bool refreshRunning() const { return m_refreshBusy; }

 private:
  void showPageDetails();
  void valueSelected(ResultListId id);
  void exportList(ExportId id);
  static ResultListId exportedList(ExportId id);
  QString chooseFile(const QString& dialogName, const QString& filter, const QString& suffix, bool save,
                     const QString& start = {});
  void addCopyMenu(QTreeView* view, const char* caption, const char* name);
  void applyRefresh(RefreshResult& result);
  void waitForRefresh();
  bool m_refreshBusy = false;
  bool m_refreshAgain = false;
  std::thread m_refreshThread;
  std::atomic<bool> m_refreshThreadDone{true};
  std::string m_lastExportName;

 public:
  // Stands in for the file dialogs (window tests): given the dialog's name
  // ("exportFileDialog", "openProjectDialog", "saveProjectDialog"), returns the
  // chosen file or "" for a cancel.
  std::function<QString(const QString& dialog)> m_chooseFile;
  RegionalSettings m_regional = RegionalSettings::fromEnvironment();
};

}  // namespace crawlspect::ui
