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
#include "gui/mainwindow/row_models.h"
#include "gui/mainwindow/widget_builders.h"
#include "gui/widget_names.h"

namespace crawlspect::ui {

namespace {

// The grouped lists, in the order of their tabs.
struct ListTabSpec {
  const char* tabCaption;
  ResultListTab::Layout layout;
};

const ListTabSpec kListTabs[] = {
    {"Found Links",
     {ResultListId::Links, "foundLinksSplitter", "foundLinksView", nullptr, nullptr, "linkSourcesPanel",
      "linkSourcesCaption", "linkSourcesView", "Copy URL", "copyLinkSourceAction", ExportId::Links, "exportLinksButton",
      "exportLinkSourcesButton", ExportId::Backlinks, 500, 400}},
    {"Found Titles",
     {ResultListId::Titles, "titlesSplitter", "titlesView", "Copy", "copyTitleAction", nullptr, "titlePagesCaption",
      "titlePagesView", "Copy URL", "copyTitlePageAction", ExportId::Titles, "exportTitlesButton"}},
    {"Found Descriptions",
     {ResultListId::Descriptions, "descriptionsSplitter", "descriptionsView", "Copy", "copyDescriptionAction", nullptr,
      "descriptionPagesCaption", "descriptionPagesView", "Copy URL", "copyDescriptionPageAction",
      ExportId::Descriptions, "exportDescriptionsButton"}},
    {"Found H1 Tags",
     {ResultListId::H1Tags, "h1TagsSplitter", "h1TagsView", "Copy", "copyH1Action", nullptr, "h1PagesCaption",
      "h1PagesView", "Copy URL", "copyH1PageAction", ExportId::H1Tags, "exportH1TagsButton"}},
    {"Found H2 Tags",
     {ResultListId::H2Tags, "h2TagsSplitter", "h2TagsView", "Copy", "copyH2Action", nullptr, "h2PagesCaption",
      "h2PagesView", "Copy URL", "copyH2PageAction", ExportId::H2Tags, "exportH2TagsButton"}},
    // The anchor text column is narrower, so that the link beside it shows.
    {"Anchor List",
     {ResultListId::Anchors, "anchorsSplitter", "anchorsView", "Copy", "copyAnchorAction", nullptr,
      "anchorPagesCaption", "anchorPagesView", "Copy URL", "copyAnchorPageAction", ExportId::Anchors,
      "exportAnchorsButton", nullptr, ExportId::Backlinks, 600, 370, 100}},
};

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

void MainWindow::buildTabs() {
  m_resultTabs = named(new QTabWidget(this), "resultTabs");

  // 0: SEO Audit, the summary above the report.
  m_summaryModel = new TableModel(emptySummary(), this);
  m_summaryView = makeListView(this, "summaryView", m_summaryModel);
  m_summaryView->setHeaderHidden(true);
  m_auditView = named(new AuditView(this), "auditView");
  m_auditView->setContextMenuPolicy(Qt::CustomContextMenu);
  auto* auditMenu = new QMenu(m_auditView);
  QAction* copySelected = auditMenu->addAction("Copy Selected");
  copySelected->setObjectName("copySelectedAuditAction");
  connect(copySelected, &QAction::triggered, this, [this] {
    const std::string selected = m_auditView->selectedText();
    if (!selected.empty()) m_desktop.setClipboardText(selected);
  });
  QAction* copyAll = auditMenu->addAction("Copy All");
  copyAll->setObjectName("copyAllAuditAction");
  connect(copyAll, &QAction::triggered, this, [this] { m_desktop.setClipboardText(m_auditView->allText()); });
  connect(m_auditView, &QWidget::customContextMenuRequested, auditMenu,
          [this, auditMenu](const QPoint& pos) { auditMenu->popup(m_auditView->viewport()->mapToGlobal(pos)); });
  auto* auditSplit = named(new QSplitter(Qt::Vertical), "auditSplitter");
  auditSplit->addWidget(m_summaryView);
  auditSplit->addWidget(m_auditView);
  auditSplit->setSizes({150, 400});
  m_resultTabs->addTab(auditSplit, "SEO Audit");
  connect(m_summaryView->selectionModel(), &QItemSelectionModel::selectionChanged, this, &MainWindow::showPageDetails);

  // 1: Internal URLs with the page details.
  m_urlModel = new UrlListModel(m_list, this);
  m_internalUrlsView = makeListView(this, "internalUrlsView", m_urlModel);
  // This list's model is the internal URL list itself, not a table.
  addCopyMenu(m_internalUrlsView, "Copy URL", "copyInternalUrlAction", m_desktop,
              [this](std::optional<std::size_t> row) -> std::optional<std::string> {
                if (!row || *row >= m_list.size()) return std::nullopt;
                return m_list.url(*row);
              });
  m_pageDetails = new PageDetailsPane;
  auto* internalUrls = named(new QSplitter(Qt::Horizontal), "internalUrlsSplitter");
  QPushButton* exportSitemap =
      fillListSplit(internalUrls, m_internalUrlsView, ExportId::Sitemap, "exportSitemapButton", m_pageDetails);
  connect(exportSitemap, &QPushButton::clicked, this, [this] { exportList(ExportId::Sitemap); });
  m_resultTabs->addTab(internalUrls, "Internal URLs");
  internalUrls->setSizes({700, 270});
  connect(m_internalUrlsView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &MainWindow::showPageDetails);

  // 2 to 7: the grouped lists, each with the pages behind its values.
  for (const ListTabSpec& spec : kListTabs) {
    auto* tab = new ResultListTab(spec.layout, m_db, m_desktop);
    m_listTabs[static_cast<std::size_t>(spec.layout.id)] = tab;
    connect(tab, &ResultListTab::exportRequested, this, &MainWindow::exportList);
    m_resultTabs->addTab(tab, spec.tabCaption);
  }

  m_resultTabs->setCurrentIndex(0);
  connect(m_resultTabs, &QTabWidget::currentChanged, this, &MainWindow::resultTabChanged);
}

void MainWindow::showPageDetails() {
  const auto row = selectedRow(m_internalUrlsView);
  if (!row) return;
  m_pageDetails->show(lookupPageDetails(m_db, m_list.url(*row), m_desktop));
}

// ---- refresh ---------------------------------------------------------------

void MainWindow::applyRefresh(RefreshResult& result) {
  for (ResultListTab* tab : m_listTabs) tab->setValues(std::move(result.lists[static_cast<std::size_t>(tab->id())]));
  m_summaryModel->setTable(std::move(result.summary));
  m_auditView->setReport(std::make_shared<const AuditReport>(std::move(result.audit)));
}

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
      source = &listTab(ResultListId::Links).pages();
      break;
    default:
      source = &listTab(exportedList(id)).values();
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
