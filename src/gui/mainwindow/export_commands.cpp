#include "gui/mainwindow/export_commands.h"

#include "core/crawl/internal_url_list.h"
#include "core/platform/regional.h"
#include "core/results/result_lists.h"
#include "gui/mainwindow/file_dialogs.h"
#include "gui/mainwindow/result_list_tab.h"
#include "gui/mainwindow/result_tabs.h"
#include "gui/qt_desktop.h"

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

ExportCommands::ExportCommands(const InternalUrlList& list, const ResultTabs& tabs, const RegionalSettings& regional,
                               QtDesktop& desktop, const FileDialogs& files)
    : m_list(list), m_tabs(tabs), m_regional(regional), m_desktop(desktop), m_files(files) {}

void ExportCommands::exportList(ExportId id) {
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
      source = &m_tabs.listTab(ResultListId::Links).pages();
      break;
    default:
      source = &m_tabs.listTab(exportedList(id)).values();
      break;
  }
  const ExportForms forms = buildExportForms(id, *source, m_regional.listSeparator);

  const QString chosen = m_files.saveFile("exportFileDialog", "CSV File (*.csv);;Text File (*.txt)", "csv",
                                          QString::fromStdString(m_lastExportName));
  if (chosen.isEmpty()) return;
  m_lastExportName = chosen.toStdString();
  try {
    exportToFile(forms, m_lastExportName);
  } catch (const FileWriteError& error) {
    m_desktop.showMessage("Crawlspect", error.what(), MessageIcon::Error);
  }
}

}  // namespace crawlspect::ui
