// MainWindow's handlers: the crawl's window side, the project commands, the
// timers and the small rules of the window.
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <chrono>
#include <random>

#include "core/crawl/link_intake.h"
#include "core/platform/text.h"
#include "core/results/detail_views.h"
#include "gui/mainwindow/main_window.h"
#include "gui/dialogs/page_analysis_window.h"
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
  urlModel->reload();
  refreshResults();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // A run still going is stopped and waited for before the project goes away.
  m_run->shutdown();
  waitForRefresh();
  m_store.close();
  event->accept();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (m_resultTabs->widget(2)->width() <= m_foundLinksView->width()) halveFoundLinksPanel();
  savePlacementNow();
}

void MainWindow::halveFoundLinksPanel() {
  auto* split = static_cast<QSplitter*>(m_resultTabs->widget(2));
  const int half = split->width() / 2;
  split->setSizes({split->width() - half, half});
}

void MainWindow::resultTabChanged(int index) {
  if (index == 1) halveFoundLinksPanel();
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
  for (const auto& [edit, timeout] : {std::pair{m_connectionTimeoutEdit, &settings.connectionTimeout},
                                      std::pair{m_responseTimeoutEdit, &settings.responseTimeout}}) {
    const std::string text = edit->text().toStdString();
    int ms = 0;
    if (!parseInt32(text, ms)) {
      m_desktop.showMessage("Crawlspect", "'" + text + "' is not a valid integer value", MessageIcon::Error);
      return;
    }
    *timeout = std::chrono::milliseconds(ms);
  }
  settings.scope = m_domainScopeRadio->isChecked() ? CrawlScope::Domain
                   : m_hostScopeRadio->isChecked() ? CrawlScope::Subdomain
                                                   : CrawlScope::None;
  settings.pageLimit = m_pageLimitSpin->value();
  settings.removeAnchors = m_removeAnchorsCheck->isChecked();
  settings.ignoreExtensions = m_ignoreExtensionsEdit->text().toStdString();
  settings.ignoreUrlPrefixes = ignoreUrlLines(m_ignoreUrlsEdit->toPlainText().toStdString());
  settings.userAgent = m_userAgentCombo->currentText().toStdString();
  setBusyPointer(true);
  m_run->start(settings);
}

void MainWindow::showOptionLines() {
  const bool show = m_showOptionsCheck->isChecked();
  if (show) {
    m_timeoutsLine->setVisible(true);
    m_ignoreExtensionsLine->setVisible(true);
    m_ignoreUrlsPanel->setVisible(true);
  } else {
    m_ignoreUrlsPanel->setVisible(false);
    m_ignoreExtensionsLine->setVisible(false);
    m_timeoutsLine->setVisible(false);
  }
}

void MainWindow::selectStartUrl() {
  m_selectStartUrlTimer->stop();
  m_startUrlEdit->setCursorPosition(0);
  m_startUrlEdit->selectAll();
}

void MainWindow::refreshTick() { refreshResults(); }

void MainWindow::newProject() { m_desktop.startProgramCopy({}); }

void MainWindow::loadProject() {
  const QString path = chooseFile("openProjectDialog", "Project File (*.db)", "db", false);
  if (path.isEmpty()) return;
  m_desktop.startProgramCopy({path.toStdString()});
}

void MainWindow::saveProjectAs() {
  const QString path = chooseFile("saveProjectDialog", "Project File (*.db)", "db", true);
  if (path.isEmpty()) return;
  const std::string dest = path.toStdString();
  const std::string error = m_store.saveCopy(dest);
  // A project that silently failed to save is a project lost.
  if (!error.empty()) m_desktop.showMessage("Error", "Unable to save " + dest + ": " + error, MessageIcon::Error);
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

void MainWindow::showRunState(RunState state) {
  m_checkButton->setText(runCaption(state));
  m_checkButton->setEnabled(state != RunState::Stopping);
}

void MainWindow::setOptionLinesEnabled(bool enabled) {
  for (QWidget* w : {m_scopeLine, m_timeoutsLine, m_ignoreExtensionsLine, m_ignoreUrlsPanel}) w->setEnabled(enabled);
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
  refreshResults();
  m_refreshTimer->stop();
}

void MainWindow::runStateChanged(RunState state) {
  showRunState(state);
  if (state != RunState::Running) return;
  setOptionLinesEnabled(false);
  m_refreshTimer->start();
}

void MainWindow::startUrlAdopted(const std::string& url) { m_startUrlEdit->setText(QString::fromStdString(url)); }

void MainWindow::urlListCleared() {
  // A refresh of the previous run still under way must not land after the reset.
  waitForRefresh();
  urlModel->reload();
  ResultTab& links = tab(ResultListId::Links);
  links.model->setTable(emptyResultList(ResultListId::Links));
  links.detailModel->setTable(emptyDetailList(ResultListId::Links));
  m_linkSourcesCaption->clear();
}

void MainWindow::pageStarted(const PageProgress& page) {
  m_statusPanels[0]->setText(QString("Total URLs: %1").arg(page.total));
  m_statusPanels[1]->setText(QString("%1 / %2").arg(page.index + 1).arg(page.total));
  m_statusPanels[2]->setText("Loading: " + QString::fromStdString(page.url));
}

void MainWindow::urlAdded(std::size_t index) { urlModel->rowAdded(index); }

void MainWindow::loadTimeKnown(std::size_t index) { urlModel->loadTimeWritten(index); }

void MainWindow::pageFinished(std::size_t, std::size_t total) {
  m_statusPanels[0]->setText(QString("Total URLs: %1").arg(total));
}

void MainWindow::transferCutOff() { finishRefreshes(); }

void MainWindow::pageFailed(const std::string& message) {
  m_desktop.showMessage("Crawlspect", message, MessageIcon::Error);
}

void MainWindow::runFinished(RunEnd) {
  finishRefreshes();
  m_desktop.beep();
  showRunState(RunState::Idle);
  m_statusPanels[2]->clear();
  setOptionLinesEnabled(true);
  setBusyPointer(false);
}

}  // namespace crawlspect::ui
