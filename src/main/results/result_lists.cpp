#include "main/results/result_lists.h"

#include "main/store/database.h"
#include "main/store/statements.h"
#include "platform/desktop.h"

namespace crawlspect {

namespace {

struct ListInfo {
  const char* caption;
  const char* valueHeader;
  bool nullIsNotCheckedYet;
};

const ListInfo& info(ResultListId id) {
  static const ListInfo kInfo[kResultListCount] = {
      {"Found Links", "Link", false},
      {"Found H1 Tags", "H1 Tag", false},
      {"Found H2 Tags", "H2 Tag", false},
      {"Found Titles", "Title", true},
      {"Found Descriptions", "Description", true},
      {"Anchor List", "Anchor Text", false},
  };
  return kInfo[static_cast<std::size_t>(id)];
}

}  // namespace

const char* resultListCaption(ResultListId id) { return info(id).caption; }

std::string resultListStatement(ResultListId id) {
  switch (id) {
    case ResultListId::Links:
      return sql::kGroupLinks;
    case ResultListId::H1Tags:
      return sql::groupTags("H1");
    case ResultListId::H2Tags:
      return sql::groupTags("H2");
    case ResultListId::Titles:
      return sql::kGroupTitles;
    case ResultListId::Descriptions:
      return sql::kGroupDescriptions;
    case ResultListId::Anchors:
      return sql::kGroupAnchors;
  }
  return {};
}

Table emptyResultList(ResultListId id) { return Table({info(id).valueHeader, "Count"}); }

std::array<Table, kResultListCount> emptyResultLists() {
  std::array<Table, kResultListCount> lists;
  for (ResultListId id : kAllResultLists) lists[static_cast<std::size_t>(id)] = emptyResultList(id);
  return lists;
}

Table loadResultList(Database& db, ResultListId id, Desktop& desktop) {
  // The value comes from the column named like the grouped one, the count from
  // the second column (HOWMANY).
  static const char* const kValueColumn[kResultListCount] = {"LINK",  "VALUE",       "VALUE",
                                                             "TITLE", "DESCRIPTION", "ANCHOR"};
  Table list = emptyResultList(id);
  const bool notCheckedYet = info(id).nullIsNotCheckedYet;
  int value = -2;
  char count[24];
  try {
    db.forEachRow(resultListStatement(id), [&](const RowView& row) {
      if (value == -2) value = row.columnIndex(kValueColumn[static_cast<std::size_t>(id)]);
      const auto column = static_cast<std::size_t>(value);
      std::string_view text;
      if (value >= 0 && !row.isNull(column))
        text = row.text(column);
      else if (notCheckedYet)
        text = kNotCheckedYet;
      list.addRow({text, row.text(1, count)});
    });
  } catch (const DbError& e) {
    // Rows read before a failure part-way belong to no valid result.
    list.clear();
    desktop.report("", statementErrorReport(e.what()));
  }
  return list;
}

namespace {
const char* const kSummaryKeys[] = {"Internal URLs",      "Found Links",   "Found Titles",
                                    "Found Descriptions", "Found H1 Tags", "Found H2 Tags"};
}

Table emptySummary() {
  Table summary({"Key", "Value"});
  for (const char* key : kSummaryKeys) summary.addRow({key, "0"});
  return summary;
}

Table internalUrlTable(const std::vector<UrlRow>& rows) {
  Table table({"Page", "Load Time (sec)", "URL Length"});
  table.reserve(rows.size(), 0);
  for (const auto& row : rows) table.addRow({row.url, row.loadTime, row.urlLength});
  return table;
}

RefreshResult refreshResults(Database& db, const InternalUrlList& internalUrls, const RegionalSettings& regional,
                             Desktop& desktop) {
  RefreshResult result;
  for (ResultListId id : kAllResultLists) result.list(id) = loadResultList(db, id, desktop);

  result.internalUrls = internalUrls.snapshot();
  const std::size_t counts[] = {
      result.internalUrls.size(),
      result.list(ResultListId::Links).size(),
      result.list(ResultListId::Titles).size(),
      result.list(ResultListId::Descriptions).size(),
      result.list(ResultListId::H1Tags).size(),
      result.list(ResultListId::H2Tags).size(),
  };
  result.summary = Table({"Key", "Value"});
  for (std::size_t i = 0; i < std::size(counts); ++i)
    result.summary.addRow({kSummaryKeys[i], std::to_string(counts[i])});

  result.audit =
      ProblemleriGoster(result.internalUrls, result.list(ResultListId::Titles), result.list(ResultListId::Descriptions),
                        result.list(ResultListId::H1Tags), db, regional, desktop);
  return result;
}

}  // namespace crawlspect
