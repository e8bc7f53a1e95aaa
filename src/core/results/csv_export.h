#pragma once
// The exports of the lists: a CSV table (header line, then every row) or a
// plain list (the first column alone), chosen by the file name's extension.
// Both are UTF-8 with a byte order mark and CR LF after every line.
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/results/result_lists.h"
#include "core/results/table.h"

namespace crawlspect {

enum class ExportId { Sitemap, Links, Backlinks, Titles, Descriptions, H1Tags, H2Tags, Anchors };

// Button and File-menu caption: "Export Sitemap...", "Export Links...", ...
const char* exportCaption(ExportId id);
// "Page", "Load_Time", "URL_Length"; "Link", "Count"; ...
const std::vector<std::string>& csvHeader(ExportId id);

struct ExportForms {
  std::string csv;        // whole file contents, byte order mark included
  std::string plainList;  // likewise
};

// A CSV field as written: a field holding the separator, a double quote, CR
// or LF goes in double quotes with inner quotes doubled, so every line keeps
// the header's number of fields; every other field exactly as shown.
std::string csvField(std::string_view text, char separator);

// Both forms from the rows as the list shows them (all columns, in order).
ExportForms buildExportForms(ExportId id, const Table& source, char separator);

// The CSV form of a table: its headers as the header line, then every row.
std::string csvOfTable(const Table& source, char separator);

// True when the extension of the last path component (from its last ".")
// is ".csv" in any letter case.
bool wantsCsv(std::string_view fileName);

// A file that could not be written; what() names the file and the system's reason.
class FileWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Replaces the file as a whole: the bytes go to a new file beside it, which
// is then renamed over it, so a failure (FileWriteError) leaves the old file
// untouched.
void writeFileReplacing(const std::string& fileName, std::string_view bytes);

// One export to the chosen file: CSV or plain list by its extension. Throws FileWriteError.
void exportToFile(const ExportForms& forms, const std::string& fileName);

// The seven list exports as CSV into dir (created when missing): sitemap.csv,
// links.csv, titles.csv, descriptions.csv, h1.csv, h2.csv, anchors.csv. Every
// file is tried; the messages of the failed ones, one per line, or empty.
std::string exportAllLists(const std::string& dir, const RefreshResult& result, char separator);

}  // namespace crawlspect
