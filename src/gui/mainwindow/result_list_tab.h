#pragma once
// One tab of grouped values (Found Links, Found Titles, ... Anchor List): the
// list of values with its export button on the left; on the right, the value
// picked in the list as a caption and the pages behind it. Each tab looks its
// pages up itself when a value is picked; the window only hands it a fresh
// list after each refresh and carries out its exports.
#include <QSplitter>
#include <optional>
#include <string>

#include "core/results/csv_export.h"
#include "core/results/result_lists.h"
#include "core/results/table.h"

class QLabel;
class QTreeView;

namespace crawlspect {
class Database;
}

namespace crawlspect::ui {

class QtDesktop;
class TableModel;

// A split rather than a widget holding one: the tab page is the split itself,
// as the window's other tabs are.
class ResultListTab : public QSplitter {
  Q_OBJECT
 public:
  // What one tab is built from: its list, the object names of its controls,
  // and its first sizes.
  struct Layout {
    ResultListId id;
    const char* splitterName;
    const char* listName;
    // The list's copy command. Without one (nullptr), a right-click on the list
    // is announced by valueMenuRequested instead.
    const char* listCopyCaption;
    const char* listCopyName;
    const char* pagesPaneName;  // the caption and pages together, or nullptr for no name
    const char* captionName;
    const char* pagesName;
    const char* pagesCopyCaption;
    const char* pagesCopyName;
    ExportId exportId;
    const char* exportButtonName;
    // A second export under the pages, or nullptr for none.
    const char* pagesExportButtonName = nullptr;
    ExportId pagesExportId = ExportId::Backlinks;
    int listWidth = 600;
    int pagesWidth = 370;
    int pagesSecondColumnWidth = 0;  // 0: as wide as the header makes it
  };

  ResultListTab(const Layout& layout, Database& db, QtDesktop& desktop);

  ResultListId id() const { return m_id; }
  // The list after a refresh; the pages on the right stay until another value is picked.
  void setValues(Table table);
  const Table& values() const;
  // The pages behind the picked value, as shown.
  const Table& pages() const;
  // Empties the list, the pages and the caption, for a new run.
  void clear();
  // The picked value, as the list shows it.
  std::optional<std::string> selectedValue() const;
  // True when the list takes the whole width, the pages squeezed out.
  bool listTakesWholeWidth() const;
  // Gives the list and the pages half the width each.
  void splitEvenly();

 signals:
  void exportRequested(ExportId id);
  // A right-click on a list without its own copy command, at a global position.
  void valueMenuRequested(const QPoint& globalPos);

 private:
  void valueSelected();

  ResultListId m_id;
  Database& m_db;
  QtDesktop& m_desktop;
  TableModel* m_valuesModel;
  QTreeView* m_valuesView;
  QLabel* m_caption;
  TableModel* m_pagesModel;
  QTreeView* m_pagesView;
};

}  // namespace crawlspect::ui
