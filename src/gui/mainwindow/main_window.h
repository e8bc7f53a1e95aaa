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

class TAppForm : public QMainWindow, private CrawlView {
  Q_OBJECT
 public:
  explicit TAppForm(AppSetup setup, QWidget* parent = nullptr);
  ~TAppForm() override;

  CrawlRun& crawlRun() { return *m_run; }
  Database& database() { return m_db; }
  const std::string& workingFile() const { return m_store.workingFile(); }
  // FormShow's work: the working file, then a project named on the command line.
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
  void BitBtn1Click();
  void CheckBox1Click();
  void PageControl1Change(int index);
  void TimerRefreshLinksTimer();
  void TimerEditFixTimer();
  void NewProject1Click();
  void LoadProject1Click();
  void SaveProject1Click();
  void Help2Click();
  void refreshResults();
  void applySettings();
  void connectSettingsWriters();
  void buildLookupMenu(QMenu* menu, const std::vector<LookupMenuItem>& items);
  void runLookup(LookupCommand command);
  void ListView1MouseDown(const QPoint& pos);
  void R1Click();
  void savePlacementNow();
  void AnalyzeURL1Click(const std::string& url);
  std::optional<std::string> selectedFoundLink() const;
  void halveFoundLinksPanel();

  // CrawlView.
  std::string startUrlText() override;
  void setStartUrlText(const std::string& text) override;
  RunOptionTexts runOptions() override;
  void focusStartUrl() override;
  void showRunState(RunState state) override;
  void setOptionLinesEnabled(bool enabled) override;
  void setBusyPointer(bool busy) override;
  void setStatusText(int panel, const std::string& text) override;
  void urlListCleared() override;
  void urlRowAdded(std::size_t index) override;
  void loadTimeWritten(std::size_t index) override;
  void setRefreshTimerEnabled(bool enabled) override;
  void IslemTamam() override;

  AppSetup m_setup;
  ProgramIdentity m_identity = programIdentity();
  QtDesktop m_desktop;
  SettingsFile m_settingsFile;
  ServiceHosts m_hosts;
  SettingsWriter m_writer;
  std::string m_popupSource;
  bool m_popupFromList = false;
  bool m_startMaximized = true;
  Database m_db;
  ProjectStore m_store;
  InternalUrlList m_list;
  PageFetcher m_fetcher;
  std::unique_ptr<CrawlRun> m_run;
  bool m_busyPointer = false;

 public:
  // Controls, named as the rest of the program and the tests know them.
  QWidget* Panel1 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QToolButton* BitBtn1 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QWidget* Panel2 = nullptr;
  QRadioButton* RadioButton1 = nullptr;
  QRadioButton* RadioButton2 = nullptr;
  QCheckBox* CheckBox2 = nullptr;
  QSpinBox* SpinEdit1 = nullptr;
  QWidget* Panel4 = nullptr;
  QLineEdit* Edit3 = nullptr;
  QLineEdit* Edit4 = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QWidget* Panel5 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QWidget* Panel7 = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  QSplitter* Splitter1 = nullptr;
  QTabWidget* PageControl1 = nullptr;
  QTreeView* ListView12 = nullptr;
  AuditView* Memo6 = nullptr;
  QTreeView* ListBox1 = nullptr;
  QWidget* Panel3 = nullptr;
  QPlainTextEdit* Memo3 = nullptr;  // title
  QPlainTextEdit* Memo2 = nullptr;  // META description
  QPlainTextEdit* Memo4 = nullptr;  // H1 lines
  QPlainTextEdit* Memo5 = nullptr;  // H2 lines
  QLabel* Label11 = nullptr;
  QLabel* Label12 = nullptr;
  QLabel* Label14 = nullptr;
  QLabel* Label16 = nullptr;
  QTreeView* ListView1 = nullptr;
  QWidget* Panel8 = nullptr;
  QLabel* Label10 = nullptr;
  QTreeView* ListView2 = nullptr;
  QTreeView* ListView7 = nullptr;
  QTreeView* ListView8 = nullptr;
  QTreeView* ListView9 = nullptr;
  QTreeView* ListView10 = nullptr;
  QTreeView* ListView3 = nullptr;
  QTreeView* ListView4 = nullptr;
  QTreeView* ListView5 = nullptr;
  QTreeView* ListView6 = nullptr;
  QTreeView* ListView13 = nullptr;
  QTreeView* ListView11 = nullptr;
  QLabel* StatusPanel[3] = {nullptr, nullptr, nullptr};
  QTimer* TimerRefreshLinks = nullptr;
  QTimer* TimerEditFix = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QAction* UpdateNotifications1 = nullptr;

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
  void ListBox1SelectItem();
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
  // ("SaveDialog1", "OpenDialogProject", "SaveDialogProject"), returns the
  // chosen file or "" for a cancel.
  std::function<QString(const QString& dialog)> m_chooseFile;
  RegionalSettings m_regional = RegionalSettings::fromEnvironment();
};

}  // namespace crawlspect::ui
