#pragma once
// What stands behind a selected row: the page details of the internal URL
// list, and for the grouped lists the rows that carry the selected value.
#include <string>
#include <vector>

#include "core/results/result_lists.h"
#include "core/results/table.h"

namespace crawlspect {

class Database;
class ProblemReporter;

struct PageDetails {
  std::string title;
  std::string titleLength = "Length: 0";  // "Length: " + UTF-16 units
  std::string description;
  std::string descriptionLength = "Length: 0";
  std::vector<std::string> h1Lines;  // one per line of every H1 text
  std::string h1Count = "0";
  std::vector<std::string> h2Lines;
  std::string h2Count = "0";
};

// The three statements of the page details. Each failure is reported and
// leaves only its own part empty.
PageDetails lookupPageDetails(Database& db, const std::string& pageUrl, ProblemReporter& problems);

struct DetailView {
  std::string caption;  // the selected value
  Table table;
};

// "Source URL", "Anchor Text", "Type", "Follow" for Found Links; "Link URL",
// "Count" for the Anchor List; "Source URL" for the others.
Table emptyDetailList(ResultListId list);

// The lookup behind a selected value of a grouped list. Rows whose first
// column is blank (spaces and control characters only) are skipped. A failed
// statement is reported and leaves the list empty.
DetailView lookupDetail(Database& db, ResultListId list, const std::string& value, ProblemReporter& problems);

}  // namespace crawlspect
