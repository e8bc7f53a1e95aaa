#include "main/results/table.h"

namespace crawlspect {

const std::string& Table::cell(std::size_t row, std::size_t column) const {
  static const std::string kEmpty;
  if (row >= rows.size() || column >= rows[row].size()) return kEmpty;
  return rows[row][column];
}

std::optional<std::string> copyFirstColumn(const Table& table, std::optional<std::size_t> selectedRow) {
  if (!selectedRow || *selectedRow >= table.size()) return std::nullopt;
  return table.cell(*selectedRow, 0);
}

}  // namespace crawlspect
