#include "core/results/result_lists.h"

#include "core/platform/problem_reporter.h"
#include "core/results/responses.h"
#include "core/store/database.h"
#include "core/store/statements.h"

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

void forEachResultListRow(Database& db, ResultListId id, const std::function<void(const RowView&)>& onRow) {
  switch (id) {
    case ResultListId::Links:
      return db.forEachRow(sql::kGroupLinks, onRow);
    case ResultListId::H1Tags:
      return db.forEachRow(sql::kGroupTags, {"H1"}, onRow);
    case ResultListId::H2Tags:
      return db.forEachRow(sql::kGroupTags, {"H2"}, onRow);
    case ResultListId::Titles:
      return db.forEachRow(sql::kGroupTitles, onRow);
    case ResultListId::Descriptions:
      return db.forEachRow(sql::kGroupDescriptions, onRow);
    case ResultListId::Anchors:
      return db.forEachRow(sql::kGroupAnchors, onRow);
  }
}

Table emptyResultList(ResultListId id) { return Table({info(id).valueHeader, "Count"}); }

std::array<Table, kResultListCount> emptyResultLists() {
  std::array<Table, kResultListCount> lists;
  for (ResultListId id : kAllResultLists) lists[static_cast<std::size_t>(id)] = emptyResultList(id);
  return lists;
}

namespace {

// Hands each row's value and count cell to onRow; false after a reported failure.
template <typename OnRow>
bool readResultList(Database& db, ResultListId id, ProblemReporter& problems, OnRow onRow) {
  // The value comes from the column named like the grouped one, the count from
  // the second column (HOWMANY).
  static const char* const kValueColumn[kResultListCount] = {"LINK",  "VALUE",       "VALUE",
                                                             "TITLE", "DESCRIPTION", "ANCHOR"};
  const bool notCheckedYet = info(id).nullIsNotCheckedYet;
  int value = -2;
  char count[24];
  try {
    forEachResultListRow(db, id, [&](const RowView& row) {
      if (value == -2) value = row.columnIndex(kValueColumn[static_cast<std::size_t>(id)]);
      const auto column = static_cast<std::size_t>(value);
      std::string_view text;
      if (value >= 0 && !row.isNull(column))
        text = row.text(column);
      else if (notCheckedYet)
        text = kNotCheckedYet;
      onRow(text, row.text(1, count));
    });
  } catch (const DbError& e) {
    problems.reportProblem("", statementErrorReport(e.what()));
    return false;
  }
  return true;
}

}  // namespace

Table loadResultList(Database& db, ResultListId id, ProblemReporter& problems) {
  Table list = emptyResultList(id);
  // Rows read before a failure part-way belong to no valid result.
  if (!readResultList(db, id, problems, [&](std::string_view text, std::string_view count) {
        list.addRow({text, count});
      }))
    list.clear();
  return list;
}

std::size_t countResultList(Database& db, ResultListId id, ProblemReporter& problems) {
  std::size_t rows = 0;
  if (!readResultList(db, id, problems, [&](std::string_view, std::string_view) { ++rows; })) rows = 0;
  return rows;
}

namespace {
const char* const kSummaryKeys[] = {"Internal URLs",      "Found Links",   "Found Titles",
                                    "Found Descriptions", "Found H1 Tags", "Found H2 Tags"};
}

Table emptySummary() {
  Table summary({"Key", "Value"});
  for (const char* key : kSummaryKeys) summary.addRow({key, "0"});
  appendResponseSummary(summary, {});
  return summary;
}

Table internalUrlTable(const std::vector<UrlRow>& rows) {
  Table table({"Page", "Load Time (sec)", "URL Length"});
  table.reserve(rows.size(), 0);
  for (const auto& row : rows) table.addRow({row.url, row.loadTime, row.urlLength});
  return table;
}

RefreshResult refreshResults(Database& db, const InternalUrlList& internalUrls, const RegionalSettings& regional,
                             ProblemReporter& problems, bool allRows) {
  RefreshResult result;
  for (ResultListId id : kAllResultLists) {
    const auto i = static_cast<std::size_t>(id);
    if (allRows || (id != ResultListId::Links && id != ResultListId::Anchors)) {
      result.list(id) = loadResultList(db, id, problems);
      result.rowCounts[i] = result.list(id).size();
    } else {
      result.rowCounts[i] = countResultList(db, id, problems);
    }
  }

  result.internalUrls = internalUrls.snapshot();
  const std::size_t counts[] = {
      result.internalUrls.size(),
      result.rowCounts[static_cast<std::size_t>(ResultListId::Links)],
      result.rowCounts[static_cast<std::size_t>(ResultListId::Titles)],
      result.rowCounts[static_cast<std::size_t>(ResultListId::Descriptions)],
      result.rowCounts[static_cast<std::size_t>(ResultListId::H1Tags)],
      result.rowCounts[static_cast<std::size_t>(ResultListId::H2Tags)],
  };
  result.summary = Table({"Key", "Value"});
  for (std::size_t i = 0; i < std::size(counts); ++i)
    result.summary.addRow({kSummaryKeys[i], std::to_string(counts[i])});

  result.responses = countResponses(db, problems);
  if (allRows) result.responseRows = loadResponses(db, problems);
  appendResponseSummary(result.summary, result.responses);

  result.audit =
      buildAuditReport(result.internalUrls, result.list(ResultListId::Titles), result.list(ResultListId::Descriptions),
                       result.list(ResultListId::H1Tags), db, regional, problems);
  appendResponseAudit(result.audit, db, problems);
  appendRobotsAudit(result.audit, db, problems);
  return result;
}

}  // namespace crawlspect
