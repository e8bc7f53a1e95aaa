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
#include "gui/mainwindow/export_commands.h"
#include "gui/mainwindow/lookup_menu.h"
#include "gui/mainwindow/main_menus.h"
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
  m_menus = std::make_unique<MainMenus>(this, m_desktop, m_identity, m_hosts, m_settingsFile.path(), m_store, m_files,
                                        *m_exports);
  // Not a child of the window: the menu it builds is.
  m_lookupMenu = std::make_unique<LookupMenu>(this, m_checkButton, m_startUrlEdit,
                                              m_results->listTab(ResultListId::Links), m_desktop);
  connect(m_lookupMenu.get(), &LookupMenu::checkRequested, this, &MainWindow::toggleRun);
  connect(m_lookupMenu.get(), &LookupMenu::analyzeRequested, this, &MainWindow::analyzeUrl);
}

}  // namespace crawlspect::ui
