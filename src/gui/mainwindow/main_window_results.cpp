// MainWindow's result tabs: building them, showing a refresh, and the exports.
#include <QAction>
#include <QFileDialog>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>

#include "core/results/detail_views.h"
#include "gui/mainwindow/audit_view.h"
#include "gui/mainwindow/main_window.h"
#include "gui/mainwindow/page_details_pane.h"
#include "gui/mainwindow/result_list_tab.h"
#include "gui/mainwindow/result_tabs.h"
#include "gui/mainwindow/row_models.h"
#include "gui/mainwindow/widget_builders.h"
#include "gui/widget_names.h"

namespace crawlspect::ui {

namespace {

// The result list behind each export of a grouped list.
ResultListId exportedList(ExportId id) {
  switch (id) {
    case ExportId::Titles:
      return ResultListId::Titles;
    case ExportId::Descriptions:
      return ResultListId::Descriptions;
    case ExportId::H1Tags:
      return ResultListId::H1Tags;
    case ExportId::H2Tags:
      return ResultListId::H2Tags;
    case ExportId::Anchors:
      return ResultListId::Anchors;
    default:
      return ResultListId::Links;
  }
}

}  // namespace

// ---- refresh ---------------------------------------------------------------

void MainWindow::applyRefresh(RefreshResult& result) { m_results->apply(result); }

void MainWindow::finishRefreshes() {
  m_refresh.request();
  m_refreshTimer->stop();
}

// ---- exports ---------------------------------------------------------------

QString MainWindow::chooseFile(const QString& dialogName, const QString& filter, const QString& suffix, bool save,
                               const QString& start) {
  if (m_fileChooser) return m_fileChooser(dialogName);
  QFileDialog dialog(this, save ? "Save As" : "Open", start, filter);
  dialog.setObjectName(dialogName);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  if (!save) dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(suffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front();
}

void MainWindow::exportList(ExportId id) {
  // The list on screen, without a copy; the sitemap is read from the internal
  // URL list as it stands now.
  Table sitemap;
  const Table* source = nullptr;
  switch (id) {
    case ExportId::Sitemap:
      sitemap = internalUrlTable(m_list.snapshot());
      source = &sitemap;
      break;
    case ExportId::Backlinks:
      source = &m_results->listTab(ResultListId::Links).pages();
      break;
    default:
      source = &m_results->listTab(exportedList(id)).values();
      break;
  }
  const ExportForms forms = buildExportForms(id, *source, m_regional.listSeparator);

  const QString chosen = chooseFile("exportFileDialog", "CSV File (*.csv);;Text File (*.txt)", "csv", true,
                                    QString::fromStdString(m_lastExportName));
  if (chosen.isEmpty()) return;
  m_lastExportName = chosen.toStdString();
  const std::string error = exportToFile(forms, m_lastExportName);
  if (!error.empty()) m_desktop.showMessage("Crawlspect", error, MessageIcon::Error);
}

}  // namespace crawlspect::ui
