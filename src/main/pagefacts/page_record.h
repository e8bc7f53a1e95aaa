#pragma once
// The page step of a crawl: the facts of one fetched page into the project
// database — title and META description into its PAGES row, one TAGS row per
// non-blank H1 and H2 line.
#include <string>

#include "main/store/database.h"
#include "platform/desktop.h"

namespace crawlspect {

// Runs on the main thread. Each failing statement is reported in a message box
// captioned appTitle and the step goes on with the next one. An empty page
// text (a failed fetch) stores an empty title and description and no TAGS.
// Besides the catalogue's statements it stores the first non-blank H1 line in
// PAGES.H1TAG, which the audit's H1 length rule reads.
void SavePageRecord(Database& db, Desktop& desktop, const std::string& appTitle, const std::string& pageUrl,
                    const std::string& pageText);

}  // namespace crawlspect
