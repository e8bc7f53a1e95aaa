#pragma once
// The SEO audit: the report of slow pages, long URLs, shared titles,
// descriptions and H1 texts, and long titles and descriptions, as lines of
// coloured text runs. The window maps the colours and shows the runs.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/crawl/internal_url_list.h"
#include "core/platform/regional.h"
#include "core/results/table.h"

namespace crawlspect {

class Database;
class ProblemReporter;

enum class AuditColour { Black, Red, Navy, Blue };

// 0xRRGGBB of each colour.
std::uint32_t auditColourRgb(AuditColour colour);

// A run as the report holds it: the text points into the report and stays
// valid while the report lives unchanged.
struct AuditRun {
  std::string_view text;
  AuditColour colour = AuditColour::Black;
  bool operator==(const AuditRun&) const = default;
};

using AuditLine = std::vector<AuditRun>;

// Every run is plain (no bold, italic or underline), so a run carries no
// style. The texts of all runs are kept back to back in one buffer, so a
// report of many thousand lines costs few allocations.
class AuditReport {
 public:
  // Appends a run at the end of the current line.
  void appendRun(std::string_view text, AuditColour colour);
  // Ends the current line.
  void endLine();

  std::size_t lineCount() const { return m_lineRun.size(); }
  bool empty() const { return m_lineRun.empty(); }
  AuditLine line(std::size_t index) const;
  // The texts of a line's runs, joined.
  std::string_view lineText(std::size_t index) const;
  // "Copy All": every line followed by lineEnd.
  std::string plainText(const std::string& lineEnd = "\r\n") const;
  // Drops every line from the given one on.
  void keepLines(std::size_t count);

 private:
  struct Span {
    std::size_t begin;
    std::size_t end;
    AuditColour colour;
  };
  std::size_t lineEnd(std::size_t index) const;
  std::string m_text;
  std::vector<Span> m_runs;
  std::vector<std::size_t> m_lineRun;   // first run of each line
  std::vector<std::size_t> m_lineText;  // offset of each line's text
  bool m_lineOpen = false;
};

// Builds the whole report: per-URL lines over the internal URL rows, the
// duplicate lines over the grouped rows the refresh has just read (value in
// column 0, count in column 1), then the per-page lines from the PAGES
// statement. A failed statement is reported and the lines so far stay.
AuditReport buildAuditReport(const std::vector<UrlRow>& internalUrls, const Table& titles, const Table& descriptions,
                             const Table& h1Tags, Database& db, const RegionalSettings& regional,
                             ProblemReporter& problems);

}  // namespace crawlspect
