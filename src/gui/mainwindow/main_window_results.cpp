// MainWindow's result tabs: the lists and their detail panes, the refresh, the
// audit view, the copy menus and the exports.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include "core/results/detail_views.h"
#include "gui/mainwindow/main_window.h"
#include "gui/mainwindow/audit_view.h"
#include "gui/mainwindow/row_models.h"
#include "gui/widget_names.h"

namespace crawlspect::ui {

namespace {

QString qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

std::optional<std::size_t> selectedRow(const QTreeView* view) {
  const QModelIndexList rows = view->selectionModel()->selectedRows();
  if (rows.isEmpty()) return std::nullopt;
  return static_cast<std::size_t>(rows.front().row());
}

QPlainTextEdit* readOnlyBox(QWidget* parent, const char* name, bool wrap) {
  auto* box = named(new QPlainTextEdit(parent), name);
  box->setReadOnly(true);
  box->setMinimumHeight(60);
  box->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
  return box;
}

QLabel* rightAligned(QWidget* parent, const char* name, const char* text) {
  auto* label = named(new QLabel(text, parent), name);
  label->setAlignment(Qt::AlignRight);
  return label;
}

}  // namespace

QTreeView* MainWindow::makeList(const char* name, QAbstractItemModel* model) {
  auto* view = named(new QTreeView(this), name);
  view->setModel(model);
  view->setRootIsDecorated(false);
  view->setUniformRowHeights(true);
  view->setAlternatingRowColors(true);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setContextMenuPolicy(Qt::CustomContextMenu);
  view->header()->setStretchLastSection(false);
  view->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  return view;
}

void MainWindow::addCopyMenu(QTreeView* view, const char* caption, const char* name) {
  auto* menu = new QMenu(view);
  QAction* copy = menu->addAction(caption);
  copy->setObjectName(name);
  connect(copy, &QAction::triggered, this, [this, view] {
    const auto* model = static_cast<const TableModel*>(view->model());
    if (auto text = copyFirstColumn(model->table(), selectedRow(view))) m_desktop.setClipboardText(*text);
  });
  connect(view, &QWidget::customContextMenuRequested, menu,
          [menu, view](const QPoint& pos) { menu->popup(view->viewport()->mapToGlobal(pos)); });
}

void MainWindow::buildTabs() {
  m_resultTabs = named(new QTabWidget(this), "resultTabs");

  // 0: SEO Audit, the summary above the report.
  summaryModel = new TableModel(emptySummary(), this);
  m_summaryView = makeList("summaryView", summaryModel);
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

  const auto exportButton = [this](QWidget* parent, ExportId id, const char* name) {
    auto* button = named(new QPushButton(exportCaption(id), parent), name);
    button->setFixedSize(200, 35);
    connect(button, &QPushButton::clicked, this, [this, id] { exportList(id); });
    return button;
  };
  const auto tabWithDetail = [this, exportButton](const char* caption, const char* splitterName, QTreeView* list,
                                                  ExportId id, const char* buttonName, QWidget* detail) {
    auto* split = named(new QSplitter(Qt::Horizontal), splitterName);
    split->setHandleWidth(5);
    auto* left = new QWidget(split);
    auto* leftColumn = new QVBoxLayout(left);
    leftColumn->setContentsMargins(0, 0, 0, 0);
    leftColumn->addWidget(list, 1);
    leftColumn->addWidget(exportButton(left, id, buttonName), 0, Qt::AlignLeft);
    split->addWidget(left);
    split->addWidget(detail);
    split->setStretchFactor(0, 1);
    m_resultTabs->addTab(split, caption);
    return split;
  };

  // 1: Internal URLs with the page details.
  urlModel = new UrlListModel(m_list, this);
  m_internalUrlsView = makeList("internalUrlsView", urlModel);
  addCopyMenu(m_internalUrlsView, "Copy URL", "copyInternalUrlAction");
  m_pageDetailsPanel = named(new QWidget, "pageDetailsPanel");
  auto* scroll = new QScrollArea;
  scroll->setWidgetResizable(true);
  scroll->setWidget(m_pageDetailsPanel);
  scroll->setMinimumWidth(270);
  auto* facts = new QVBoxLayout(m_pageDetailsPanel);
  const auto fact = [&](const char* caption, QPlainTextEdit* box, QLabel* counter) {
    facts->addWidget(new QLabel(caption, m_pageDetailsPanel));
    facts->addWidget(box);
    facts->addWidget(counter);
  };
  m_pageTitleBox = readOnlyBox(m_pageDetailsPanel, "pageTitleBox", true);
  m_pageDescriptionBox = readOnlyBox(m_pageDetailsPanel, "pageDescriptionBox", true);
  m_pageH1Box = readOnlyBox(m_pageDetailsPanel, "pageH1Box", false);
  m_pageH2Box = readOnlyBox(m_pageDetailsPanel, "pageH2Box", false);
  m_titleLengthLabel = rightAligned(m_pageDetailsPanel, "titleLengthLabel", "Length: 0");
  m_descriptionLengthLabel = rightAligned(m_pageDetailsPanel, "descriptionLengthLabel", "Length: 0");
  m_h1CountLabel = rightAligned(m_pageDetailsPanel, "h1CountLabel", "0");
  m_h2CountLabel = rightAligned(m_pageDetailsPanel, "h2CountLabel", "0");
  fact("Title:", m_pageTitleBox, m_titleLengthLabel);
  fact("META Description:", m_pageDescriptionBox, m_descriptionLengthLabel);
  fact("H1 Tags:", m_pageH1Box, m_h1CountLabel);
  fact("H2 Tags:", m_pageH2Box, m_h2CountLabel);
  tabWithDetail("Internal URLs", "internalUrlsSplitter", m_internalUrlsView, ExportId::Sitemap, "exportSitemapButton", scroll)->setSizes({700, 270});
  connect(m_internalUrlsView->selectionModel(), &QItemSelectionModel::selectionChanged, this, &MainWindow::showPageDetails);

  // 2 to 7: the grouped lists, each with the pages behind its values.
  struct TabLayout {
    ResultListId id;
    const char* tab;
    const char* splitter;
    const char* listName;
    QTreeView** list;
    const char* listCopy;  // caption and name of the list's copy command; none for Found Links
    const char* listCopyName;
    const char* captionName;
    const char* detailName;
    QTreeView** detail;
    const char* detailCopy;
    const char* detailCopyName;
    ExportId exportId;
    const char* buttonName;
  };
  const TabLayout layouts[] = {
      {ResultListId::Links, "Found Links", "foundLinksSplitter", "foundLinksView", &m_foundLinksView, nullptr, nullptr, "linkSourcesCaption",
       "linkSourcesView", &m_linkSourcesView, "Copy URL", "copyLinkSourceAction", ExportId::Links, "exportLinksButton"},
      {ResultListId::Titles, "Found Titles", "titlesSplitter", "titlesView", &m_titlesView, "Copy", "copyTitleAction", "titlePagesCaption",
       "titlePagesView", &m_titlePagesView, "Copy URL", "copyTitlePageAction", ExportId::Titles, "exportTitlesButton"},
      {ResultListId::Descriptions, "Found Descriptions", "descriptionsSplitter", "descriptionsView", &m_descriptionsView, "Copy", "copyDescriptionAction",
       "descriptionPagesCaption", "descriptionPagesView", &m_descriptionPagesView, "Copy URL", "copyDescriptionPageAction", ExportId::Descriptions, "exportDescriptionsButton"},
      {ResultListId::H1Tags, "Found H1 Tags", "h1TagsSplitter", "h1TagsView", &m_h1TagsView, "Copy", "copyH1Action", "h1PagesCaption",
       "h1PagesView", &m_h1PagesView, "Copy URL", "copyH1PageAction", ExportId::H1Tags, "exportH1TagsButton"},
      {ResultListId::H2Tags, "Found H2 Tags", "h2TagsSplitter", "h2TagsView", &m_h2TagsView, "Copy", "copyH2Action", "h2PagesCaption",
       "h2PagesView", &m_h2PagesView, "Copy URL", "copyH2PageAction", ExportId::H2Tags, "exportH2TagsButton"},
      {ResultListId::Anchors, "Anchor List", "anchorsSplitter", "anchorsView", &m_anchorsView, "Copy", "copyAnchorAction", "anchorPagesCaption",
       "anchorPagesView", &m_anchorPagesView, "Copy URL", "copyAnchorPageAction", ExportId::Anchors, "exportAnchorsButton"},
  };
  for (const TabLayout& layout : layouts) {
    ResultTab& t = tab(layout.id);
    t.model = new TableModel(emptyResultList(layout.id), this);
    t.list = *layout.list = makeList(layout.listName, t.model);
    if (layout.listCopy) addCopyMenu(t.list, layout.listCopy, layout.listCopyName);

    auto* pane = new QWidget(this);
    auto* column = new QVBoxLayout(pane);
    column->setContentsMargins(0, 0, 0, 0);
    t.caption = named(new QLabel(pane), layout.captionName);
    QFont bold = t.caption->font();
    bold.setBold(true);
    bold.setPixelSize(16);
    t.caption->setFont(bold);
    column->addWidget(t.caption);
    t.detailModel = new TableModel(emptyDetailList(layout.id), this);
    t.detail = *layout.detail = makeList(layout.detailName, t.detailModel);
    addCopyMenu(t.detail, layout.detailCopy, layout.detailCopyName);
    column->addWidget(t.detail, 1);
    if (layout.id == ResultListId::Links) {
      m_linkSourcesPanel = pane;
      m_linkSourcesPanel->setObjectName("linkSourcesPanel");
      m_linkSourcesCaption = t.caption;
      column->addWidget(exportButton(pane, ExportId::Backlinks, "exportLinkSourcesButton"), 0, Qt::AlignLeft);
    }
    if (layout.id == ResultListId::Anchors) t.detail->header()->resizeSection(1, 100);
    tabWithDetail(layout.tab, layout.splitter, t.list, layout.exportId, layout.buttonName, pane)
        ->setSizes(layout.id == ResultListId::Links ? QList<int>{500, 400} : QList<int>{600, 370});
    connect(t.list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this, id = layout.id] { valueSelected(id); });
  }

