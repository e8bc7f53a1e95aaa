#pragma once
// What every list of the results tabs shows: column headers and rows of text
// cells, in display order. The window displays these as they are.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace crawlspect {

struct Table {
  std::vector<std::string> headers;
  std::vector<std::vector<std::string>> rows;

  std::size_t size() const { return rows.size(); }
  bool empty() const { return rows.empty(); }
  // Cell text; a missing cell reads as the empty text.
  const std::string& cell(std::size_t row, std::size_t column) const;
};

// What a "Copy" or "Copy URL" command puts on the clipboard: the first column of
// the selected row. Nothing when no row (or no such row) is selected, so the
// clipboard stays as it is.
std::optional<std::string> copyFirstColumn(const Table& table, std::optional<std::size_t> selectedRow);

}  // namespace crawlspect
