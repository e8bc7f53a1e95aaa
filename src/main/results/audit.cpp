#include "main/results/audit.h"

#include "main/results/result_lists.h"
#include "main/store/database.h"
#include "main/store/statements.h"
#include "platform/desktop.h"
#include "platform/text.h"

namespace crawlspect {

std::uint32_t auditColourRgb(AuditColour colour) {
  switch (colour) {
    case AuditColour::Black: return 0x000000;
    case AuditColour::Red: return 0xFF0000;
    case AuditColour::Navy: return 0x000080;
    case AuditColour::Blue: return 0x0000FF;
  }
  return 0x000000;
}

void AuditReport::HataEkle(std::string text, AuditColour colour) {
  if (!lineOpen_) {
    lines_.emplace_back();
    lineOpen_ = true;
  }
  lines_.back().push_back({std::move(text), colour});
}

void AuditReport::HataSatirEkle() {
  if (!lineOpen_) lines_.emplace_back();
  lineOpen_ = false;
}

std::string AuditReport::lineText(const AuditLine& line) {
  std::string out;
  for (const auto& run : line) out += run.text;
  return out;
}

std::string AuditReport::plainText(const std::string& lineEnd) const {
  std::string out;
  for (const auto& line : lines_) {
    out += lineText(line);
    out += lineEnd;
  }
  return out;
}

namespace {

void addPerUrlLines(AuditReport& report, const std::vector<UrlRow>& urls, const RegionalSettings& regional) {
  for (const auto& row : urls) {
    double seconds = 0;
    // The text is what the list shows, already rounded to one decimal.
    if (!row.loadTime.empty() && parseRegionalDecimal(row.loadTime, regional, seconds) && seconds > 2.0) {
      report.HataEkle("Load time is slow ", AuditColour::Black);
      report.HataEkle("(" + row.loadTime + " sec)", AuditColour::Red);
      report.HataEkle(" URL:", AuditColour::Black);
      report.HataEkle(row.url, AuditColour::Blue);
      report.HataSatirEkle();
    }
    int length = 0;
    if (parseInt32(row.urlLength, length) && length > 80) {
      report.HataEkle("URL length is big ", AuditColour::Black);
      report.HataEkle("(" + row.urlLength + " chars)", AuditColour::Red);
      report.HataEkle(" URL:", AuditColour::Black);
      report.HataEkle(row.url, AuditColour::Blue);
      report.HataSatirEkle();
    }
  }
}

bool occursMoreThanOnce(const Table& list, std::size_t row) {
  int count = 0;
  return parseInt32(list.cell(row, 1), count) && count > 1;
}

// Titles and descriptions: no line for pages without the text or not read yet.
void addDuplicateTextLines(AuditReport& report, const Table& list, const std::string& wording) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    const std::string& text = list.cell(i, 0);
    if (!occursMoreThanOnce(list, i) || text.empty() || text == kNotCheckedYet) continue;
    report.HataEkle(wording, AuditColour::Black);
    report.HataEkle("(" + text + ")", AuditColour::Red);
    report.HataSatirEkle();
  }
}

void addDuplicateH1Lines(AuditReport& report, const Table& h1Tags) {
  for (std::size_t i = 0; i < h1Tags.size(); ++i) {
    if (!occursMoreThanOnce(h1Tags, i)) continue;
    report.HataEkle("H1 tag is not unique ", AuditColour::Black);
    report.HataEkle("(" + h1Tags.cell(i, 1) + ")", AuditColour::Red);
    report.HataSatirEkle();
  }
}

void addTooLongLine(AuditReport& report, const std::string& wording, const std::string& text, std::size_t limit,
                    const std::string& url) {
  const std::size_t length = utf16Length(text);
  if (length <= limit) return;
  report.HataEkle(wording, AuditColour::Black);
  report.HataEkle("(" + std::to_string(length) + " chars) ", AuditColour::Red);
  report.HataEkle("(" + text + ")", AuditColour::Navy);
  report.HataEkle(" URL:", AuditColour::Black);
  report.HataEkle(url, AuditColour::Blue);
  report.HataSatirEkle();
}

void addPerPageLines(AuditReport& report, Database& db, Desktop& desktop) {
  QueryResult pages;
  try {
    pages = db.query(sql::kSelectPagesByUrl);
  } catch (const DbError& e) {
    desktop.report("", statementErrorReport(e.what()));
    return;
  }
  const int url = pages.columnIndex("URL");
  const int title = pages.columnIndex("TITLE");
  const int description = pages.columnIndex("DESCRIPTION");
  const int h1 = pages.columnIndex("H1TAG");
  // A missing column reads as the empty text, like NULL.
  auto cell = [&](std::size_t row, int column) {
    return column < 0 ? std::string() : pages.text(row, static_cast<std::size_t>(column));
  };
  for (std::size_t i = 0; i < pages.rows.size(); ++i) {
    const std::string pageUrl = cell(i, url);
    addTooLongLine(report, "Title is too long ", cell(i, title), 60, pageUrl);
    addTooLongLine(report, "Description is too long ", cell(i, description), 160, pageUrl);
    addTooLongLine(report, "H1 Tag is too long ", cell(i, h1), 60, pageUrl);
  }
}

}  // namespace

AuditReport ProblemleriGoster(const std::vector<UrlRow>& internalUrls, const Table& titles,
                              const Table& descriptions, const Table& h1Tags, Database& db,
                              const RegionalSettings& regional, Desktop& desktop) {
  AuditReport report;
  addPerUrlLines(report, internalUrls, regional);
  addDuplicateTextLines(report, titles, "Title is not unique ");
  addDuplicateTextLines(report, descriptions, "Description is not unique ");
  addDuplicateH1Lines(report, h1Tags);
  addPerPageLines(report, db, desktop);
  return report;
}

}  // namespace crawlspect
