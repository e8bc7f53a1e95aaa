// TAppForm's result tabs: the lists and their detail panes, the refresh, the
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
#include <chrono>

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

QTreeView* TAppForm::makeList(const char* name, QAbstractItemModel* model) {
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

void TAppForm::addCopyMenu(QTreeView* view, const char* caption, const char* name) {
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

void TAppForm::buildTabs() {
  PageControl1 = named(new QTabWidget(this), "PageControl1");

  // 0: SEO Audit, the summary above the report.
  summaryModel = new TableModel(emptySummary(), this);
  ListView12 = makeList("ListView12", summaryModel);
  ListView12->setHeaderHidden(true);
  Memo6 = named(new AuditView(this), "Memo6");
  Memo6->setContextMenuPolicy(Qt::CustomContextMenu);
  auto* auditMenu = new QMenu(Memo6);
  QAction* copySelected = auditMenu->addAction("Copy Selected");
  copySelected->setObjectName("Copy3");
  connect(copySelected, &QAction::triggered, this, [this] {
    const std::string selected = Memo6->selectedText();
    if (!selected.empty()) m_desktop.setClipboardText(selected);
  });
  QAction* copyAll = auditMenu->addAction("Copy All");
  copyAll->setObjectName("CopyAll1");
  connect(copyAll, &QAction::triggered, this, [this] { m_desktop.setClipboardText(Memo6->allText()); });
  connect(Memo6, &QWidget::customContextMenuRequested, auditMenu,
          [this, auditMenu](const QPoint& pos) { auditMenu->popup(Memo6->viewport()->mapToGlobal(pos)); });
  auto* auditSplit = named(new QSplitter(Qt::Vertical), "Splitter9");
  auditSplit->addWidget(ListView12);
  auditSplit->addWidget(Memo6);
  auditSplit->setSizes({150, 400});
  PageControl1->addTab(auditSplit, "SEO Audit");
  connect(ListView12->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TAppForm::ListBox1SelectItem);

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
    PageControl1->addTab(split, caption);
    return split;
  };

  // 1: Internal URLs with the page details.
  urlModel = new UrlListModel(m_list, this);
  ListBox1 = makeList("ListBox1", urlModel);
  addCopyMenu(ListBox1, "Copy URL", "CopyURL1");
  Panel3 = named(new QWidget, "Panel3");
  auto* scroll = new QScrollArea;
  scroll->setWidgetResizable(true);
  scroll->setWidget(Panel3);
  scroll->setMinimumWidth(270);
  auto* facts = new QVBoxLayout(Panel3);
  const auto fact = [&](const char* caption, QPlainTextEdit* box, QLabel* counter) {
    facts->addWidget(new QLabel(caption, Panel3));
    facts->addWidget(box);
    facts->addWidget(counter);
  };
  Memo3 = readOnlyBox(Panel3, "Memo3", true);
  Memo2 = readOnlyBox(Panel3, "Memo2", true);
  Memo4 = readOnlyBox(Panel3, "Memo4", false);
  Memo5 = readOnlyBox(Panel3, "Memo5", false);
  Label11 = rightAligned(Panel3, "Label11", "Length: 0");
  Label12 = rightAligned(Panel3, "Label12", "Length: 0");
  Label14 = rightAligned(Panel3, "Label14", "0");
  Label16 = rightAligned(Panel3, "Label16", "0");
  fact("Title:", Memo3, Label11);
  fact("META Description:", Memo2, Label12);
  fact("H1 Tags:", Memo4, Label14);
  fact("H2 Tags:", Memo5, Label16);
  tabWithDetail("Internal URLs", "Splitter2", ListBox1, ExportId::Sitemap, "BitBtn2", scroll)->setSizes({700, 270});
  connect(ListBox1->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TAppForm::ListBox1SelectItem);

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
      {ResultListId::Links, "Found Links", "Splitter3", "ListView1", &ListView1, nullptr, nullptr, "Label10",
       "ListView2", &ListView2, "Copy URL", "CopyURL2", ExportId::Links, "BitBtn4"},
      {ResultListId::Titles, "Found Titles", "Splitter4", "ListView7", &ListView7, "Copy", "MenuItem4", "Label19",
       "ListView8", &ListView8, "Copy URL", "MenuItem5", ExportId::Titles, "BitBtn3"},
      {ResultListId::Descriptions, "Found Descriptions", "Splitter5", "ListView9", &ListView9, "Copy", "MenuItem6",
       "Label20", "ListView10", &ListView10, "Copy URL", "MenuItem7", ExportId::Descriptions, "BitBtn8"},
      {ResultListId::H1Tags, "Found H1 Tags", "Splitter6", "ListView3", &ListView3, "Copy", "Copy1", "Label17",
       "ListView4", &ListView4, "Copy URL", "CopyURL3", ExportId::H1Tags, "BitBtn6"},
      {ResultListId::H2Tags, "Found H2 Tags", "Splitter7", "ListView5", &ListView5, "Copy", "Copy2", "Label18",
       "ListView6", &ListView6, "Copy URL", "CopyURL4", ExportId::H2Tags, "BitBtn7"},
      {ResultListId::Anchors, "Anchor List", "Splitter8", "ListView13", &ListView13, "Copy", "MenuItem3", "Label21",
       "ListView11", &ListView11, "Copy URL", "MenuItem8", ExportId::Anchors, "BitBtn9"},
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
      Panel8 = pane;
      Panel8->setObjectName("Panel8");
      Label10 = t.caption;
      column->addWidget(exportButton(pane, ExportId::Backlinks, "BitBtn5"), 0, Qt::AlignLeft);
    }
    if (layout.id == ResultListId::Anchors) t.detail->header()->resizeSection(1, 100);
    tabWithDetail(layout.tab, layout.splitter, t.list, layout.exportId, layout.buttonName, pane)
        ->setSizes(layout.id == ResultListId::Links ? QList<int>{500, 400} : QList<int>{600, 370});
    connect(t.list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this, id = layout.id] { valueSelected(id); });
  }

  PageControl1->setCurrentIndex(0);
  connect(PageControl1, &QTabWidget::currentChanged, this, &TAppForm::PageControl1Change);
}

