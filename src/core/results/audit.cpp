#include "core/results/audit.h"

#include "core/platform/problem_reporter.h"
#include "core/platform/text.h"
#include "core/results/result_lists.h"
#include "core/store/database.h"
#include "core/store/statements.h"

namespace crawlspect {

std::uint32_t auditColourRgb(AuditColour colour) {
  switch (colour) {
    case AuditColour::Black:
      return 0x000000;
    case AuditColour::Red:
      return 0xFF0000;
    case AuditColour::Navy:
      return 0x000080;
    case AuditColour::Blue:
      return 0x0000FF;
  }
  return 0x000000;
}

void AuditReport::appendRun(std::string_view text, AuditColour colour) {
  if (!m_lineOpen) {
    m_lineRun.push_back(m_runs.size());
    m_lineText.push_back(m_text.size());
    m_lineOpen = true;
  }
  const std::size_t begin = m_text.size();
  m_text += text;
  m_runs.push_back({begin, m_text.size(), colour});
}

void AuditReport::endLine() {
  if (!m_lineOpen) {
    m_lineRun.push_back(m_runs.size());
    m_lineText.push_back(m_text.size());
  }
  m_lineOpen = false;
}

std::size_t AuditReport::lineEnd(std::size_t index) const {
  return index + 1 < m_lineText.size() ? m_lineText[index + 1] : m_text.size();
}

AuditLine AuditReport::line(std::size_t index) const {
  AuditLine out;
  if (index >= lineCount()) return out;
  const std::size_t last = index + 1 < m_lineRun.size() ? m_lineRun[index + 1] : m_runs.size();
  for (std::size_t r = m_lineRun[index]; r < last; ++r)
    out.push_back(
        {std::string_view(m_text).substr(m_runs[r].begin, m_runs[r].end - m_runs[r].begin), m_runs[r].colour});
  return out;
}

std::string_view AuditReport::lineText(std::size_t index) const {
  if (index >= lineCount()) return {};
  return std::string_view(m_text).substr(m_lineText[index], lineEnd(index) - m_lineText[index]);
}

std::string AuditReport::plainText(const std::string& lineEnd) const {
  std::string out;
  out.reserve(m_text.size() + lineCount() * lineEnd.size());
  for (std::size_t i = 0; i < lineCount(); ++i) {
    out += lineText(i);
    out += lineEnd;
  }
  return out;
}

void AuditReport::keepLines(std::size_t count) {
  if (count >= lineCount()) return;
  m_text.resize(m_lineText[count]);
  m_runs.resize(m_lineRun[count]);
  m_lineText.resize(count);
  m_lineRun.resize(count);
  m_lineOpen = false;
}

namespace {

// Writes the lines into the report; the parenthesised values are put together
// in one reused buffer rather than a fresh string each.
class AuditWriter {
 public:
  explicit AuditWriter(AuditReport& report) : m_report(report) {}

  void perUrl(const std::vector<UrlRow>& urls, const RegionalSettings& regional) {
    for (const auto& row : urls) {
      double seconds = 0;
      // The text is what the list shows, already rounded to one decimal.
      if (!row.loadTime.empty() && parseRegionalDecimal(row.loadTime, regional, seconds) && seconds > 2.0)
        urlLine("Load time is slow ", parenthesised(row.loadTime, " sec)"), row.url);
      int length = 0;
      if (parseInt32(row.urlLength, length) && length > 80)
        urlLine("URL length is big ", parenthesised(row.urlLength, " chars)"), row.url);
    }
  }

  // Titles and descriptions: no line for pages without the text or not read yet.
  void duplicateTexts(const Table& list, std::string_view wording) {
    for (std::size_t i = 0; i < list.size(); ++i) {
      const std::string_view text = list.cell(i, 0);
      if (!occursMoreThanOnce(list, i) || text.empty() || text == kNotCheckedYet) continue;
      m_report.appendRun(wording, AuditColour::Black);
      m_report.appendRun(parenthesised(text), AuditColour::Red);
      m_report.endLine();
    }
  }

  // Every H1 text counts here, the empty one too; the line shows the count.
  void duplicateH1(const Table& h1Tags) {
    for (std::size_t i = 0; i < h1Tags.size(); ++i) {
      if (!occursMoreThanOnce(h1Tags, i)) continue;
      m_report.appendRun("H1 tag is not unique ", AuditColour::Black);
      m_report.appendRun(parenthesised(h1Tags.cell(i, 1)), AuditColour::Red);
      m_report.endLine();
    }
  }

  void perPage(Database& db, ProblemReporter& problems) {
    const std::size_t before = m_report.lineCount();
    int url = -2, title = -1, description = -1, h1 = -1;
    // A missing column reads as the empty text, like NULL.
    auto cell = [](const RowView& row, int column) {
      return column < 0 ? std::string_view() : row.text(static_cast<std::size_t>(column));
    };
    try {
      db.forEachRow(sql::kSelectPagesByUrl, [&](const RowView& row) {
        if (url == -2) {
          url = row.columnIndex("URL");
          title = row.columnIndex("TITLE");
          description = row.columnIndex("DESCRIPTION");
          h1 = row.columnIndex("H1TAG");
        }
        const std::string_view pageUrl = cell(row, url);
        tooLong("Title is too long ", cell(row, title), 60, pageUrl);
        tooLong("Description is too long ", cell(row, description), 160, pageUrl);
        tooLong("H1 Tag is too long ", cell(row, h1), 60, pageUrl);
      });
    } catch (const DbError& e) {
      // Lines of a statement that failed part-way stand on no valid result.
      m_report.keepLines(before);
      problems.reportProblem("", statementErrorReport(e.what()));
    }
  }

 private:
  static bool occursMoreThanOnce(const Table& list, std::size_t row) {
    int count = 0;
    return parseInt32(list.cell(row, 1), count) && count > 1;
  }

  std::string_view parenthesised(std::string_view text, std::string_view close = ")") {
    m_buffer.assign(1, '(');
    m_buffer += text;
    m_buffer += close;
    return m_buffer;
  }

  void urlLine(std::string_view wording, std::string_view value, std::string_view url) {
    m_report.appendRun(wording, AuditColour::Black);
    m_report.appendRun(value, AuditColour::Red);
    m_report.appendRun(" URL:", AuditColour::Black);
    m_report.appendRun(url, AuditColour::Blue);
    m_report.endLine();
  }

  void tooLong(std::string_view wording, std::string_view text, std::size_t limit, std::string_view url) {
    const std::size_t length = utf16Length(text);
    if (length <= limit) return;
    m_report.appendRun(wording, AuditColour::Black);
    m_report.appendRun(parenthesised(std::to_string(length), " chars) "), AuditColour::Red);
    m_report.appendRun(parenthesised(text), AuditColour::Navy);
    m_report.appendRun(" URL:", AuditColour::Black);
    m_report.appendRun(url, AuditColour::Blue);
    m_report.endLine();
  }

  AuditReport& m_report;
  std::string m_buffer;
};

}  // namespace

AuditReport buildAuditReport(const std::vector<UrlRow>& internalUrls, const Table& titles, const Table& descriptions,
                             const Table& h1Tags, Database& db, const RegionalSettings& regional,
                             ProblemReporter& problems) {
  AuditReport report;
  AuditWriter writer(report);
  writer.perUrl(internalUrls, regional);
  writer.duplicateTexts(titles, "Title is not unique ");
  writer.duplicateTexts(descriptions, "Description is not unique ");
  writer.duplicateH1(h1Tags);
  writer.perPage(db, problems);
  return report;
}

}  // namespace crawlspect
