#include "gui/mainwindow/main_window.h"

#include <QAction>
#include <filesystem>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "core/pagefacts/page_record.h"
#include "core/settings/settings.h"
#include "gui/dialogs/about_dialog.h"
#include "gui/dialogs/feedback_dialog.h"
#include "core/lookups/web_lookups.h"
#include "core/results/csv_export.h"
#include "gui/mainwindow/row_models.h"
#include "gui/widget_names.h"
#include "core/platform/regional.h"

namespace crawlspect::ui {

namespace {

QWidget* line(QWidget* parent, const char* name, int height) {
  auto* panel = named(new QWidget(parent), name);
  panel->setFixedHeight(height);
  auto* layout = new QHBoxLayout(panel);
  layout->setContentsMargins(6, 2, 6, 2);
  return panel;
}

}  // namespace

MainWindow::MainWindow(AppSetup setup, QWidget* parent)
    : QMainWindow(parent),
      m_setup(std::move(setup)),
      m_settingsFile((std::filesystem::path(m_setup.dataFolder) / "settings.ini").string()),
      m_hosts(ServiceHosts::from(m_settingsFile)),
      m_writer(m_settingsFile, m_desktop, "Crawlspect"),
      m_store(m_db, m_desktop, m_setup.dataFolder, m_setup.templatePath) {
  setObjectName("mainWindow");
  setWindowTitle(QString::fromStdString(m_identity.captionText));
  resize(983, 545);

  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  buildStartLine(central);
  column->addWidget(m_startLine);
  column->addWidget(m_scopeLine);
  buildOptionLines(central);
  column->addWidget(m_timeoutsLine);
  column->addWidget(m_ignoreExtensionsLine);
  column->addWidget(m_optionsSplitter, 1);
  setCentralWidget(central);

  for (int i = 0; i < 3; ++i) {
    m_statusPanels[i] = named(new QLabel(this), i == 0 ? "urlTotalStatus" : i == 1 ? "positionStatus" : "loadingStatus");
    if (i < 2) m_statusPanels[i]->setFixedWidth(i == 0 ? 200 : 100);
    if (i == 1) m_statusPanels[i]->setAlignment(Qt::AlignCenter);
    statusBar()->addWidget(m_statusPanels[i], i == 2 ? 1 : 0);
  }
  statusBar()->setObjectName("statusBar");

  buildMenus();

  m_refreshTimer = named(new QTimer(this), "refreshTimer");
  m_refreshTimer->setInterval(5000);
  connect(m_refreshTimer, &QTimer::timeout, this, &MainWindow::refreshTick);
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
  waitForRefresh();
  m_store.close();
}

void MainWindow::buildStartLine(QWidget* area) {
  m_startLine = line(area, "startLine", 36);
  auto* row = static_cast<QHBoxLayout*>(m_startLine->layout());
  row->addWidget(new QLabel("Start URL:", m_startLine));
  m_startUrlEdit = named(new QLineEdit(m_startLine), "startUrlEdit");
  QFont big = m_startUrlEdit->font();
  big.setPointSizeF(big.pointSizeF() * 1.35);
  m_startUrlEdit->setFont(big);
  row->addWidget(m_startUrlEdit, 1);
  m_checkButton = named(new QToolButton(m_startLine), "checkButton");
  m_checkButton->setText("Check");
  QFont bold = m_checkButton->font();
  bold.setBold(true);
  m_checkButton->setFont(bold);
  m_checkButton->setFixedWidth(130);
  m_checkButton->setPopupMode(QToolButton::MenuButtonPopup);
  m_checkButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
  row->addWidget(m_checkButton);
  m_showOptionsCheck = named(new QCheckBox("Show Options", m_startLine), "showOptionsCheck");
  row->addWidget(m_showOptionsCheck);
  connect(m_checkButton, &QToolButton::clicked, this, &MainWindow::toggleRun);
  connect(m_startUrlEdit, &QLineEdit::returnPressed, this, &MainWindow::toggleRun);
  connect(m_showOptionsCheck, &QCheckBox::clicked, this, &MainWindow::showOptionLines);

  m_scopeLine = line(area, "scopeLine", 30);
  auto* scope = static_cast<QHBoxLayout*>(m_scopeLine->layout());
  m_domainScopeRadio = named(new QRadioButton("Domain Name", m_scopeLine), "domainScopeRadio");
  m_hostScopeRadio = named(new QRadioButton("Subdomain Name", m_scopeLine), "hostScopeRadio");
  m_domainScopeRadio->setChecked(true);
  m_removeAnchorsCheck = named(new QCheckBox("Remove # Anchors", m_scopeLine), "removeAnchorsCheck");
  m_removeAnchorsCheck->setChecked(true);
  m_pageLimitSpin = named(new QSpinBox(m_scopeLine), "pageLimitSpin");
  m_pageLimitSpin->setRange(kPageLimitMin, kPageLimitMax);
  m_pageLimitSpin->setValue(kPageLimitBuiltIn);
  m_pageLimitSpin->setMinimumWidth(110);
  scope->addWidget(m_domainScopeRadio);
  scope->addWidget(m_hostScopeRadio);
  scope->addSpacing(16);
  scope->addWidget(m_removeAnchorsCheck);
  scope->addSpacing(16);
  scope->addWidget(new QLabel("Internal URL Limit:", m_scopeLine));
  scope->addWidget(m_pageLimitSpin);
  scope->addStretch(1);
}

void MainWindow::buildOptionLines(QWidget* area) {
  auto* digits = new QRegularExpressionValidator(QRegularExpression("[0-9]*"), this);
  m_timeoutsLine = line(area, "timeoutsLine", 30);
  auto* row = static_cast<QHBoxLayout*>(m_timeoutsLine->layout());
  m_connectionTimeoutEdit = named(new QLineEdit(m_timeoutsLine), "connectionTimeoutEdit");
  m_responseTimeoutEdit = named(new QLineEdit(m_timeoutsLine), "responseTimeoutEdit");
  for (auto* field : {m_connectionTimeoutEdit, m_responseTimeoutEdit}) {
    field->setValidator(digits);
    field->setFixedWidth(70);
  }
  m_userAgentCombo = named(new QComboBox(m_timeoutsLine), "userAgentCombo");
  m_userAgentCombo->setEditable(true);
  for (const auto preset : kAgentPresets) m_userAgentCombo->addItem(QString::fromUtf8(preset.data(), preset.size()));
  row->addWidget(new QLabel("Connection Timeout (ms):", m_timeoutsLine));
  row->addWidget(m_connectionTimeoutEdit);
  row->addWidget(new QLabel("Response Timeout (ms):", m_timeoutsLine));
  row->addWidget(m_responseTimeoutEdit);
  row->addWidget(new QLabel("Agent:", m_timeoutsLine));
  row->addWidget(m_userAgentCombo, 1);

  m_ignoreExtensionsLine = line(area, "ignoreExtensionsLine", 30);
  m_ignoreExtensionsEdit = named(new QLineEdit(m_ignoreExtensionsLine), "ignoreExtensionsEdit");
  m_ignoreExtensionsLine->layout()->addWidget(new QLabel("Ignore Extensions:", m_ignoreExtensionsLine));
  m_ignoreExtensionsLine->layout()->addWidget(m_ignoreExtensionsEdit);

  m_optionsSplitter = named(new QSplitter(Qt::Vertical, area), "optionsSplitter");
  m_ignoreUrlsPanel = named(new QWidget(m_optionsSplitter), "ignoreUrlsPanel");
  auto* memoRow = new QHBoxLayout(m_ignoreUrlsPanel);
  memoRow->setContentsMargins(6, 2, 6, 2);
  m_ignoreUrlsEdit = named(new QPlainTextEdit(m_ignoreUrlsPanel), "ignoreUrlsEdit");
  m_ignoreUrlsEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  auto* label = new QLabel("Ignore URLs:", m_ignoreUrlsPanel);
  label->setAlignment(Qt::AlignTop);
  memoRow->addWidget(label);
  memoRow->addWidget(m_ignoreUrlsEdit, 1);
  m_ignoreUrlsPanel->setMinimumHeight(1);
  m_optionsSplitter->setHandleWidth(5);
  m_optionsSplitter->addWidget(m_ignoreUrlsPanel);
  buildTabs();
  m_optionsSplitter->addWidget(m_resultTabs);
  m_optionsSplitter->setStretchFactor(1, 1);
  m_optionsSplitter->setSizes({40, 500});
  for (QWidget* w : {static_cast<QWidget*>(m_timeoutsLine), m_ignoreExtensionsLine, m_ignoreUrlsPanel}) w->setVisible(false);
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
  for (const auto& [id, name] : {std::pair{ExportId::Sitemap, "exportSitemapAction"}, {ExportId::Links, "exportLinksAction"},
                                 {ExportId::Titles, "exportTitlesAction"}, {ExportId::Descriptions, "exportDescriptionsAction"},
                                 {ExportId::H1Tags, "exportH1TagsAction"}, {ExportId::H2Tags, "exportH2TagsAction"},
                                 {ExportId::Anchors, "exportAnchorsAction"}}) {
    QAction* action = file->addAction(exportCaption(id));
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, [this, id = id] { exportList(id); });
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

  m_lookupMenu = named(new QMenu(this), "lookupMenu");
  buildLookupMenu(m_lookupMenu, lookupMenu());
  m_checkButton->setMenu(m_lookupMenu);
  // The arrow of the split button: the lookups act on the start URL field.
  connect(m_lookupMenu, &QMenu::aboutToShow, this, [this] {
    if (!m_lookupMenuFromFoundLinks) m_lookupSource = LookupSource::CheckButton;
    m_lookupMenuFromFoundLinks = false;
  });
  connect(m_foundLinksView, &QWidget::customContextMenuRequested, this, &MainWindow::showFoundLinkMenu);
}

}  // namespace crawlspect::ui
