#include "main/results/audit.h"

#include "main/results/result_lists.h"
#include "main/store/database.h"
#include "main/store/statements.h"
#include "platform/desktop.h"
#include "platform/text.h"

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

void AuditReport::HataEkle(std::string_view text, AuditColour colour) {
  if (!lineOpen_) {
    lineRun_.push_back(runs_.size());
    lineText_.push_back(text_.size());
    lineOpen_ = true;
  }
  const std::size_t begin = text_.size();
  text_ += text;
  runs_.push_back({begin, text_.size(), colour});
}

void AuditReport::HataSatirEkle() {
  if (!lineOpen_) {
    lineRun_.push_back(runs_.size());
    lineText_.push_back(text_.size());
  }
  lineOpen_ = false;
}

std::size_t AuditReport::lineEnd(std::size_t index) const {
  return index + 1 < lineText_.size() ? lineText_[index + 1] : text_.size();
}

AuditLine AuditReport::line(std::size_t index) const {
  AuditLine out;
  if (index >= lineCount()) return out;
  const std::size_t last = index + 1 < lineRun_.size() ? lineRun_[index + 1] : runs_.size();
  for (std::size_t r = lineRun_[index]; r < last; ++r)
    out.push_back({std::string_view(text_).substr(runs_[r].begin, runs_[r].end - runs_[r].begin), runs_[r].colour});
  return out;
}

std::string_view AuditReport::lineText(std::size_t index) const {
  if (index >= lineCount()) return {};
  return std::string_view(text_).substr(lineText_[index], lineEnd(index) - lineText_[index]);
}

std::string AuditReport::plainText(const std::string& lineEnd) const {
  std::string out;
  out.reserve(text_.size() + lineCount() * lineEnd.size());
  for (std::size_t i = 0; i < lineCount(); ++i) {
    out += lineText(i);
    out += lineEnd;
  }
  return out;
}

void AuditReport::keepLines(std::size_t count) {
  if (count >= lineCount()) return;
  text_.resize(lineText_[count]);
  runs_.resize(lineRun_[count]);
  lineText_.resize(count);
  lineRun_.resize(count);
  lineOpen_ = false;
}

namespace {

// Writes the lines into the report; the parenthesised values are put together
// in one reused buffer rather than a fresh string each.
class AuditWriter {
 public:
  explicit AuditWriter(AuditReport& report) : report_(report) {}

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
      report_.HataEkle(wording, AuditColour::Black);
      report_.HataEkle(parenthesised(text), AuditColour::Red);
      report_.HataSatirEkle();
    }
  }

  // Every H1 text counts here, the empty one too; the line shows the count.
  void duplicateH1(const Table& h1Tags) {
    for (std::size_t i = 0; i < h1Tags.size(); ++i) {
      if (!occursMoreThanOnce(h1Tags, i)) continue;
      report_.HataEkle("H1 tag is not unique ", AuditColour::Black);
      report_.HataEkle(parenthesised(h1Tags.cell(i, 1)), AuditColour::Red);
      report_.HataSatirEkle();
    }
  }

  void perPage(Database& db, Desktop& desktop) {
    const std::size_t before = report_.lineCount();
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
      report_.keepLines(before);
      desktop.report("", statementErrorReport(e.what()));
    }
  }

 private:
  static bool occursMoreThanOnce(const Table& list, std::size_t row) {
    int count = 0;
    return parseInt32(list.cell(row, 1), count) && count > 1;
  }

  std::string_view parenthesised(std::string_view text, std::string_view close = ")") {
    buffer_.assign(1, '(');
    buffer_ += text;
    buffer_ += close;
    return buffer_;
  }

  void urlLine(std::string_view wording, std::string_view value, std::string_view url) {
    report_.HataEkle(wording, AuditColour::Black);
    report_.HataEkle(value, AuditColour::Red);
    report_.HataEkle(" URL:", AuditColour::Black);
    report_.HataEkle(url, AuditColour::Blue);
    report_.HataSatirEkle();
  }

  void tooLong(std::string_view wording, std::string_view text, std::size_t limit, std::string_view url) {
    const std::size_t length = utf16Length(text);
    if (length <= limit) return;
    report_.HataEkle(wording, AuditColour::Black);
    report_.HataEkle(parenthesised(std::to_string(length), " chars) "), AuditColour::Red);
    report_.HataEkle(parenthesised(text), AuditColour::Navy);
    report_.HataEkle(" URL:", AuditColour::Black);
    report_.HataEkle(url, AuditColour::Blue);
    report_.HataSatirEkle();
  }

  AuditReport& report_;
  std::string buffer_;
};

}  // namespace

AuditReport ProblemleriGoster(const std::vector<UrlRow>& internalUrls, const Table& titles, const Table& descriptions,
                              const Table& h1Tags, Database& db, const RegionalSettings& regional, Desktop& desktop) {
  AuditReport report;
  AuditWriter writer(report);
  writer.perUrl(internalUrls, regional);
  writer.duplicateTexts(titles, "Title is not unique ");
  writer.duplicateTexts(descriptions, "Description is not unique ");
  writer.duplicateH1(h1Tags);
  writer.perPage(db, desktop);
  return report;
}

}  // namespace crawlspect
