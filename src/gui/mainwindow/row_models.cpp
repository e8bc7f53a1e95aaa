#include "gui/mainwindow/row_models.h"

#include "core/crawl/internal_url_list.h"

namespace crawlspect::ui {

TableModel::TableModel(Table table, QObject* parent) : QAbstractTableModel(parent), m_table(std::move(table)) {}

void TableModel::setTable(Table table) {
  beginResetModel();
  m_table = std::move(table);
  endResetModel();
}

int TableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_table.size());
}

int TableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_table.columnCount());
}

QVariant TableModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  const std::string_view cell =
      m_table.cell(static_cast<std::size_t>(index.row()), static_cast<std::size_t>(index.column()));
  return QString::fromUtf8(cell.data(), static_cast<qsizetype>(cell.size()));
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
      static_cast<std::size_t>(section) >= m_table.columnCount())
    return {};
  return QString::fromStdString(m_table.headers()[static_cast<std::size_t>(section)]);
}

UrlListModel::UrlListModel(const InternalUrlList& list, QObject* parent) : QAbstractTableModel(parent), m_list(list) {}

void UrlListModel::rowAdded(std::size_t index) {
  const int row = static_cast<int>(index);
  if (row < m_shown) return;
  beginInsertRows({}, m_shown, row);
  m_shown = row + 1;
  endInsertRows();
}

void UrlListModel::loadTimeWritten(std::size_t index) {
  const int row = static_cast<int>(index);
  if (row < m_shown) emit dataChanged(this->index(row, 1), this->index(row, 1));
}

void UrlListModel::reload() {
  beginResetModel();
  m_shown = static_cast<int>(m_list.size());
  endResetModel();
}

int UrlListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_shown; }

int UrlListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 3; }

QVariant UrlListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_shown) return {};
  const UrlRow row = m_list.row(static_cast<std::size_t>(index.row()));
  switch (index.column()) {
    case 0:
      return QString::fromStdString(row.url);
    case 1:
      return QString::fromStdString(row.loadTime);
    default:
      return QString::fromStdString(row.urlLength);
  }
}

QVariant UrlListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  static const char* const kHeaders[] = {"Page", "Load Time (sec)", "URL Length"};
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section > 2) return {};
  return QString(kHeaders[section]);
}

}  // namespace crawlspect::ui
