#include "gui/mainwindow/result_list_tab.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "core/results/detail_views.h"
#include "gui/mainwindow/row_models.h"
#include "gui/mainwindow/widget_builders.h"
#include "gui/qt_desktop.h"
#include "gui/widget_names.h"

namespace crawlspect::ui {

ResultListTab::ResultListTab(const Layout& layout, Database& db, QtDesktop& desktop)
    : QSplitter(Qt::Horizontal), m_id(layout.id), m_db(db), m_desktop(desktop) {
  setObjectName(layout.splitterName);
  m_valuesModel = new TableModel(emptyResultList(m_id), this);
  m_valuesView = makeListView(this, layout.listName, m_valuesModel);
  if (layout.listCopyCaption) {
    addTableCopyMenu(m_valuesView, layout.listCopyCaption, layout.listCopyName, m_desktop);
  } else {
    connect(m_valuesView, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { emit valueMenuRequested(m_valuesView->viewport()->mapToGlobal(pos)); });
  }

  // Built on its own and added last, so that the Tab key reaches the list's
  // export button before the pages.
  auto* pagesPane = new QWidget;
  if (layout.pagesPaneName) pagesPane->setObjectName(layout.pagesPaneName);
  auto* column = new QVBoxLayout(pagesPane);
  column->setContentsMargins(0, 0, 0, 0);
  m_caption = named(new QLabel(pagesPane), layout.captionName);
  QFont bold = m_caption->font();
  bold.setBold(true);
  bold.setPixelSize(16);
  m_caption->setFont(bold);
  column->addWidget(m_caption);
  m_pagesModel = new TableModel(emptyDetailList(m_id), this);
  m_pagesView = makeListView(pagesPane, layout.pagesName, m_pagesModel);
  addTableCopyMenu(m_pagesView, layout.pagesCopyCaption, layout.pagesCopyName, m_desktop);
  column->addWidget(m_pagesView, 1);
  if (layout.pagesExportButtonName) {
    auto* button = makeExportButton(pagesPane, layout.pagesExportId, layout.pagesExportButtonName);
    connect(button, &QPushButton::clicked, this, [this, id = layout.pagesExportId] { emit exportRequested(id); });
    column->addWidget(button, 0, Qt::AlignLeft);
  }
  if (layout.pagesSecondColumnWidth > 0) m_pagesView->header()->resizeSection(1, layout.pagesSecondColumnWidth);

  QPushButton* exportButton = fillListSplit(this, m_valuesView, layout.exportId, layout.exportButtonName, pagesPane);
  connect(exportButton, &QPushButton::clicked, this, [this, id = layout.exportId] { emit exportRequested(id); });
  setSizes({layout.listWidth, layout.pagesWidth});
  connect(m_valuesView->selectionModel(), &QItemSelectionModel::selectionChanged, this, &ResultListTab::valueSelected);
}

void ResultListTab::setValues(Table table) { m_valuesModel->setTable(std::move(table)); }

const Table& ResultListTab::values() const { return m_valuesModel->table(); }

const Table& ResultListTab::pages() const { return m_pagesModel->table(); }

void ResultListTab::clear() {
  m_valuesModel->setTable(emptyResultList(m_id));
  m_pagesModel->setTable(emptyDetailList(m_id));
  m_caption->clear();
}

std::optional<std::string> ResultListTab::selectedValue() const {
  const QModelIndexList rows = m_valuesView->selectionModel()->selectedRows();
  if (rows.isEmpty()) return std::nullopt;
  return rows.front().data().toString().toStdString();
}

bool ResultListTab::listTakesWholeWidth() const { return width() <= m_valuesView->width(); }

void ResultListTab::splitEvenly() {
  const int half = width() / 2;
  setSizes({width() - half, half});
}

void ResultListTab::valueSelected() {
  const auto row = selectedRow(m_valuesView);
  if (!row) return;
  const std::string value(m_valuesModel->table().cell(*row, 0));
  DetailView view = lookupDetail(m_db, m_id, value, m_desktop);
  m_caption->setText(QString::fromStdString(view.caption));
  m_pagesModel->setTable(std::move(view.table));
}

}  // namespace crawlspect::ui
