#include "core/results/csv_export.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>

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

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
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
  // Through a link the file it names is replaced, not the link.
  std::string target = fileName;
  std::error_code ec;
  if (fs::is_symlink(fileName, ec)) {
    const fs::path resolved = fs::weakly_canonical(fileName, ec);
    if (!ec) target = resolved.string();
  }
  struct stat old {};
  const bool exists = ::stat(target.c_str(), &old) == 0;
  if (exists && S_ISDIR(old.st_mode)) throw FileWriteError(failure(fileName, EISDIR));
  // A file the user has marked read-only stays as it is.
  if (exists && ::access(target.c_str(), W_OK) != 0) throw FileWriteError(failure(fileName, errno));

  static std::atomic<unsigned> sequence{0};
  std::string temp;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    temp = target + ".part" + std::to_string(::getpid()) + "-" + std::to_string(sequence++);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) throw FileWriteError(failure(fileName, errno));
  }
  if (fd < 0) throw FileWriteError(failure(fileName, EEXIST));
  if (exists) (void)::fchmod(fd, old.st_mode & 07777);

  int error = 0;
  if (!writeAll(fd, bytes) || ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && !error) error = errno;
  if (!error && ::rename(temp.c_str(), target.c_str()) != 0) error = errno;
  if (error) {
    ::unlink(temp.c_str());
    throw FileWriteError(failure(fileName, error));
  }
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
