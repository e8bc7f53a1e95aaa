#include "gui/mainwindow/main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLineEdit>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>
#include <filesystem>

#include "core/pagefacts/page_record.h"
#include "gui/mainwindow/export_commands.h"
#include "gui/mainwindow/lookup_menu.h"
#include "gui/mainwindow/main_menus.h"
#include "gui/mainwindow/options_panel.h"
#include "gui/mainwindow/result_list_tab.h"
#include "gui/mainwindow/result_tabs.h"
#include "gui/mainwindow/start_line.h"
#include "gui/mainwindow/status_panels.h"
#include "gui/widget_names.h"

namespace crawlspect::ui {

// The parts that are not widgets are not children of the window either; the
// widgets they build are, as if the window had built them.
MainWindow::MainWindow(AppSetup setup, QWidget* parent)
    : QMainWindow(parent),
      m_setup(std::move(setup)),
      m_settingsFile(m_setup.settingsFile.empty()
                         ? (std::filesystem::path(m_setup.dataFolder) / "settings.ini").string()
                         : m_setup.settingsFile),
      m_hosts(ServiceHosts::from(m_settingsFile)),
      m_writer(m_settingsFile, m_desktop, "Crawlspect"),
      m_store(m_db, m_desktop, m_setup.dataFolder, m_setup.templatePath),
      m_refresh(m_db, m_list, m_regional, m_desktop, [this](RefreshResult& result) { m_results->apply(result); }) {
  setObjectName("mainWindow");
  setWindowTitle(QString::fromStdString(m_identity.captionText));
  resize(983, 545);

  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  m_startLine = std::make_unique<StartLine>(central);
  connect(m_startLine.get(), &StartLine::checkRequested, this, &MainWindow::toggleRun);
  connect(m_startLine.get(), &StartLine::showOptionsClicked, this, &MainWindow::showOptionLines);
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
  column->addWidget(m_startLine->widget());
  column->addWidget(m_options);
  column->addWidget(optionsSplitter, 1);
  setCentralWidget(central);

  m_status = std::make_unique<StatusPanels>(this);
  m_menus = std::make_unique<MainMenus>(this, m_desktop, m_identity, m_hosts, m_settingsFile.path(), m_store, m_files,
                                        *m_exports);
  m_lookupMenu = std::make_unique<LookupMenu>(this, m_startLine->checkButton(), m_startLine->urlEdit(),
                                              m_results->listTab(ResultListId::Links), m_desktop);
  connect(m_lookupMenu.get(), &LookupMenu::checkRequested, this, &MainWindow::toggleRun);
  connect(m_lookupMenu.get(), &LookupMenu::analyzeRequested, this, &MainWindow::analyzeUrl);
  m_lookupMenu->setLinkRulesSource([this] { return m_options->linkRules(); });

  m_refreshTimer = named(new QTimer(this), "refreshTimer");
  m_refreshTimer->setInterval(5000);
  connect(m_refreshTimer, &QTimer::timeout, this, [this] { m_refresh.request(); });
  // Selected once the window is up, so that typing replaces the stored URL.
  m_selectStartUrlTimer = named(new QTimer(this), "selectStartUrlTimer");
  m_selectStartUrlTimer->setSingleShot(true);
  m_selectStartUrlTimer->setInterval(1);
  connect(m_selectStartUrlTimer, &QTimer::timeout, this, [this] {
    m_selectStartUrlTimer->stop();
    m_startLine->selectUrl();
  });
  m_selectStartUrlTimer->start();

  applySettings();

  m_run = std::make_unique<CrawlRun>(m_desktop, static_cast<CrawlObserver&>(*this), m_store, m_list, m_fetcher,
                                     RegionalSettings::fromEnvironment());
  m_run->setPageStep([this](const std::string& url, const std::string& text, const HtmlDocument* document) {
    return preparePageRecord(m_db, m_desktop, "Crawlspect", url, text, document);
  });
}

MainWindow::~MainWindow() { shutDown(); }

void MainWindow::shutDown() {
  m_run->shutdown();
  m_refresh.wait();
  m_store.close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  shutDown();
  event->accept();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  m_results->splitFoundLinksIfSqueezed();
  m_placement.save();
}

void MainWindow::applySettings() {
  m_placement.restore(m_settingsFile);
  const OptionValues o = storedOptions(m_settingsFile, builtInOptions(makerHomePage(m_hosts)));
  // The controls write what they are given back to the file, as any change.
  m_writer.beginLoad();
  QLineEdit* startUrl = m_startLine->urlEdit();
  connect(startUrl, &QLineEdit::textChanged, this,
          [this](const QString& t) { m_writer.saveStartUrl(t.toStdString()); });
  m_options->connectWriters(m_writer);
  startUrl->setText(QString::fromStdString(o.startUrl));
  m_startLine->showOptionsCheck()->setChecked(o.showOptions);
  showOptionLines();
  m_options->showStored(o);
  m_writer.endLoad();
}

}  // namespace crawlspect::ui
