// Speed of the page step on pages of real size: the readers alone, and the
// whole step (readers plus the statements of the page record) into a real
// project file. Prints MB/s and milliseconds per page for 30, 100 and 300 KB.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/pagefacts/page_reader.h"
#include "core/pagefacts/page_record.h"
#include "core/platform/loop_desktop.h"
#include "core/platform/text.h"
#include "core/store/project_store.h"
#include "core/store/statements.h"

using namespace crawlspect;

namespace {

// A page shaped like a shop or news page: head with scripts and styles, a
// navigation list, headings, paragraphs with inline markup, a table, a footer.
std::string makePage(std::size_t targetBytes, unsigned seed) {
  std::mt19937 rng(seed);
  static const char* words[] = {"crawl",       "page",         "site",  "price", "offer", "garden",
                                "house",       "light",        "table", "chair", "quick", "brown",
                                "fox",         "jumps",        "over",  "lazy",  "dog",   "\xC3\xA9t\xC3\xA9",
                                "caf\xC3\xA9", "na\xC3\xAFve", "and",   "the",   "of",    "to"};
  auto word = [&] { return std::string(words[rng() % std::size(words)]); };
  auto sentence = [&](int n) {
    std::string s;
    for (int i = 0; i < n; ++i) {
      if (i) s += ' ';
      s += word();
    }
    return s;
  };
  std::string p = "<!DOCTYPE html>\r\n<html lang=\"en\">\r\n<head>\r\n<meta charset=\"utf-8\">\r\n";
  p += "<title>" + sentence(6) + " | Example Shop</title>\r\n";
  p += "<meta name=\"description\" content=\"" + sentence(20) + "\">\r\n";
  p += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\r\n";
  for (int i = 0; i < 6; ++i) p += "<link rel=\"stylesheet\" href=\"/css/style" + std::to_string(i) + ".css\">\r\n";
  p += "<style>\r\nbody{margin:0;font-family:sans-serif}\r\n.nav li{display:inline-block;padding:4px}\r\n</style>\r\n";
  p += "<script>\r\nwindow.dataLayer=window.dataLayer||[];function gtag(){dataLayer.push(arguments)}\r\n"
       "for (var i = 0; i < 10; i++) { if (i < 5 && i > 2) console.log('<h1>not a heading</h1>'); }\r\n</script>\r\n";
  p += "</head>\r\n<body class=\"home page\">\r\n<header><nav class=\"nav\"><ul>\r\n";
  for (int i = 0; i < 40; ++i)
    p += "<li class=\"menu-item\"><a href=\"/category/" + word() + "-" + std::to_string(i) + "/\">" + sentence(2) +
         "</a></li>\r\n";
  p += "</ul></nav></header>\r\n<main>\r\n<h1>" + sentence(5) + "</h1>\r\n";
  int section = 0;
  while (p.size() + 600 < targetBytes) {
    if (section % 4 == 0) p += "<h2 class=\"section-title\">" + sentence(4) + "</h2>\r\n";
    if (section % 7 == 3) p += "<h3>" + sentence(3) + "</h3>\r\n";
    p += "<div class=\"card\"><p>" + sentence(25) + " <a href=\"/item/" + std::to_string(section) + "\">" +
         sentence(3) + "</a>, <strong>" + sentence(2) + "</strong> " + sentence(20) + "<br>\r\n" + sentence(10) +
         "</p>\r\n<img src=\"/img/" + std::to_string(section) + ".jpg\" alt=\"" + sentence(3) +
         "\" width=\"300\" height=\"200\">\r\n";
    if (section % 9 == 5) {
      p += "<table class=\"details\"><tr><th>Name</th><th>Value</th></tr>\r\n";
      for (int r = 0; r < 5; ++r) p += "<tr><td>" + word() + "</td><td>" + sentence(2) + "</td></tr>\r\n";
      p += "</table>\r\n";
    }
    p += "</div>\r\n";
    ++section;
  }
  p += "</main>\r\n<footer><p>&copy; 2024 Example &amp; Co</p></footer>\r\n</body>\r\n</html>\r\n";
  return p;
}

// Median time of one call over `runs` calls: the machine is shared, and the
// median ignores the calls that another process slowed down.
double medianSeconds(int runs, const std::function<void(int)>& call) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    call(i);
    times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
  return times[runs / 2];
}

void print(const char* what, std::size_t kb, std::size_t bytes, double seconds) {
  std::printf("%-40s %4zu KB  %8.3f ms/page  %8.1f MB/s\n", what, kb, seconds * 1000,
              static_cast<double>(bytes) / seconds / 1e6);
}

}  // namespace

int main() {
  const int pages = 100;
  const auto folder = std::filesystem::temp_directory_path() / ("page_step_bench_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::string dbPath = (folder / "project.db").string();
  Database db;
  db.connect(dbPath);
  db.ensureSchema();
  LoopDesktop desktop;

  for (const std::size_t kb : {30, 100, 300}) {
    std::vector<std::string> texts;
    for (int i = 0; i < 8; ++i) texts.push_back(makePage(kb * 1024, static_cast<unsigned>(kb * 100 + i)));
    const std::size_t bytes = texts[0].size();
    std::size_t sink = 0;

    auto page = [&](int i) -> const std::string& { return texts[static_cast<std::size_t>(i) % texts.size()]; };

    print("scanTitle", kb, bytes, medianSeconds(pages, [&](int i) { sink += scanTitle(page(i)).size(); }));
    print("parse only (HtmlDocument)", kb, bytes,
          medianSeconds(pages, [&](int i) { sink += HtmlDocument(page(i)).all().size(); }));
    print("readPageFacts (one parse)", kb, bytes,
          medianSeconds(pages, [&](int i) { sink += readPageFacts(page(i)).h2.size(); }));
    print("five readers, one parse each", kb, bytes, medianSeconds(pages, [&](int i) {
            sink += readTitle(page(i)).size() + readMetaDescription(page(i)).size() + readH1(page(i)).size() +
                    readH2(page(i)).size() + readH3(page(i)).size();
          }));

    // The crawl has made every page's row before its step runs.
    std::vector<std::string> urls;
    for (int i = 0; i < 2 * pages; ++i) {
      urls.push_back("https://shop.example/" + std::to_string(kb) + "/page-" + std::to_string(i));
      db.execute(sql::kInsertNewPage, {urls.back()});
    }
    print("whole page step (savePageRecord)", kb, bytes, medianSeconds(pages, [&](int i) {
            savePageRecord(db, desktop, "bench", urls[static_cast<std::size_t>(i)], page(i));
          }));
    std::vector<PageRecordFacts> facts;
    for (const std::string& t : texts) facts.push_back(readPageRecordFacts(t));
    print("  of which statements (storePageRecord)", kb, bytes, medianSeconds(pages, [&](int i) {
            storePageRecord(db, desktop, "bench", urls[static_cast<std::size_t>(pages + i)],
                            facts[static_cast<std::size_t>(i) % facts.size()]);
          }));
    if (sink == 0) std::printf("(nothing read)\n");
    std::printf("  page of %zu bytes: %zu H2 lines\n\n", bytes, splitLines(readH2(texts[0])).size());
  }
  std::printf("statement failures reported: %zu\n", desktop.messages().size());
  db.disconnect();
  removeDatabaseFiles(dbPath);
  std::filesystem::remove_all(folder);
  return 0;
}
