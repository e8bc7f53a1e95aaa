#include "gui/mainwindow/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <filesystem>

#include "core/lookups/web_lookups.h"
#include "core/pagefacts/page_record.h"
#include "gui/dialogs/about_dialog.h"
#include "gui/dialogs/feedback_dialog.h"
#include "gui/mainwindow/export_commands.h"
#include "gui/mainwindow/lookup_menu.h"
#include "gui/mainwindow/options_panel.h"
#include "gui/mainwindow/result_tabs.h"
#include "gui/mainwindow/widget_builders.h"
#include "gui/widget_names.h"

namespace crawlspect::ui {

MainWindow::MainWindow(AppSetup setup, QWidget* parent)
    : QMainWindow(parent),
      m_setup(std::move(setup)),
      m_settingsFile((std::filesystem::path(m_setup.dataFolder) / "settings.ini").string()),
      m_hosts(ServiceHosts::from(m_settingsFile)),
      m_writer(m_settingsFile, m_desktop, "Crawlspect"),
      m_store(m_db, m_desktop, m_setup.dataFolder, m_setup.templatePath),
      m_refresh(m_db, m_list, m_regional, m_desktop, [this](RefreshResult& result) { applyRefresh(result); }) {
  setObjectName("mainWindow");
  setWindowTitle(QString::fromStdString(m_identity.captionText));
  resize(983, 545);

  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  QWidget* startLine = buildStartLine(central);
  m_options = new OptionsPanel(central);
  // The ignored URLs share a splitter with the result tabs, so that the user
  // can give the list more height.
  auto* optionsSplitter = named(new QSplitter(Qt::Vertical, central), "optionsSplitter");
  optionsSplitter->setHandleWidth(5);
  optionsSplitter->addWidget(m_options->ignoreUrlsPanel());
  m_results = std::make_unique<ResultTabs>(this, m_db, m_list, m_desktop);
  m_exports = std::make_unique<ExportCommands>(m_list, *m_results, m_regional, m_desktop, m_files);
  connect(m_results.get(), &ResultTabs::exportRequested, this, [this](ExportId id) { m_exports->exportList(id); });
  optionsSplitter->addWidget(m_results->widget());
  optionsSplitter->setStretchFactor(1, 1);
  optionsSplitter->setSizes({40, 500});
  column->addWidget(startLine);
  column->addWidget(m_options);
  column->addWidget(optionsSplitter, 1);
  setCentralWidget(central);

  buildStatusBar();
  buildMenus();

  m_refreshTimer = named(new QTimer(this), "refreshTimer");
  m_refreshTimer->setInterval(5000);
  connect(m_refreshTimer, &QTimer::timeout, this, [this] { m_refresh.request(); });
  // Selected once the window is up, so that typing replaces the stored URL.
  m_selectStartUrlTimer = named(new QTimer(this), "selectStartUrlTimer");
  m_selectStartUrlTimer->setSingleShot(true);
  m_selectStartUrlTimer->setInterval(1);
  connect(m_selectStartUrlTimer, &QTimer::timeout, this, &MainWindow::selectStartUrl);
  m_selectStartUrlTimer->start();

  applySettings();

  m_run = std::make_unique<CrawlRun>(m_desktop, static_cast<CrawlObserver&>(*this), m_store, m_list, m_fetcher,
                                     RegionalSettings::fromEnvironment());
  m_run->setPageStep([this](const std::string& url, const std::string& text) {
    return preparePageRecord(m_db, m_desktop, "Crawlspect", url, text);
  });
}

MainWindow::~MainWindow() {
  m_run->shutdown();
  m_refresh.wait();
  m_store.close();
}

QWidget* MainWindow::buildStartLine(QWidget* area) {
  QWidget* line = makeLine(area, "startLine", 36);
  auto* row = static_cast<QHBoxLayout*>(line->layout());
  row->addWidget(new QLabel("Start URL:", line));
  m_startUrlEdit = named(new QLineEdit(line), "startUrlEdit");
  QFont big = m_startUrlEdit->font();
  big.setPointSizeF(big.pointSizeF() * 1.35);
  m_startUrlEdit->setFont(big);
  row->addWidget(m_startUrlEdit, 1);
  m_checkButton = named(new QToolButton(line), "checkButton");
  m_checkButton->setText("Check");
  QFont bold = m_checkButton->font();
  bold.setBold(true);
  m_checkButton->setFont(bold);
  m_checkButton->setFixedWidth(130);
  m_checkButton->setPopupMode(QToolButton::MenuButtonPopup);
  m_checkButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
  row->addWidget(m_checkButton);
  m_showOptionsCheck = named(new QCheckBox("Show Options", line), "showOptionsCheck");
  row->addWidget(m_showOptionsCheck);
  connect(m_checkButton, &QToolButton::clicked, this, &MainWindow::toggleRun);
  connect(m_startUrlEdit, &QLineEdit::returnPressed, this, &MainWindow::toggleRun);
  connect(m_showOptionsCheck, &QCheckBox::clicked, this, &MainWindow::showOptionLines);
  return line;
}

void MainWindow::buildStatusBar() {
  m_urlTotalStatus = named(new QLabel(this), "urlTotalStatus");
  m_urlTotalStatus->setFixedWidth(200);
  statusBar()->addWidget(m_urlTotalStatus, 0);
  m_positionStatus = named(new QLabel(this), "positionStatus");
  m_positionStatus->setFixedWidth(100);
  m_positionStatus->setAlignment(Qt::AlignCenter);
  statusBar()->addWidget(m_positionStatus, 0);
  m_loadingStatus = named(new QLabel(this), "loadingStatus");
  statusBar()->addWidget(m_loadingStatus, 1);
  statusBar()->setObjectName("statusBar");
}

void MainWindow::buildMenus() {
  auto* file = menuBar()->addMenu("File");
  file->setObjectName("fileMenu");
  const auto entry = [this, file](const char* caption, const char* name, void (MainWindow::*handler)()) {
    QAction* action = file->addAction(caption);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, handler);
  };
  entry("New Project", "newProjectAction", &MainWindow::newProject);
  entry("Load Project...", "loadProjectAction", &MainWindow::loadProject);
  entry("Save Project As...", "saveProjectAction", &MainWindow::saveProjectAs);
  file->addSeparator();
  for (const auto& [id, name] : {std::pair{ExportId::Sitemap, "exportSitemapAction"},
                                 {ExportId::Links, "exportLinksAction"},
                                 {ExportId::Titles, "exportTitlesAction"},
                                 {ExportId::Descriptions, "exportDescriptionsAction"},
                                 {ExportId::H1Tags, "exportH1TagsAction"},
                                 {ExportId::H2Tags, "exportH2TagsAction"},
                                 {ExportId::Anchors, "exportAnchorsAction"}}) {
    QAction* action = file->addAction(exportCaption(id));
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, [this, id = id] { m_exports->exportList(id); });
  }
  file->addSeparator();
  connect(file->addAction("Exit"), &QAction::triggered, qApp, &QApplication::quit);

  auto* tools = menuBar()->addMenu("Tools");
  tools->setObjectName("toolsMenu");
  for (const auto& item : toolsMenu()) {
    auto* action = tools->addAction(QString::fromStdString(item.caption));
    action->setObjectName(QString::fromStdString(item.objectName));
    connect(action, &QAction::triggered, this, [this, address = item.address] { m_desktop.openAddress(address); });
  }
  auto* settings = menuBar()->addMenu("Settings");
  settings->setObjectName("settingsMenu");
  auto* reset = settings->addAction("Reset to Defaults");
  reset->setObjectName("resetSettingsAction");
  connect(reset, &QAction::triggered, this, &MainWindow::resetSettingsToDefaults);

  auto* help = menuBar()->addMenu("Help");
  help->setObjectName("helpMenu");
  auto* online = help->addAction("Online Help");
  online->setShortcut(Qt::Key_F1);
  connect(online, &QAction::triggered, this, &MainWindow::openOnlineHelp);
  help->addSeparator();
  m_updateNotificationsAction = help->addAction("Update Notifications");
  m_updateNotificationsAction->setCheckable(true);
  m_updateNotificationsAction->setChecked(true);
  m_updateNotificationsAction->setEnabled(false);
  help->addSeparator();
  auto* feedback = help->addAction("Send Feedback...");
  feedback->setObjectName("sendFeedbackAction");
  connect(feedback, &QAction::triggered, this,
          [this] { FeedbackDialog::showFeedback(this, m_desktop, m_identity, m_hosts); });
  auto* about = help->addAction("About...");
  about->setObjectName("aboutAction");
  connect(about, &QAction::triggered, this, [this] { AboutDialog::showAbout(this, m_desktop, m_identity, m_hosts); });

  // Not a child of the window: the menu it builds is.
  m_lookupMenu = std::make_unique<LookupMenu>(this, m_checkButton, m_startUrlEdit,
                                              m_results->listTab(ResultListId::Links), m_desktop);
  connect(m_lookupMenu.get(), &LookupMenu::checkRequested, this, &MainWindow::toggleRun);
  connect(m_lookupMenu.get(), &LookupMenu::analyzeRequested, this, &MainWindow::analyzeUrl);
}

}  // namespace crawlspect::ui
