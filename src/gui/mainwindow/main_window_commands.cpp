// TAppForm's handlers: the crawl's window side, the project commands, the
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
#include <random>

#include "core/results/detail_views.h"
#include "gui/mainwindow/main_window.h"
#include "gui/dialogs/page_analysis_window.h"
#include "gui/mainwindow/row_models.h"

namespace crawlspect::ui {

void TAppForm::openStartupProject() {
  static std::mt19937 random(std::random_device{}());
  m_store.chooseWorkingFile(random);
  if (m_setup.projectPath.empty()) return;
  m_store.openProject(m_setup.projectPath, m_list);
  urlModel->reload();
  refreshResults();
}

void TAppForm::closeEvent(QCloseEvent* event) {
  // A run still going is stopped and waited for before the project goes away.
  m_run->shutdown();
  waitForRefresh();
  m_store.close();
  event->accept();
}

void TAppForm::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (PageControl1->widget(2)->width() <= ListView1->width()) halveFoundLinksPanel();
  savePlacementNow();
}

void TAppForm::halveFoundLinksPanel() {
  auto* split = static_cast<QSplitter*>(PageControl1->widget(2));
  const int half = split->width() / 2;
  split->setSizes({split->width() - half, half});
}

void TAppForm::PageControl1Change(int index) {
  if (index == 1) halveFoundLinksPanel();
}

void TAppForm::BitBtn1Click() { m_run->BitBtn1Click(); }

void TAppForm::CheckBox1Click() {
  const bool show = CheckBox1->isChecked();
  if (show) {
    Panel4->setVisible(true);
    Panel5->setVisible(true);
    Panel7->setVisible(true);
  } else {
    Panel7->setVisible(false);
    Panel5->setVisible(false);
    Panel4->setVisible(false);
  }
}

void TAppForm::TimerEditFixTimer() {
  TimerEditFix->stop();
  Edit1->setCursorPosition(0);
  Edit1->selectAll();
}

void TAppForm::TimerRefreshLinksTimer() { refreshResults(); }

void TAppForm::NewProject1Click() { m_desktop.startProgramCopy({}); }

void TAppForm::LoadProject1Click() {
  const QString path = chooseFile("OpenDialogProject", "Project File (*.db)", "db", false);
  if (path.isEmpty()) return;
  m_desktop.startProgramCopy({path.toStdString()});
}

void TAppForm::SaveProject1Click() {
  const QString path = chooseFile("SaveDialogProject", "Project File (*.db)", "db", true);
  if (path.isEmpty()) return;
  const std::string dest = path.toStdString();
  try {
    m_store.saveCopy(dest);
  } catch (const StoreError& e) {
    // A project that silently failed to save is a project lost.
    m_desktop.showMessage("Error", "Unable to save " + dest + ": " + e.what(), MessageIcon::Error);
  }
}

void TAppForm::AnalyzeURL1Click(const std::string& url) {
  TAnalyzeForm::showAnalysis(this, m_desktop, m_fetcher, standardPageReaders(), m_hosts.html2txtHost, url);
}

void TAppForm::showAsStored() {
  if (m_startMaximized)
    showMaximized();
  else
    show();
}

// ---- the crawl's window side ----------------------------------------------

std::string TAppForm::startUrlText() { return Edit1->text().toStdString(); }

void TAppForm::setStartUrlText(const std::string& text) { Edit1->setText(QString::fromStdString(text)); }

RunOptionTexts TAppForm::runOptions() {
  RunOptionTexts o;
  o.ignoreExtensions = Edit2->text().toStdString();
  o.connectionTimeout = Edit3->text().toStdString();
  o.responseTimeout = Edit4->text().toStdString();
  o.userAgent = ComboBox1->currentText().toStdString();
  o.pageLimit = SpinEdit1->cleanText().toStdString();
  o.ignoreUrls = Memo1->toPlainText().toStdString();
  o.scope = RadioButton1->isChecked() ? CrawlScope::Domain
            : RadioButton2->isChecked() ? CrawlScope::Subdomain
                                        : CrawlScope::None;
  o.removeAnchors = CheckBox2->isChecked();
  return o;
}

void TAppForm::focusStartUrl() { Edit1->setFocus(); }

void TAppForm::showRunState(RunState state) {
  BitBtn1->setText(runCaption(state));
  BitBtn1->setEnabled(state != RunState::Stopping);
}

void TAppForm::setOptionLinesEnabled(bool enabled) {
  for (QWidget* w : {Panel2, Panel4, Panel5, Panel7}) w->setEnabled(enabled);
}

void TAppForm::setBusyPointer(bool busy) {
  if (busy == m_busyPointer) return;
  m_busyPointer = busy;
  if (busy)
    QApplication::setOverrideCursor(Qt::BusyCursor);
  else
    QApplication::restoreOverrideCursor();
}

void TAppForm::setStatusText(int panel, const std::string& text) {
  if (panel >= 0 && panel < 3) StatusPanel[panel]->setText(QString::fromStdString(text));
}

void TAppForm::urlListCleared() {
  // A refresh of the previous run still under way must not land after the reset.
  waitForRefresh();
  urlModel->reload();
  ResultTab& links = tab(ResultListId::Links);
  links.model->setTable(emptyResultList(ResultListId::Links));
  links.detailModel->setTable(emptyDetailList(ResultListId::Links));
  Label10->clear();
}

void TAppForm::urlRowAdded(std::size_t index) { urlModel->rowAdded(index); }

void TAppForm::loadTimeWritten(std::size_t index) { urlModel->loadTimeWritten(index); }

void TAppForm::setRefreshTimerEnabled(bool enabled) {
  if (enabled)
    TimerRefreshLinks->start();
  else
    TimerRefreshLinks->stop();
}

void TAppForm::IslemTamam() {
  refreshResults();
  TimerRefreshLinks->stop();
}

}  // namespace crawlspect::ui
