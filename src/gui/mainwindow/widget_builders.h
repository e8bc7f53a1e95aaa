#pragma once
// The pieces the window's parts are built from, so that they look alike: the
// lines of controls across the top, one look for every list, the right-click
// copy command, the export buttons under the lists, and the split of a list
// (with its export button) beside what stands behind it.
#include <functional>
#include <optional>
#include <string>

#include "core/results/csv_export.h"

class QAbstractItemModel;
class QPushButton;
class QSplitter;
class QTreeView;
class QWidget;

namespace crawlspect::ui {

class QtDesktop;

// A line of controls across the window, of a fixed height, laid out left to right.
QWidget* makeLine(QWidget* parent, const char* name, int height);

// A read-only list of whole rows, one selected at a time, the first column
// taking the spare width; the right-click menu is left to the caller.
QTreeView* makeListView(QWidget* parent, const char* name, QAbstractItemModel* model);

// The selected row of a list, if any.
std::optional<std::size_t> selectedRow(const QTreeView* view);

// A right-click menu with one command that copies the selected row's first
// column, as `copiedText` gives it, to the clipboard.
using CopiedText = std::function<std::optional<std::string>(std::optional<std::size_t> row)>;
void addCopyMenu(QTreeView* view, const char* caption, const char* name, QtDesktop& desktop, CopiedText copiedText);
// The same for a list over a TableModel.
void addTableCopyMenu(QTreeView* view, const char* caption, const char* name, QtDesktop& desktop);

// An export button of the fixed size all of them have; the caller connects it.
QPushButton* makeExportButton(QWidget* parent, ExportId id, const char* name);

// Fills a horizontal split: the list with its export button under it on the
// left, taking the spare width, and `detail` on the right. Returns the button.
QPushButton* fillListSplit(QSplitter* split, QTreeView* list, ExportId id, const char* buttonName, QWidget* detail);

}  // namespace crawlspect::ui
