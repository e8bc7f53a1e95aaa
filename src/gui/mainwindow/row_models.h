#pragma once
// Table models over core rows: a refresh replaces the rows with one reset, so
// a list of 100,000 rows costs one model reset, not 100,000 widget items.
#include <QAbstractTableModel>
#include <QStringList>
#include <string>
#include <vector>

#include "core/results/table.h"

namespace crawlspect {
class InternalUrlList;
}

namespace crawlspect::ui {

// A result list or detail list: one core table shown as it is.
class TableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  TableModel(Table table, QObject* parent);
  void setTable(Table table);
  const Table& table() const { return m_table; }
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  Table m_table;
};

// The internal URL list as the crawl reports it: rows become visible when the
// crawl thread's notice of them reaches the window, in order.
class UrlListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  UrlListModel(const InternalUrlList& list, QObject* parent);
  void rowAdded(std::size_t index);
  void loadTimeWritten(std::size_t index);
  // The list was emptied or replaced as a whole.
  void reload();
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  const InternalUrlList& m_list;
  int m_shown = 0;
};

}  // namespace crawlspect::ui
