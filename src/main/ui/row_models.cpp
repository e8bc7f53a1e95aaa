#include "main/ui/row_models.h"

#include "main/crawler/internal_url_list.h"

namespace crawlspect::ui {

TableModel::TableModel(Table table, QObject* parent) : QAbstractTableModel(parent), table_(std::move(table)) {}

void TableModel::setTable(Table table) {
  beginResetModel();
  table_ = std::move(table);
  endResetModel();
}

int TableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(table_.size());
}

int TableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(table_.columnCount());
}

QVariant TableModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  const std::string_view cell =
      table_.cell(static_cast<std::size_t>(index.row()), static_cast<std::size_t>(index.column()));
  return QString::fromUtf8(cell.data(), static_cast<qsizetype>(cell.size()));
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
      static_cast<std::size_t>(section) >= table_.columnCount())
    return {};
  return QString::fromStdString(table_.headers()[static_cast<std::size_t>(section)]);
}

UrlListModel::UrlListModel(const InternalUrlList& list, QObject* parent) : QAbstractTableModel(parent), list_(list) {}

void UrlListModel::rowAdded(std::size_t index) {
  const int row = static_cast<int>(index);
  if (row < shown_) return;
  beginInsertRows({}, shown_, row);
  shown_ = row + 1;
  endInsertRows();
}

void UrlListModel::loadTimeWritten(std::size_t index) {
  const int row = static_cast<int>(index);
  if (row < shown_) emit dataChanged(this->index(row, 1), this->index(row, 1));
}

void UrlListModel::reload() {
  beginResetModel();
  shown_ = static_cast<int>(list_.size());
  endResetModel();
}

int UrlListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shown_; }

int UrlListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 3; }

QVariant UrlListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= shown_) return {};
  const UrlRow row = list_.row(static_cast<std::size_t>(index.row()));
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