void TAppForm::ListBox1SelectItem() {
  const auto row = selectedRow(ListBox1);
  if (!row) return;
  const PageDetails d = lookupPageDetails(m_db, m_list.url(*row), m_desktop);
  Memo3->setPlainText(qs(d.title));
  Label11->setText(qs(d.titleLength));
  Memo2->setPlainText(qs(d.description));
  Label12->setText(qs(d.descriptionLength));
  QStringList h1, h2;
  for (const auto& line : d.h1Lines) h1 << qs(line);
  for (const auto& line : d.h2Lines) h2 << qs(line);
  Memo4->setPlainText(h1.join('\n'));
  Label14->setText(qs(d.h1Count));
  Memo5->setPlainText(h2.join('\n'));
  Label16->setText(qs(d.h2Count));
}

void TAppForm::valueSelected(ResultListId id) {
  ResultTab& t = tab(id);
  const auto row = selectedRow(t.list);
  if (!row) return;
  const std::string value(t.model->table().cell(*row, 0));
  DetailView view = lookupDetail(m_db, id, value, m_desktop);
  t.caption->setText(qs(view.caption));
  t.detailModel->setTable(std::move(view.table));
}

// ---- refresh ---------------------------------------------------------------

void TAppForm::refreshResults() {
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
    m_desktop.postToMain([this, result] {
      applyRefresh(*result);
      m_refreshBusy = false;
      if (m_refreshAgain) {
        m_refreshAgain = false;
        refreshResults();
      }
    });
    m_refreshThreadDone = true;
  });
}

void TAppForm::waitForRefresh() {
  while (!m_refreshThreadDone.load()) {
    m_desktop.processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (m_refreshThread.joinable()) m_refreshThread.join();
  m_refreshAgain = false;
  m_desktop.processEvents();
}

void TAppForm::applyRefresh(RefreshResult& result) {
  for (std::size_t i = 0; i < resultTabs.size(); ++i) resultTabs[i].model->setTable(std::move(result.lists[i]));
  summaryModel->setTable(std::move(result.summary));
  Memo6->setReport(std::make_shared<const AuditReport>(std::move(result.audit)));
}

// ---- exports ---------------------------------------------------------------

// The result list behind each export of a grouped list.
ResultListId TAppForm::exportedList(ExportId id) {
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

QString TAppForm::chooseFile(const QString& dialogName, const QString& filter, const QString& suffix, bool save,
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

void TAppForm::exportList(ExportId id) {
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

  const QString chosen = chooseFile("SaveDialog1", "CSV File (*.csv);;Text File (*.txt)", "csv", true,
                                    qs(m_lastExportName));
  if (chosen.isEmpty()) return;
  m_lastExportName = chosen.toStdString();
  const std::string error = exportToFile(forms, m_lastExportName);
  if (!error.empty()) m_desktop.showMessage("Crawlspect", error, MessageIcon::Error);
}

}  // namespace crawlspect::ui
