#pragma once
// What every list of the results tabs shows: column headers and rows of text
// cells, in display order. The window displays these as they are. The cells
// are kept back to back in one buffer: a refresh fills lists of a hundred
// thousand rows without an allocation per row.
#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace crawlspect {

class Table {
 public:
  Table() = default;
  explicit Table(std::vector<std::string> headers) : m_headers(std::move(headers)) {}
  Table(std::vector<std::string> headers, const std::vector<std::vector<std::string>>& rows);

  const std::vector<std::string>& headers() const { return m_headers; }
  std::size_t columnCount() const { return m_headers.size(); }
  std::size_t size() const { return columnCount() ? m_ends.size() / columnCount() : 0; }
  bool empty() const { return m_ends.empty(); }

  // A missing cell reads as the empty text. The view lives as long as the
  // table is not changed.
  std::string_view cell(std::size_t row, std::size_t column) const;
  std::vector<std::string> row(std::size_t index) const;
  std::vector<std::vector<std::string>> rows() const;

  // Missing cells are added empty, surplus ones dropped.
  void addRow(std::initializer_list<std::string_view> cells);
  void addRow(const std::vector<std::string>& cells);
  void clear();
  void reserve(std::size_t rows, std::size_t textBytes);

 private:
  template <class It>
  void addCells(It begin, It end);
  std::vector<std::string> m_headers;
  std::string m_text;
  std::vector<std::size_t> m_ends;  // end of each cell in m_text, row by row
};

// What a "Copy" or "Copy URL" command puts on the clipboard: the first column of
// the selected row. Nothing when no row (or no such row) is selected, so the
// clipboard stays as it is.
std::optional<std::string> copyFirstColumn(const Table& table, std::optional<std::size_t> selectedRow);

}  // namespace crawlspect
