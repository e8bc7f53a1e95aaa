#include "gui/mainwindow/result_tabs.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTreeView>

#include "core/crawl/internal_url_list.h"
#include "core/results/detail_views.h"
#include "gui/mainwindow/audit_view.h"
#include "gui/mainwindow/page_details_pane.h"
#include "gui/mainwindow/response_codes_tab.h"
#include "gui/mainwindow/result_list_tab.h"
#include "gui/mainwindow/row_models.h"
#include "gui/mainwindow/widget_builders.h"
#include "gui/qt_desktop.h"
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

}  // namespace

ResultTabs::ResultTabs(QWidget* window, Database& db, const InternalUrlList& list, QtDesktop& desktop)
    : m_db(db), m_list(list), m_desktop(desktop) {
  m_tabs = named(new QTabWidget(window), "resultTabs");
  buildAuditTab(window);
  buildInternalUrlsTab(window);

  // 2 to 7: the grouped lists, each with the pages behind its values.
  for (const ListTabSpec& spec : kListTabs) {
    auto* tab = new ResultListTab(spec.layout, m_db, m_desktop);
    m_listTabs[static_cast<std::size_t>(spec.layout.id)] = tab;
    connect(tab, &ResultListTab::exportRequested, this, &ResultTabs::exportRequested);
    m_tabs->addTab(tab, spec.tabCaption);
  }

  // 8: every fetch with its status, redirects and the pages linking to it.
  m_responseCodes = new ResponseCodesTab(m_db, m_desktop);
  m_tabs->addTab(m_responseCodes, "Response Codes");

  m_tabs->setCurrentIndex(0);
  connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
    if (index == 1) listTab(ResultListId::Links).splitEvenly();
  });
}

// 0: SEO Audit, the summary above the report.
void ResultTabs::buildAuditTab(QWidget* window) {
  m_summaryModel = new TableModel(emptySummary(), window);
  m_summaryView = makeListView(window, "summaryView", m_summaryModel);
  m_summaryView->setHeaderHidden(true);
  m_auditView = named(new AuditView(window), "auditView");
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
  m_tabs->addTab(auditSplit, "SEO Audit");
  connect(m_summaryView->selectionModel(), &QItemSelectionModel::selectionChanged, this, &ResultTabs::showPageDetails);
}

// 1: Internal URLs with the page details.
void ResultTabs::buildInternalUrlsTab(QWidget* window) {
  m_urlModel = new UrlListModel(m_list, window);
  m_internalUrlsView = makeListView(window, "internalUrlsView", m_urlModel);
  // This list's model is the internal URL list itself, not a table.
  addCopyMenu(m_internalUrlsView, "Copy URL", "copyInternalUrlAction", m_desktop,
              [&list = m_list](std::optional<std::size_t> row) -> std::optional<std::string> {
                if (!row || *row >= list.size()) return std::nullopt;
                return list.url(*row);
              });
  m_pageDetails = new PageDetailsPane;
  auto* internalUrls = named(new QSplitter(Qt::Horizontal), "internalUrlsSplitter");
  QPushButton* exportSitemap =
      fillListSplit(internalUrls, m_internalUrlsView, ExportId::Sitemap, "exportSitemapButton", m_pageDetails);
  connect(exportSitemap, &QPushButton::clicked, this, [this] { emit exportRequested(ExportId::Sitemap); });
  m_tabs->addTab(internalUrls, "Internal URLs");
  internalUrls->setSizes({700, 270});
  connect(m_internalUrlsView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &ResultTabs::showPageDetails);
}

void ResultTabs::showPageDetails() {
  const auto row = selectedRow(m_internalUrlsView);
  if (!row) return;
  m_pageDetails->show(lookupPageDetails(m_db, m_list.url(*row), m_desktop));
}

void ResultTabs::apply(RefreshResult& result) {
  for (ResultListTab* tab : m_listTabs) tab->setValues(std::move(result.lists[static_cast<std::size_t>(tab->id())]));
  m_summaryModel->setTable(std::move(result.summary));
  m_responseCodes->setResponses(std::move(result.responseRows));
  m_auditView->setReport(std::make_shared<const AuditReport>(std::move(result.audit)));
}

void ResultTabs::splitFoundLinksIfSqueezed() {
  ResultListTab& foundLinks = listTab(ResultListId::Links);
  if (foundLinks.listTakesWholeWidth()) foundLinks.splitEvenly();
}

}  // namespace crawlspect::ui
