// MainWindow's side of the crawl: starting and stopping it, and showing what
// the run reports.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>
#include <random>

#include "gui/dialogs/page_analysis_window.h"
#include "gui/mainwindow/main_window.h"
#include "gui/mainwindow/options_panel.h"
#include "gui/mainwindow/result_list_tab.h"
#include "gui/mainwindow/result_tabs.h"
#include "gui/mainwindow/row_models.h"
#include "gui/mainwindow/start_line.h"
#include "gui/mainwindow/status_panels.h"

namespace crawlspect::ui {

void MainWindow::openStartupProject() {
  static std::mt19937 random(std::random_device{}());
  m_store.chooseWorkingFile(random);
  if (m_setup.projectPath.empty()) return;
  m_store.openProject(m_setup.projectPath, m_list);
  m_results->urlModel().reload();
  m_refresh.request();
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
  QLineEdit* startUrl = m_startLine->urlEdit();
  const std::string typed = startUrl->text().toStdString();
  if (normalizedStartUrl(typed).empty()) {
    m_desktop.showMessage("Warning", "Please enter Start URL!", MessageIcon::Warning);
    startUrl->setFocus();
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

void MainWindow::showOptionLines() { m_options->setMoreShown(m_startLine->showOptionsCheck()->isChecked()); }

void MainWindow::analyzeUrl(const std::string& url) {
  PageAnalysisWindow::showAnalysis(this, m_fetcher, standardPageReaders(),
                                   {m_hosts.html2txtHost, m_hosts.html2txtCaFile}, url);
}

void MainWindow::setBusyPointer(bool busy) {
  if (busy == m_busyPointer) return;
  m_busyPointer = busy;
  if (busy)
    QApplication::setOverrideCursor(Qt::BusyCursor);
  else
    QApplication::restoreOverrideCursor();
}

void MainWindow::finishRefreshes() {
  m_refresh.request();
  m_refreshTimer->stop();
}

// ---- what the run reports ----------------------------------------------------

void MainWindow::runStateChanged(RunState state) {
  m_startLine->showRunState(state);
  if (state != RunState::Running) return;
  m_options->setEditable(false);
  m_refreshTimer->start();
}

void MainWindow::startUrlAdopted(const std::string& url) {
  m_startLine->urlEdit()->setText(QString::fromStdString(url));
}

void MainWindow::urlListCleared() {
  // A refresh of the previous run still under way must not land after the reset.
  m_refresh.wait();
  m_results->urlModel().reload();
  m_results->listTab(ResultListId::Links).clear();
}

void MainWindow::pageStarted(const PageProgress& page) { m_status->showPageStarted(page); }

void MainWindow::urlAdded(std::size_t index) { m_results->urlModel().rowAdded(index); }

void MainWindow::loadTimeKnown(std::size_t index) { m_results->urlModel().loadTimeWritten(index); }

void MainWindow::pageFinished(std::size_t, std::size_t total) { m_status->showTotal(total); }

void MainWindow::transferCutOff() { finishRefreshes(); }

void MainWindow::startUrlFailed(const std::string& reason) {
  // Without this a crawl that could not begin looks like a site of one empty page.
  m_desktop.showMessage("Crawlspect", "Start URL failed: " + reason, MessageIcon::Warning);
}

void MainWindow::externalCheckStarted(std::size_t links) { m_status->showExternalCheck(links); }

void MainWindow::pageFailed(const std::string& message) {
  m_desktop.showMessage("Crawlspect", message, MessageIcon::Error);
}

void MainWindow::runFinished(RunEnd) {
  finishRefreshes();
  m_desktop.beep();
  m_startLine->showRunState(RunState::Idle);
  m_status->clearLoading();
  m_options->setEditable(true);
  setBusyPointer(false);
}

}  // namespace crawlspect::ui
