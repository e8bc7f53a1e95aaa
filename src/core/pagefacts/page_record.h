#pragma once
// The page step of a crawl: the facts of one fetched page into the project
// database — title and META description into its PAGES row, one TAGS row per
// non-blank H1 and H2 line.
#include <functional>
#include <string>
#include <vector>

#include "core/pagefacts/html_document.h"
#include "core/platform/problem_reporter.h"
#include "core/store/database.h"

namespace crawlspect {

// What the page step stores, read from the page text before any statement runs.
struct PageRecordFacts {
  std::string title;        // the raw title scan
  std::string description;  // the META description
  std::vector<std::string> h1Lines;
  std::vector<std::string> h2Lines;
};
PageRecordFacts readPageRecordFacts(const std::string& pageText);
// The same facts under the standard rules, from the page parsed with every
// HTML5 reference: each text decoded, its white space collapsed and trimmed
// (what a search result shows), one line per heading.
PageRecordFacts readShownPageRecordFacts(const HtmlDocument& doc);

// The statements of the page step for facts already read.
void storePageRecord(Database& db, ProblemReporter& problems, const std::string& appTitle, const std::string& pageUrl,
                     const PageRecordFacts& facts);

// Runs on the main thread. Each failing statement is reported in a message box
// captioned appTitle and the step goes on with the next one. An empty page
// text (a failed fetch) stores an empty title and description and no TAGS.
// It also stores the first non-blank H1 line in PAGES.H1TAG, which the
// audit's H1 length rule reads.
void savePageRecord(Database& db, ProblemReporter& problems, const std::string& appTitle, const std::string& pageUrl,
                    const std::string& pageText);

// The crawl's page step in two halves: the page is read on the calling (crawl)
// thread, so a large page never holds up the window; the returned step stores
// the rows and must run on the main thread. Same rows as savePageRecord.
// With a document (the standard link rules), the facts come from it as
// readShownPageRecordFacts reads them; without, from the text as before.
std::function<void()> preparePageRecord(Database& db, ProblemReporter& problems, std::string appTitle,
                                        std::string pageUrl, const std::string& pageText,
                                        const HtmlDocument* document = nullptr);

}  // namespace crawlspect
