#pragma once
// The "Response Codes" tab: every fetched URL with its status, final URL,
// content type, bytes and time, filtered by class; beside it, for the picked
// URL, its redirect chain and the pages that link to it with their anchor
// texts (where to fix a broken link).
#include <QWidget>

#include "core/results/table.h"

class QComboBox;
class QLabel;
class QTreeView;

namespace crawlspect {
class Database;
}

namespace crawlspect::ui {

class QtDesktop;
class TableModel;

class ResponseCodesTab : public QWidget {
  Q_OBJECT
 public:
  ResponseCodesTab(Database& db, QtDesktop& desktop);
  // Every RESPONSES row of a refresh (crawlspect::loadResponses).
  void setResponses(Table responses);

 private:
  void showRows();
  void showDetails();

  Database& m_db;
  QtDesktop& m_desktop;
  Table m_all;
  QComboBox* m_classCombo = nullptr;
  TableModel* m_rowsModel = nullptr;
  QTreeView* m_rowsView = nullptr;
  QLabel* m_chainCaption = nullptr;
  TableModel* m_chainModel = nullptr;
  TableModel* m_inlinksModel = nullptr;
};

}  // namespace crawlspect::ui
