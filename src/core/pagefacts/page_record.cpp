#include "core/pagefacts/page_record.h"

#include "core/pagefacts/page_reader.h"
#include "core/platform/text.h"
#include "core/store/statements.h"

namespace crawlspect {

PageRecordFacts readPageRecordFacts(const std::string& pageText) {
  PageFacts read = readPageFacts(pageText);
  return {scanTitle(pageText), std::move(read.description), splitLines(read.h1), splitLines(read.h2)};
}

PageRecordFacts readShownPageRecordFacts(const HtmlDocument& doc) {
  PageRecordFacts facts;
  facts.title = doc.title();
  for (const HtmlElement& el : doc.all()) {
    if (el.hasTagName("meta")) {
      const auto name = el.attribute("name");
      if (name && lowerAscii(*name) == "description")
        facts.description = collapseWhitespace(el.attribute("content").value_or(""));
    } else if (el.hasTagName("h1")) {
      facts.h1Lines.push_back(collapseWhitespace(el.innerText()));
    } else if (el.hasTagName("h2")) {
      facts.h2Lines.push_back(collapseWhitespace(el.innerText()));
    }
  }
  return facts;
}

void storePageRecord(Database& db, ProblemReporter& problems, const std::string& appTitle, const std::string& pageUrl,
                     const PageRecordFacts& facts) {
  // One commit for the page's statements; each still takes effect on its own
  // (StatementBatch). Failures are reported once it has been committed, so no
  // box waits on an open transaction.
  std::vector<std::string> failures;
  StatementBatch batch(db);
  bool present = false;
  try {
    present = !db.query(sql::kSelectPage, {pageUrl}).rows.empty();
  } catch (const DbError& e) {
    failures.push_back(e.what());
  }
  if (present)
    batch.execute(sql::kUpdatePageFacts, {facts.title, facts.description, pageUrl});
  else
    batch.execute(sql::kInsertPageFacts, {pageUrl, facts.title, facts.description});

  bool firstH1 = true;
  for (const std::string& line : facts.h1Lines) {
    if (trimControl(line).empty()) continue;
    if (firstH1) batch.execute(sql::kUpdatePageH1, {line, pageUrl});
    firstH1 = false;
    batch.execute(sql::kInsertTag, {pageUrl, "H1", line});
  }
  for (const std::string& line : facts.h2Lines) {
    if (trimControl(line).empty()) continue;
    batch.execute(sql::kInsertTag, {pageUrl, "H2", line});
  }
  for (auto& text : batch.finish()) failures.push_back(std::move(text));
  for (const auto& text : failures) problems.reportProblem(appTitle, statementErrorReport(text));
}

void savePageRecord(Database& db, ProblemReporter& problems, const std::string& appTitle, const std::string& pageUrl,
                    const std::string& pageText) {
  // Every reader runs before the first statement: a reader that throws leaves the page untouched.
  storePageRecord(db, problems, appTitle, pageUrl, readPageRecordFacts(pageText));
}

std::function<void()> preparePageRecord(Database& db, ProblemReporter& problems, std::string appTitle,
                                        std::string pageUrl, const std::string& pageText,
                                        const HtmlDocument* document) {
  return [&db, &problems, appTitle = std::move(appTitle), pageUrl = std::move(pageUrl),
          facts = document ? readShownPageRecordFacts(*document) : readPageRecordFacts(pageText)] {
    storePageRecord(db, problems, appTitle, pageUrl, facts);
  };
}

}  // namespace crawlspect
