// The crawl thread's statements: how many LINKS rows (storeLink) and PAGES rows
// (recordNewPage) the working file takes per second, each statement committing
// on its own as during a crawl; and the link scan's speed on a large page.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "core/crawl/link_intake.h"
#include "core/platform/loop_desktop.h"
#include "core/store/database.h"
#include "core/store/project_store.h"

using namespace crawlspect;
using Clock = std::chrono::steady_clock;

namespace {

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

class CountingSink : public LinkSink {
 public:
  void addInternalUrl(const std::string&) override { ++added; }
  void storeLink(const std::string&, const std::string&, const std::string&, const std::string&,
                 const std::string&) override {
    ++stored;
  }
  long added = 0;
  long stored = 0;
};

}  // namespace

int main() {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / "crawlspect-bench-store";
  fs::create_directories(folder);
  LoopDesktop desktop;
  Database db;
  ProjectStore store(db, desktop, folder.string(), (folder / "no-template.db").string());
  std::mt19937 random(1);
  store.chooseWorkingFile(random);
  store.freshReset();

  const int links = 100000;
  auto start = Clock::now();
  for (int i = 0; i < links; ++i)
    store.storeLink("http://site.example/section/page-" + std::to_string(i % 5000) + ".html",
                    "http://site.example/source-" + std::to_string(i / 100) + ".html", i % 7 ? "dofollow" : "NOFOLLOW",
                    "Anchor text " + std::to_string(i % 300), i % 5 ? "Internal" : "External");
  double s = secondsSince(start);
  std::printf("storeLink:     %d rows in %.2f s = %.0f rows/s\n", links, s, links / s);

  // As the crawl does it: one commit for all links of a page (150 here).
  start = Clock::now();
  for (int page = 0; page < links / 150; ++page) {
    ProjectStore::Batch batch(store);
    for (int i = 0; i < 150; ++i)
      store.storeLink("http://site.example/section/page-" + std::to_string((page * 150 + i) % 5000) + ".html",
                      "http://site.example/source-" + std::to_string(page) + ".html", "dofollow",
                      "Anchor text " + std::to_string(i), "Internal");
  }
  s = secondsSince(start);
  std::printf("storeLink, one commit per page of 150: %d rows in %.2f s = %.0f rows/s\n", links / 150 * 150, s,
              links / 150 * 150 / s);

  const int pages = 20000;
  start = Clock::now();
  for (int i = 0; i < pages; ++i) store.recordNewPage("http://site.example/page-" + std::to_string(i) + ".html");
  s = secondsSince(start);
  std::printf("recordNewPage: %d rows in %.2f s = %.0f rows/s\n", pages, s, pages / s);

  std::string page;
  while (page.size() < 1000000)
    page += "<p>Some text around <a href=\"/section/page-" + std::to_string(page.size() % 9973) +
            ".html\" rel=\"nofollow\">a link &amp; more</a> and on.</p>\r\n";
  CountingSink sink;
  IntakeSettings settings;
  settings.ignoreExtensions = "ico jpg jpeg png gif bmp svg css js exe zip rar 7z apk pdf doc docx xls xlsx ppt pptx";
  for (const LinkRules rules : {LinkRules::Classic, LinkRules::Standard}) {
    settings.rules = rules;
    sink.stored = 0;
    LinkIntake intake(
        settings, [] { return std::string("http://site.example/"); }, sink);
    start = Clock::now();
    intake.scanLinks("http://site.example/big.html", page);
    s = secondsSince(start);
    std::printf("scanLinks (%s): %.1f MB page, %ld links in %.1f ms = %.0f MB/s\n",
                rules == LinkRules::Classic ? "classic" : "standard", page.size() / 1e6, sink.stored, s * 1000,
                page.size() / 1e6 / s);
  }

  store.close();
  fs::remove_all(folder);
  return 0;
}
