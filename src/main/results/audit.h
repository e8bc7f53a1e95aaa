#pragma once
// The SEO audit: the report of slow pages, long URLs, shared titles,
// descriptions and H1 texts, and long titles and descriptions, as lines of
// coloured text runs. The window maps the colours and shows the runs.
#include <cstdint>
#include <string>
#include <vector>

#include "main/crawler/internal_url_list.h"
#include "main/results/table.h"
#include "platform/regional.h"

namespace crawlspect {

class Database;
class Desktop;

enum class AuditColour { Black, Red, Navy, Blue };

// 0xRRGGBB of each colour.
std::uint32_t auditColourRgb(AuditColour colour);

struct AuditRun {
  std::string text;
  AuditColour colour = AuditColour::Black;
  bool operator==(const AuditRun&) const = default;
};

using AuditLine = std::vector<AuditRun>;

// Every run is plain (no bold, italic or underline), so a run carries no style.
class AuditReport {
 public:
  // Appends a run at the end of the current line.
  void HataEkle(std::string text, AuditColour colour);
  // Ends the current line.
  void HataSatirEkle();

  const std::vector<AuditLine>& lines() const { return lines_; }
  bool empty() const { return lines_.empty(); }
  // The texts of a line's runs, joined.
  static std::string lineText(const AuditLine& line);
  // "Copy All": every line followed by lineEnd.
  std::string plainText(const std::string& lineEnd = "\r\n") const;

 private:
  std::vector<AuditLine> lines_;
  bool lineOpen_ = false;
};

// Builds the whole report: per-URL lines over the internal URL rows, the
// duplicate lines over the grouped rows the refresh has just read (value in
// column 0, count in column 1), then the per-page lines from the PAGES
// statement. A failed statement is reported and the lines so far stay.
AuditReport ProblemleriGoster(const std::vector<UrlRow>& internalUrls, const Table& titles,
                              const Table& descriptions, const Table& h1Tags, Database& db,
                              const RegionalSettings& regional, Desktop& desktop);

}  // namespace crawlspect
