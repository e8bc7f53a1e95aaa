#include "core/results/table.h"

namespace crawlspect {

Table::Table(std::vector<std::string> headers, const std::vector<std::vector<std::string>>& rows)
    : m_headers(std::move(headers)) {
  for (const auto& r : rows) addRow(r);
}

std::string_view Table::cell(std::size_t row, std::size_t column) const {
  const std::size_t columns = columnCount();
  if (column >= columns || row >= size()) return {};
  const std::size_t index = row * columns + column;
  const std::size_t begin = index ? m_ends[index - 1] : 0;
  return std::string_view(m_text).substr(begin, m_ends[index] - begin);
}

std::vector<std::string> Table::row(std::size_t index) const {
  std::vector<std::string> out;
  if (index >= size()) return out;
  for (std::size_t c = 0; c < columnCount(); ++c) out.emplace_back(cell(index, c));
  return out;
}

std::vector<std::vector<std::string>> Table::rows() const {
  std::vector<std::vector<std::string>> out;
  for (std::size_t r = 0; r < size(); ++r) out.push_back(row(r));
  return out;
}

template <class It>
void Table::addCells(It begin, It end) {
  for (std::size_t c = 0; c < columnCount(); ++c) {
    if (begin != end) m_text += *begin++;
    m_ends.push_back(m_text.size());
  }
}

void Table::addRow(std::initializer_list<std::string_view> cells) { addCells(cells.begin(), cells.end()); }

void Table::addRow(const std::vector<std::string>& cells) { addCells(cells.begin(), cells.end()); }

void Table::clear() {
  m_text.clear();
  m_ends.clear();
}

void Table::reserve(std::size_t rows, std::size_t textBytes) {
  m_ends.reserve(rows * columnCount());
  m_text.reserve(textBytes);
}

std::optional<std::string> copyFirstColumn(const Table& table, std::optional<std::size_t> selectedRow) {
  if (!selectedRow || *selectedRow >= table.size()) return std::nullopt;
  return std::string(table.cell(*selectedRow, 0));
}

}  // namespace crawlspect
