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
      {"Found Links", "Link", false},         {"Found H1 Tags", "H1 Tag", false},
      {"Found H2 Tags", "H2 Tag", false},     {"Found Titles", "Title", true},
      {"Found Descriptions", "Description", true}, {"Anchor List", "Anchor Text", false},
  };
  return kInfo[static_cast<std::size_t>(id)];
}

}  // namespace

const char* resultListCaption(ResultListId id) { return info(id).caption; }

std::string resultListStatement(ResultListId id) {
  switch (id) {
    case ResultListId::Links: return sql::kGroupLinks;
    case ResultListId::H1Tags: return sql::groupTags("H1");
    case ResultListId::H2Tags: return sql::groupTags("H2");
    case ResultListId::Titles: return sql::kGroupTitles;
    case ResultListId::Descriptions: return sql::kGroupDescriptions;
    case ResultListId::Anchors: return sql::kGroupAnchors;
  }
  return {};
}

Table emptyResultList(ResultListId id) { return Table{{info(id).valueHeader, "Count"}, {}}; }

Table loadResultList(Database& db, ResultListId id, Desktop& desktop) {
  Table list = emptyResultList(id);
  QueryResult result;
  try {
    result = db.query(resultListStatement(id));
  } catch (const DbError& e) {
    desktop.report("", statementErrorReport(e.what()));
    return list;
  }
  // The value comes from the column named like the grouped one, the count from
  // the second column (HOWMANY).
  static const char* const kValueColumn[kResultListCount] = {"LINK", "VALUE", "VALUE", "TITLE", "DESCRIPTION", "ANCHOR"};
  const int value = result.columnIndex(kValueColumn[static_cast<std::size_t>(id)]);
  const bool notCheckedYet = info(id).nullIsNotCheckedYet;
  list.rows.reserve(result.rows.size());
  for (auto& row : result.rows) {
    DbValue* cell = value >= 0 && static_cast<std::size_t>(value) < row.size() ? &row[static_cast<std::size_t>(value)]
                                                                                 : nullptr;
    std::string text;
    if (cell && *cell)
      text = std::move(**cell);
    else if (notCheckedYet)
      text = kNotCheckedYet;
    std::string count = row.size() > 1 && row[1] ? std::move(*row[1]) : std::string();
    list.rows.push_back({std::move(text), std::move(count)});
  }
  return list;
}

Table emptySummary() {
  return Table{{"Key", "Value"},
               {{"Internal URLs", "0"},
                {"Found Links", "0"},
                {"Found Titles", "0"},
                {"Found Descriptions", "0"},
                {"Found H1 Tags", "0"},
                {"Found H2 Tags", "0"}}};
}

Table internalUrlTable(const std::vector<UrlRow>& rows) {
  Table table{{"Page", "Load Time (sec)", "URL Length"}, {}};
  table.rows.reserve(rows.size());
  for (const auto& row : rows) table.rows.push_back({row.url, row.loadTime, row.urlLength});
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
  for (std::size_t i = 0; i < result.summary.rows.size(); ++i) result.summary.rows[i][1] = std::to_string(counts[i]);

  result.audit = ProblemleriGoster(result.internalUrls, result.list(ResultListId::Titles),
                                   result.list(ResultListId::Descriptions), result.list(ResultListId::H1Tags), db,
                                   regional, desktop);
  return result;
}

}  // namespace crawlspect
