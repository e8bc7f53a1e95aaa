#include "core/results/responses.h"

#include <charconv>
#include <filesystem>
#include <string_view>

#include "core/platform/problem_reporter.h"
#include "core/results/csv_export.h"
#include "core/store/database.h"
#include "core/store/statements.h"

namespace crawlspect {

namespace {

std::size_t countOf(std::string_view text) {
  std::size_t value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

long statusOf(std::string_view text) {
  long value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// Runs a statement into a table of the given headers; a failure is reported
// and leaves the table without rows.
Table readTable(Database& db, std::string_view sql, std::initializer_list<BoundValue> values,
                std::vector<std::string> headers, ProblemReporter& problems) {
  Table table(std::move(headers));
  std::vector<std::string> cells(table.columnCount());
  char buffer[24];
  try {
    db.forEachRow(sql, values, [&](const RowView& row) {
      for (std::size_t c = 0; c < cells.size(); ++c) cells[c] = row.text(c, buffer);
      table.addRow(cells);
    });
  } catch (const DbError& e) {
    table.clear();
    problems.reportProblem("", statementErrorReport(e.what()));
  }
  return table;
}

}  // namespace

ResponseCounts countResponses(Database& db, ProblemReporter& problems) {
  ResponseCounts counts;
  try {
    db.forEachRow(sql::kCountResponses, [&](const RowView& row) {
      char buffer[24];
      counts.success = countOf(row.text(0, buffer));
      counts.redirection = countOf(row.text(1, buffer));
      counts.clientError = countOf(row.text(2, buffer));
      counts.serverError = countOf(row.text(3, buffer));
      counts.failed = countOf(row.text(4, buffer));
    });
    db.forEachRow(sql::kCountBrokenLinks, [&](const RowView& row) {
      char buffer[24];
      counts.brokenLinks = countOf(row.text(0, buffer));
    });
  } catch (const DbError& e) {
    counts = {};
    problems.reportProblem("", statementErrorReport(e.what()));
  }
  return counts;
}

void appendResponseSummary(Table& summary, const ResponseCounts& counts) {
  const std::pair<const char*, std::size_t> rows[] = {
      {"Responses 2xx", counts.success},     {"Responses 3xx", counts.redirection},
      {"Responses 4xx", counts.clientError}, {"Responses 5xx", counts.serverError},
      {"Failed Fetches", counts.failed},     {"Broken Links", counts.brokenLinks},
  };
  for (const auto& [key, value] : rows) summary.addRow({key, std::to_string(value)});
}

void appendResponseAudit(AuditReport& report, Database& db, ProblemReporter& problems) {
  const std::size_t before = report.lineCount();
  std::string text;
  auto urlPart = [&](std::string_view url) {
    report.appendRun(" URL:", AuditColour::Black);
    report.appendRun(url, AuditColour::Blue);
  };
  auto opening = [&](std::string_view wording, std::string_view value) {
    report.appendRun(wording, AuditColour::Black);
    text.assign("(").append(value).append(")");
    report.appendRun(text, AuditColour::Red);
  };
  try {
    db.forEachRow(sql::kSelectResponsesForAudit, [&](const RowView& row) {
      char status[24], finalStatus[24], hops[24], linkedFrom[24];
      const std::string_view url = row.text(0);
      const std::string_view first = row.text(1, status);
      const std::string_view last = row.text(2, finalStatus);
      const std::string_view finalUrl = row.text(3);
      const std::string_view hopCount = row.text(4, hops);
      const std::string_view error = row.text(5);
      const std::string_view pages = row.text(6, linkedFrom);
      const std::size_t redirects = countOf(hopCount);
      if (redirects > 0) {
        if (redirects >= 2)
          opening("Redirect chain ", std::string(hopCount) + " hops");
        else
          opening("Redirect ", first);
        urlPart(url);
        report.appendRun(" -> ", AuditColour::Black);
        report.appendRun(finalUrl, AuditColour::Blue);
        report.endLine();
      }
      const long lastStatus = statusOf(last);
      if (!error.empty() && !error.starts_with("http:")) {
        opening("Failed ", error.substr(0, error.find(':')));
        urlPart(url);
        report.endLine();
      } else if (lastStatus >= 500) {
        opening("Server error ", last);
        urlPart(url);
        report.endLine();
      } else if (lastStatus >= 400) {
        opening("Broken link ", last);
        urlPart(url);
        text.assign(" (linked from ").append(pages).append(" pages)");
        report.appendRun(text, AuditColour::Black);
        report.endLine();
      }
    });
  } catch (const DbError& e) {
    report.keepLines(before);
    problems.reportProblem("", statementErrorReport(e.what()));
  }
}

void appendRobotsAudit(AuditReport& report, Database& db, ProblemReporter& problems) {
  const std::size_t before = report.lineCount();
  try {
    db.forEachRow(sql::kSelectRobotsBlocked, [&](const RowView& row) {
      report.appendRun("Blocked by robots.txt URL:", AuditColour::Black);
      report.appendRun(row.text(0), AuditColour::Blue);
      report.endLine();
    });
  } catch (const DbError& e) {
    report.keepLines(before);
    problems.reportProblem("", statementErrorReport(e.what()));
  }
}

Table loadResponses(Database& db, ProblemReporter& problems) {
  return readTable(db, sql::kSelectResponses, {},
                   {"URL", "Status", "Final Status", "Final URL", "Hops", "Content Type", "Bytes", "TTFB (ms)",
                    "Time (ms)", "Error", "External"},
                   problems);
}

Table responseCodeRows(const Table& responses, ResponseClass shown) {
  enum Column { Url, Status, FinalStatus, FinalUrl, Hops, ContentType, Bytes, Ttfb, Time, Error, External };
  Table rows({"URL", "Status", "Final URL", "Content Type", "Bytes", "Time (ms)"});
  for (std::size_t r = 0; r < responses.size(); ++r) {
    const long status = statusOf(responses.cell(r, Status));
    const std::string_view error = responses.cell(r, Error);
    bool wanted = true;
    switch (shown) {
      case ResponseClass::All:
        break;
      case ResponseClass::Success:
      case ResponseClass::Redirection:
      case ResponseClass::ClientError:
      case ResponseClass::ServerError:
        wanted = status / 100 == static_cast<long>(shown) + 1;
        break;
      case ResponseClass::Failed:
        wanted = !error.empty() && !error.starts_with("http:");
        break;
      case ResponseClass::External:
        wanted = responses.cell(r, External) == "1";
        break;
    }
    if (wanted)
      rows.addRow({responses.cell(r, Url), responses.cell(r, Status), responses.cell(r, FinalUrl),
                   responses.cell(r, ContentType), responses.cell(r, Bytes), responses.cell(r, Time)});
  }
  return rows;
}

Table loadRedirectChain(Database& db, const std::string& url, ProblemReporter& problems) {
  return readTable(db, sql::kSelectRedirectsOf, {url}, {"Hop", "Target", "Status"}, problems);
}

std::string exportResponseFiles(const std::string& dir, Database& db, char separator, ProblemReporter& problems) {
  const struct {
    const char* file;
    std::string_view sql;
    std::vector<std::string> header;
  } exports[] = {
      {"responses.csv",
       sql::kSelectResponses,
       {"URL", "Status", "Final_Status", "Final_URL", "Hops", "Content_Type", "Bytes", "TTFB_ms", "Time_ms", "Error",
        "External"}},
      {"redirects.csv", sql::kSelectRedirects, {"URL", "Hop", "Target", "Status"}},
      {"broken_links.csv", sql::kSelectBrokenLinks, {"Source", "Link", "Anchor", "Status", "Error"}},
  };
  std::string messages;
  for (const auto& e : exports) {
    const Table rows = readTable(db, e.sql, {}, e.header, problems);
    try {
      writeFileReplacing((std::filesystem::path(dir) / e.file).string(), csvOfTable(rows, separator));
    } catch (const FileWriteError& error) {
      messages += std::string(error.what()) + "\n";
    }
  }
  if (!messages.empty()) messages.pop_back();
  return messages;
}

}  // namespace crawlspect
