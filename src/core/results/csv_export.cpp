#include "core/results/csv_export.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/platform/file_replace.h"
#include "core/platform/text.h"

namespace crawlspect {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

struct ExportInfo {
  const char* caption;
  std::vector<std::string> header;
};

const ExportInfo& info(ExportId id) {
  static const ExportInfo kInfo[] = {
      {"Export Sitemap...", {"Page", "Load_Time", "URL_Length"}},
      {"Export Links...", {"Link", "Count"}},
      {"Export Backlinks...", {"Source_URL", "Anchor_Text", "Type", "Follow"}},
      {"Export Titles...", {"Title", "Count"}},
      {"Export Descriptions...", {"Description", "Count"}},
      {"Export H1 Tags...", {"H1", "Count"}},
      {"Export H2 Tags...", {"H2", "Count"}},
      {"Export Anchor List...", {"Anchor", "Count"}},
  };
  return kInfo[static_cast<std::size_t>(id)];
}

void appendCsvField(std::string& out, std::string_view text, char separator) {
  if (text.find_first_of(std::string{separator, '"', '\r', '\n'}) == std::string_view::npos) {
    out += text;
    return;
  }
  out += '"';
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

void appendCsvLine(std::string& out, const std::vector<std::string>& fields, char separator) {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i) out += separator;
    appendCsvField(out, fields[i], separator);
  }
  out += "\r\n";
}

std::string failure(const std::string& fileName, int error) {
  return "Cannot write file \"" + fileName + "\": " + std::strerror(error);
}

}  // namespace

const char* exportCaption(ExportId id) { return info(id).caption; }

const std::vector<std::string>& csvHeader(ExportId id) { return info(id).header; }

std::string csvField(std::string_view text, char separator) {
  std::string out;
  appendCsvField(out, text, separator);
  return out;
}

namespace {

void appendCsvRow(std::string& out, const Table& source, std::size_t r, char separator) {
  for (std::size_t c = 0; c < source.columnCount(); ++c) {
    if (c) out += separator;
    appendCsvField(out, source.cell(r, c), separator);
  }
  out += "\r\n";
}

}  // namespace

ExportForms buildExportForms(ExportId id, const Table& source, char separator) {
  ExportForms forms;
  forms.csv = kBom;
  forms.plainList = kBom;
  appendCsvLine(forms.csv, csvHeader(id), separator);
  for (std::size_t r = 0; r < source.size(); ++r) {
    appendCsvRow(forms.csv, source, r, separator);
    forms.plainList += source.cell(r, 0);
    forms.plainList += "\r\n";
  }
  return forms;
}

std::string csvOfTable(const Table& source, char separator) {
  std::string csv(kBom);
  appendCsvLine(csv, source.headers(), separator);
  for (std::size_t r = 0; r < source.size(); ++r) appendCsvRow(csv, source, r, separator);
  return csv;
}

bool wantsCsv(std::string_view fileName) {
  const std::size_t slash = fileName.rfind('/');
  const std::string_view last = slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
  const std::size_t dot = last.rfind('.');
  return dot != std::string_view::npos && lowerAscii(last.substr(dot)) == ".csv";
}

void writeFileReplacing(const std::string& fileName, std::string_view bytes) {
  if (const int error = replaceFileContents(fileName, bytes)) throw FileWriteError(failure(fileName, error));
}

void exportToFile(const ExportForms& forms, const std::string& fileName) {
  writeFileReplacing(fileName, wantsCsv(fileName) ? forms.csv : forms.plainList);
}

std::string exportAllLists(const std::string& dir, const RefreshResult& result, char separator) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  const struct {
    const char* file;
    ExportId id;
    const Table* source;
  } exports[] = {
      {"sitemap.csv", ExportId::Sitemap, nullptr},
      {"links.csv", ExportId::Links, &result.list(ResultListId::Links)},
      {"titles.csv", ExportId::Titles, &result.list(ResultListId::Titles)},
      {"descriptions.csv", ExportId::Descriptions, &result.list(ResultListId::Descriptions)},
      {"h1.csv", ExportId::H1Tags, &result.list(ResultListId::H1Tags)},
      {"h2.csv", ExportId::H2Tags, &result.list(ResultListId::H2Tags)},
      {"anchors.csv", ExportId::Anchors, &result.list(ResultListId::Anchors)},
  };
  std::string messages;
  for (const auto& e : exports) {
    const Table sitemap = e.source ? Table() : internalUrlTable(result.internalUrls);
    const ExportForms forms = buildExportForms(e.id, e.source ? *e.source : sitemap, separator);
    try {
      writeFileReplacing((fs::path(dir) / e.file).string(), forms.csv);
    } catch (const FileWriteError& error) {
      // Every list is still tried; the caller reports the failed ones together.
      messages += std::string(error.what()) + "\n";
    }
  }
  if (!messages.empty()) messages.pop_back();
  return messages;
}

}  // namespace crawlspect
