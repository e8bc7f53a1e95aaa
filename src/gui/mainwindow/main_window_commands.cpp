// MainWindow's handlers: the crawl's window side, the project commands, the
// timers and the small rules of the window.
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <random>

#include "gui/dialogs/page_analysis_window.h"
#include "gui/mainwindow/main_window.h"
#include "gui/mainwindow/options_panel.h"
#include "gui/mainwindow/result_list_tab.h"
#include "gui/mainwindow/result_tabs.h"
#include "gui/mainwindow/row_models.h"

namespace crawlspect::ui {

namespace {

// The "Check" button's caption while the run is in a state.
const char* runCaption(RunState state) {
  switch (state) {
    case RunState::Running:
      return "STOP";
    case RunState::Stopping:
      return "Stopping...";
    case RunState::Idle:
      break;
  }
  return "Check";
}

}  // namespace

void MainWindow::openStartupProject() {
  static std::mt19937 random(std::random_device{}());
  m_store.chooseWorkingFile(random);
  if (m_setup.projectPath.empty()) return;
  m_store.openProject(m_setup.projectPath, m_list);
  m_results->urlModel().reload();
  m_refresh.request();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // A run still going is stopped and waited for before the project goes away.
  m_run->shutdown();
  m_refresh.wait();
  m_store.close();
  event->accept();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  m_results->splitFoundLinksIfSqueezed();
  savePlacementNow();
}

void MainWindow::toggleRun() {
  switch (m_run->state()) {
    case RunState::Running:
      m_run->requestStop();
      return;
    case RunState::Stopping:
      return;
    case RunState::Idle:
      startRun();
      return;
  }
}

void MainWindow::startRun() {
  const std::string typed = m_startUrlEdit->text().toStdString();
  if (normalizedStartUrl(typed).empty()) {
    m_desktop.showMessage("Warning", "Please enter Start URL!", MessageIcon::Warning);
    m_startUrlEdit->setFocus();
    return;
  }
  CrawlSettings settings;
  settings.startUrl = typed;
  if (const auto problem = m_options->fillCrawlSettings(settings)) {
    m_desktop.showMessage("Crawlspect", *problem, MessageIcon::Error);
    return;
  }
  setBusyPointer(true);
  m_run->start(settings);
}

void MainWindow::showOptionLines() { m_options->setMoreShown(m_showOptionsCheck->isChecked()); }

void MainWindow::selectStartUrl() {
  m_selectStartUrlTimer->stop();
  m_startUrlEdit->setCursorPosition(0);
  m_startUrlEdit->selectAll();
}

void MainWindow::analyzeUrl(const std::string& url) {
  PageAnalysisWindow::showAnalysis(this, m_fetcher, standardPageReaders(), m_hosts.html2txtHost, url);
}

void MainWindow::showAsStored() {
  if (m_startMaximized)
    showMaximized();
  else
    show();
}

// ---- the crawl's window side ----------------------------------------------

void MainWindow::applyRefresh(RefreshResult& result) { m_results->apply(result); }

void MainWindow::finishRefreshes() {
  m_refresh.request();
  m_refreshTimer->stop();
}

void MainWindow::showRunState(RunState state) {
  m_checkButton->setText(runCaption(state));
  m_checkButton->setEnabled(state != RunState::Stopping);
}

void MainWindow::setBusyPointer(bool busy) {
  if (busy == m_busyPointer) return;
  m_busyPointer = busy;
  if (busy)
    QApplication::setOverrideCursor(Qt::BusyCursor);
  else
    QApplication::restoreOverrideCursor();
}

void MainWindow::runStateChanged(RunState state) {
  showRunState(state);
  if (state != RunState::Running) return;
  m_options->setEditable(false);
  m_refreshTimer->start();
}

void MainWindow::startUrlAdopted(const std::string& url) { m_startUrlEdit->setText(QString::fromStdString(url)); }

void MainWindow::urlListCleared() {
  // A refresh of the previous run still under way must not land after the reset.
  m_refresh.wait();
  m_results->urlModel().reload();
  m_results->listTab(ResultListId::Links).clear();
}

void MainWindow::pageStarted(const PageProgress& page) {
  m_urlTotalStatus->setText(QString("Total URLs: %1").arg(page.total));
  m_positionStatus->setText(QString("%1 / %2").arg(page.index + 1).arg(page.total));
  m_loadingStatus->setText("Loading: " + QString::fromStdString(page.url));
}

void MainWindow::urlAdded(std::size_t index) { m_results->urlModel().rowAdded(index); }

void MainWindow::loadTimeKnown(std::size_t index) { m_results->urlModel().loadTimeWritten(index); }

void MainWindow::pageFinished(std::size_t, std::size_t total) {
  m_urlTotalStatus->setText(QString("Total URLs: %1").arg(total));
}

void MainWindow::transferCutOff() { finishRefreshes(); }

void MainWindow::pageFailed(const std::string& message) {
  m_desktop.showMessage("Crawlspect", message, MessageIcon::Error);
}

void MainWindow::runFinished(RunEnd) {
  finishRefreshes();
  m_desktop.beep();
  showRunState(RunState::Idle);
  m_loadingStatus->clear();
  m_options->setEditable(true);
  setBusyPointer(false);
}

}  // namespace crawlspect::ui