  m_resultTabs->setCurrentIndex(0);
  connect(m_resultTabs, &QTabWidget::currentChanged, this, &MainWindow::resultTabChanged);
}

void MainWindow::showPageDetails() {
  const auto row = selectedRow(m_internalUrlsView);
  if (!row) return;
  const PageDetails d = lookupPageDetails(m_db, m_list.url(*row), m_desktop);
  m_pageTitleBox->setPlainText(qs(d.title));
  m_titleLengthLabel->setText(qs(d.titleLength));
  m_pageDescriptionBox->setPlainText(qs(d.description));
  m_descriptionLengthLabel->setText(qs(d.descriptionLength));
  QStringList h1, h2;
  for (const auto& line : d.h1Lines) h1 << qs(line);
  for (const auto& line : d.h2Lines) h2 << qs(line);
  m_pageH1Box->setPlainText(h1.join('\n'));
  m_h1CountLabel->setText(qs(d.h1Count));
  m_pageH2Box->setPlainText(h2.join('\n'));
  m_h2CountLabel->setText(qs(d.h2Count));
}

void MainWindow::valueSelected(ResultListId id) {
  ResultTab& t = tab(id);
  const auto row = selectedRow(t.list);
  if (!row) return;
  const std::string value(t.model->table().cell(*row, 0));
  DetailView view = lookupDetail(m_db, id, value, m_desktop);
  t.caption->setText(qs(view.caption));
  t.detailModel->setTable(std::move(view.table));
}

