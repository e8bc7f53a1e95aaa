#include "gui/mainwindow/widget_builders.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTreeView>
#include <QVBoxLayout>

#include "gui/mainwindow/row_models.h"
#include "gui/qt_desktop.h"
#include "gui/widget_names.h"

namespace crawlspect::ui {

QWidget* makeLine(QWidget* parent, const char* name, int height) {
  auto* line = named(new QWidget(parent), name);
  line->setFixedHeight(height);
  auto* layout = new QHBoxLayout(line);
  layout->setContentsMargins(6, 2, 6, 2);
  return line;
}

QTreeView* makeListView(QWidget* parent, const char* name, QAbstractItemModel* model) {
  auto* view = named(new QTreeView(parent), name);
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

std::optional<std::size_t> selectedRow(const QTreeView* view) {
  const QModelIndexList rows = view->selectionModel()->selectedRows();
  if (rows.isEmpty()) return std::nullopt;
  return static_cast<std::size_t>(rows.front().row());
}

void addCopyMenu(QTreeView* view, const char* caption, const char* name, QtDesktop& desktop, CopiedText copiedText) {
  auto* menu = new QMenu(view);
  QAction* copy = menu->addAction(caption);
  copy->setObjectName(name);
  QObject::connect(copy, &QAction::triggered, view, [view, &desktop, copiedText = std::move(copiedText)] {
    if (auto text = copiedText(selectedRow(view))) desktop.setClipboardText(*text);
  });
  QObject::connect(view, &QWidget::customContextMenuRequested, menu,
                   [menu, view](const QPoint& pos) { menu->popup(view->viewport()->mapToGlobal(pos)); });
}

void addTableCopyMenu(QTreeView* view, const char* caption, const char* name, QtDesktop& desktop) {
  addCopyMenu(view, caption, name, desktop, [view](std::optional<std::size_t> row) {
    return copyFirstColumn(static_cast<const TableModel*>(view->model())->table(), row);
  });
}

QPushButton* makeExportButton(QWidget* parent, ExportId id, const char* name) {
  auto* button = named(new QPushButton(exportCaption(id), parent), name);
  button->setFixedSize(200, 35);
  return button;
}

QPushButton* fillListSplit(QSplitter* split, QTreeView* list, ExportId id, const char* buttonName, QWidget* detail) {
  split->setHandleWidth(5);
  auto* left = new QWidget(split);
  auto* leftColumn = new QVBoxLayout(left);
  leftColumn->setContentsMargins(0, 0, 0, 0);
  leftColumn->addWidget(list, 1);
  QPushButton* exportButton = makeExportButton(left, id, buttonName);
  leftColumn->addWidget(exportButton, 0, Qt::AlignLeft);
  split->addWidget(left);
  split->addWidget(detail);
  split->setStretchFactor(0, 1);
  return exportButton;
}

}  // namespace crawlspect::ui
