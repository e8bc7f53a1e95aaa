#include "main/pagefacts/page_record.h"

#include <vector>

#include "main/pagefacts/page_reader.h"
#include "main/store/statements.h"
#include "platform/text.h"

namespace crawlspect {

void SavePageRecord(Database& db, Desktop& desktop, const std::string& appTitle, const std::string& pageUrl,
                    const std::string& pageText) {
  // Every reader runs before the first statement, so a reader that throws leaves the page untouched.
  const std::string title = ScanTitle(pageText);
  const PageFacts facts = ReadPageFacts(pageText);
  const std::vector<std::string> h1Lines = splitLines(facts.h1);
  const std::vector<std::string> h2Lines = splitLines(facts.h2);

  // The database guard is released when the statement throws, before the box shows.
  auto run = [&](auto statement) {
    try {
      statement();
    } catch (const DbError& e) {
      desktop.report(appTitle, statementErrorReport(e.what()));
    }
  };

  bool present = false;
  run([&] { present = !db.query(sql::selectPage(pageUrl)).rows.empty(); });
  if (present)
    run([&] { db.execute(sql::updatePageFacts(title, facts.description, pageUrl)); });
  else
    run([&] { db.execute(sql::insertPageFacts(pageUrl, title, facts.description)); });

  bool firstH1 = true;
  for (const std::string& line : h1Lines) {
    if (trimControl(line).empty()) continue;
    if (firstH1) run([&] { db.execute(sql::updatePageH1(line, pageUrl)); });
    firstH1 = false;
    run([&] { db.execute(sql::insertTag(pageUrl, "H1", line)); });
  }
  for (const std::string& line : h2Lines) {
    if (trimControl(line).empty()) continue;
    run([&] { db.execute(sql::insertTag(pageUrl, "H2", line)); });
  }
}

}  // namespace crawlspect
