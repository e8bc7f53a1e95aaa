#include "core/results/detail_views.h"

#include "core/platform/problem_reporter.h"
#include "core/platform/text.h"
#include "core/store/database.h"
#include "core/store/statements.h"

namespace crawlspect {

namespace {

// Lines as a text box holds them: a value with line breaks adds several lines,
// an empty value one empty line.
void appendHeadingLines(Database& db, const std::string& tag, const std::string& pageUrl, ProblemReporter& problems,
                        std::vector<std::string>& lines, std::string& count) {
  QueryResult tags;
  try {
    tags = db.query(sql::kSelectTagsOfPage, {tag, pageUrl});
  } catch (const DbError& e) {
    problems.reportProblem("", statementErrorReport(e.what()));
    return;
  }
  for (std::size_t i = 0; i < tags.rows.size(); ++i) {
    auto parts = splitLines(tags.text(i, "VALUE"));
    if (parts.empty()) parts.emplace_back();
    for (auto& part : parts) lines.push_back(std::move(part));
  }
  count = std::to_string(lines.size());
}

std::vector<std::string> detailColumns(ResultListId list) {
  switch (list) {
    case ResultListId::Links:
      return {"URL", "ANCHOR", "TYPE", "FOLLOW"};
    case ResultListId::Anchors:
      return {"LINK", "HOWMANY"};
    default:
      return {"URL"};
  }
}

QueryResult queryDetail(Database& db, ResultListId list, const std::string& value) {
  switch (list) {
    case ResultListId::Links:
      return db.query(sql::kSelectLinksTo, {value});
    case ResultListId::H1Tags:
      return db.query(sql::kSelectTagsWithValue, {"H1", value});
    case ResultListId::H2Tags:
      return db.query(sql::kSelectTagsWithValue, {"H2", value});
    case ResultListId::Titles:
      return db.query(sql::kSelectUrlsWithTitle, {value});
    case ResultListId::Descriptions:
      return db.query(sql::kSelectUrlsWithDescription, {value});
    case ResultListId::Anchors:
      return db.query(sql::kGroupLinksWithAnchor, {value});
  }
  return {};
}

}  // namespace

PageDetails lookupPageDetails(Database& db, const std::string& pageUrl, ProblemReporter& problems) {
  PageDetails details;
  try {
    const QueryResult pages = db.query(sql::kSelectPage, {pageUrl});
    // Should the URL be stored twice, the last row wins.
    for (std::size_t i = 0; i < pages.rows.size(); ++i) {
      details.title = pages.text(i, "TITLE");
      details.description = pages.text(i, "DESCRIPTION");
    }
  } catch (const DbError& e) {
    problems.reportProblem("", statementErrorReport(e.what()));
  }
  details.titleLength = "Length: " + std::to_string(utf16Length(details.title));
  details.descriptionLength = "Length: " + std::to_string(utf16Length(details.description));
  appendHeadingLines(db, "H1", pageUrl, problems, details.h1Lines, details.h1Count);
  appendHeadingLines(db, "H2", pageUrl, problems, details.h2Lines, details.h2Count);
  return details;
}

Table emptyDetailList(ResultListId list) {
  switch (list) {
    case ResultListId::Links:
      return Table({"Source URL", "Anchor Text", "Type", "Follow"});
    case ResultListId::Anchors:
      return Table({"Link URL", "Count"});
    default:
      return Table({"Source URL"});
  }
}

DetailView lookupDetail(Database& db, ResultListId list, const std::string& value, ProblemReporter& problems) {
  DetailView view{value, emptyDetailList(list)};
  QueryResult result;
  try {
    result = queryDetail(db, list, value);
  } catch (const DbError& e) {
    problems.reportProblem("", statementErrorReport(e.what()));
    return view;
  }
  std::vector<int> columns;
  for (const auto& name : detailColumns(list)) columns.push_back(result.columnIndex(name));
  if (list == ResultListId::Anchors) columns[1] = 1;  // the count is the second result column
  for (std::size_t i = 0; i < result.rows.size(); ++i) {
    std::vector<std::string> row;
    for (int c : columns) row.push_back(c < 0 ? std::string() : result.text(i, static_cast<std::size_t>(c)));
    if (trimControl(row[0]).empty()) continue;
    view.table.addRow(row);
  }
  return view;
}

}  // namespace crawlspect