// ---- refresh ---------------------------------------------------------------

void MainWindow::refreshResults() {
  if (m_refreshBusy) {
    m_refreshAgain = true;
    return;
  }
  if (!m_db.isConnected()) return;
  m_refreshBusy = true;
  if (m_refreshThread.joinable()) m_refreshThread.join();
  m_refreshThreadDone = false;
  // The grouped statements read a second connection on a thread of their own,
  // so a refresh of a large project never holds up the window; the finished
  // lists are swapped in here.
  m_refreshThread = std::thread([this, path = m_db.path(), regional = m_regional] {
    auto result = std::make_shared<RefreshResult>();
    Database reader;
    try {
      reader.connect(path, true);
      *result = crawlspect::refreshResults(reader, m_list, regional, m_desktop);
    } catch (const DbError& e) {
      m_desktop.report("", connectionErrorReport(e.what()));
    }
    // Done before the result is queued, so that a wait for this thread is
    // woken by the result and finds it done.
    m_refreshThreadDone = true;
    m_desktop.postToMain([this, result] {
      applyRefresh(*result);
      m_refreshBusy = false;
      if (m_refreshAgain) {
        m_refreshAgain = false;
        refreshResults();
      }
    });
  });
}

void MainWindow::waitForRefresh() {
  // The refresh thread's last step queues its result, which wakes this wait.
  m_desktop.serveUntil([this] { return m_refreshThreadDone.load(); });
  if (m_refreshThread.joinable()) m_refreshThread.join();
  m_refreshAgain = false;
  m_desktop.processEvents();
}

void MainWindow::applyRefresh(RefreshResult& result) {
  for (std::size_t i = 0; i < resultTabs.size(); ++i) resultTabs[i].model->setTable(std::move(result.lists[i]));
  summaryModel->setTable(std::move(result.summary));
  m_auditView->setReport(std::make_shared<const AuditReport>(std::move(result.audit)));
}

// ---- exports ---------------------------------------------------------------

// The result list behind each export of a grouped list.
ResultListId MainWindow::exportedList(ExportId id) {
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

QString MainWindow::chooseFile(const QString& dialogName, const QString& filter, const QString& suffix, bool save,
                             const QString& start) {
  if (m_chooseFile) return m_chooseFile(dialogName);
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
      source = &tab(ResultListId::Links).detailModel->table();
      break;
    default:
      source = &tab(exportedList(id)).model->table();
      break;
  }
  const ExportForms forms = buildExportForms(id, *source, m_regional.listSeparator);

  const QString chosen = chooseFile("exportFileDialog", "CSV File (*.csv);;Text File (*.txt)", "csv", true,
                                    qs(m_lastExportName));
  if (chosen.isEmpty()) return;
  m_lastExportName = chosen.toStdString();
  const std::string error = exportToFile(forms, m_lastExportName);
  if (!error.empty()) m_desktop.showMessage("Crawlspect", error, MessageIcon::Error);
}

}  // namespace crawlspect::ui
